// The generation check: statistics of every synthetic series, summarised
// across series and set beside the same statistics of the record.
#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "generate/model.hpp"

namespace generate {

enum Statistic : int {
  kMean,
  kSd,
  kSkewness,
  kLag1,
  kMinimum,
  kMaximum,
  kLongestRun,
  kLargestDeficit,
  kStorage50,
  kStorage70,
  kStorage90,
  kHurst,
  kStatistics
};

// The drafts of the storage statistics, as fractions of the level (the
// record's mean flow).
inline constexpr std::array<double, 3> kDraftFractions = {0.5, 0.7, 0.9};

struct StatisticName {
  const char* key;    // in the JSON file
  const char* label;  // in the table
};
inline constexpr std::array<StatisticName, kStatistics> kStatisticNames = {{
    {"mean", "mean"},
    {"sd", "standard deviation"},
    {"skewness", "skewness"},
    {"lag1_correlation", "lag-1 correlation"},
    {"minimum", "minimum"},
    {"maximum", "maximum"},
    {"longest_run_below_mean", "longest run below mean (years)"},
    {"largest_deficit_below_mean", "largest deficit below mean"},
    {"storage_50", "storage for 50 % of mean"},
    {"storage_70", "storage for 70 % of mean"},
    {"storage_90", "storage for 90 % of mean"},
    {"hurst_k", "Hurst coefficient K"},
}};

using SeriesStatistics = std::array<double, kStatistics>;

// The longest run of consecutive values below level (strictly).
int longest_run_below(std::span<const double> x, double level);
// The largest sum of (level - x) over a run of consecutive values below level.
double largest_deficit_below(std::span<const double> x, double level);
// Sequent peak: the storage a reservoir that starts full needs to release
// `draft` every year: the largest K(t) = max(0, K(t-1) + draft - x(t)),
// K(0) = 0.
double sequent_peak(std::span<const double> x, double draft);
// The rescaled-range estimate K = ln(R/S) / ln(n/2): R the range of the
// cumulative departures from the series' mean (0 included), S the standard
// deviation (divisor n). NaN below 3 values or without spread.
double hurst_k(std::span<const double> x);

// All statistics of one series. level is the record's mean flow: runs and
// deficits are counted below it, and the drafts are fractions of it.
// Statistics that a series cannot give (skewness, correlation and K without
// spread) are NaN.
SeriesStatistics series_statistics(std::span<const double> x, double level);

// Where value falls among sorted values, in percent: the share below it plus
// half the share equal to it. NaN for none or a NaN value.
double percentile_of(std::span<const double> sorted, double value);

struct CheckRow {
  double record = 0.0;             // the record's value (NaN: not available)
  double record_percentile = 0.0;  // where it falls among the series (NaN: not available)
  double mean = 0.0, p05 = 0.0, p50 = 0.0, p95 = 0.0;
  std::int64_t count = 0;  // series with a value (not NaN)
};

// What the table and the JSON say about the run beside the figures.
struct CheckContext {
  std::string model_file;
  std::int64_t series = 0;
  std::int64_t years = 0;
  std::uint64_t seed = 0;
  long warmup = 0;
  double innovation_sd = 0.0;
};

struct Check {
  double level = 0.0;  // the record's mean flow
  bool record_flows = false;
  std::array<CheckRow, kStatistics> rows{};
  std::vector<std::string> notes;  // said under the table
};

// Summarises the statistics of the series (in series order); record holds
// the record's own (NaN where not available). values is used as work space.
Check summarise(std::vector<SeriesStatistics>& values, const SeriesStatistics& record,
                double level);

// The record's statistics from what the model file holds: all of them when
// the flows are there, else the mean and standard deviation alone.
SeriesStatistics record_statistics(const Model& m);

// The check for a model and the statistics of its series, notes included.
Check make_check(const Model& m, std::vector<SeriesStatistics>& values, std::int64_t years);

void write_table(std::ostream& os, const Model& m, const CheckContext& c, const Check& check);
nlohmann::json check_json(const Model& m, const CheckContext& c, const Check& check);

}  // namespace generate
