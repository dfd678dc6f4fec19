// What a hydrologist asks of a gauge beyond the report: the dry-year and
// wet-year flows of given return periods with bootstrap bounds, trend and
// change-point tests, drought and surplus events in flow units, exact
// probabilities beside the report's approximations, and warnings on doubtful
// fits. Everything is computed from the result value of the gauge; nothing
// here writes a file.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "results/result.hpp"
#include "stats/chisq.hpp"

namespace findings {

// A value that could not be computed; each one travels with a reason.
constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// Bootstrap samples by default: enough for stable 5 % and 95 % percentiles
// while the whole network stays within three times the time of its analysis.
constexpr int kDefaultBootstrap = 200;
constexpr std::uint64_t kDefaultSeed = 20240611;

struct Options {
  int bootstrap = kDefaultBootstrap;  // samples of the parametric bootstrap; 0: no bounds
  std::uint64_t seed = kDefaultSeed;  // with the record, fixes every random draw
};

// The return periods, in years.
constexpr std::array<int, 10> kReturnPeriods{2, 5, 10, 20, 25, 50, 100, 200, 500, 1000};
// Two-sided coverage of the bootstrap bounds: the 5 % and 95 % percentiles.
constexpr double kBoundLevel = 0.90;

// A flow of the fitted distribution and its bootstrap bounds.
struct Quantile {
  double flow = kMissing;
  double lower = kMissing, upper = kMissing;
};

// T years: the dry-year flow (non-exceedance probability 1/T) and the
// wet-year flow (exceedance probability 1/T).
struct ReturnPeriod {
  int T = 0;
  Quantile dry, wet;
};

struct ReturnPeriods {
  bool available = false;
  std::string note;  // why not, when not available
  int ITYPE = 0;
  // The mixed distribution: zero with this probability (nz / N), the fitted
  // transform for the positive flows.
  double zero_probability = 0.0;
  std::vector<ReturnPeriod> periods;
  // The bootstrap: samples drawn, refits that gave a usable model, and why
  // the bounds are missing (empty when they are given).
  int samples = 0;
  int refitted = 0;
  int failed = 0;
  std::string bounds_note;
};

// Mann-Kendall test of the annual flows (all N, zeros included) against the
// years: S, its variance corrected for ties, Z with continuity correction,
// the two-sided probability.
struct MannKendall {
  int n = 0;
  double S = 0.0, variance = 0.0;
  double Z = kMissing, p = kMissing;
  std::string note;  // why Z and p are missing
};

// Sen's slope: the median of the pairwise slopes (flow units per year) and
// its 90 % interval from the Mann-Kendall variance.
struct SenSlope {
  double slope = kMissing;
  double lower = kMissing, upper = kMissing;
  std::string note;           // why the slope is missing
  std::string interval_note;  // why the interval is missing
};

// Pettitt's change-point test: K = max |U_t|; the change lies between the
// last year of the first segment and the first year of the second.
struct Pettitt {
  double K = kMissing;
  int last_year_before = 0, first_year_after = 0;
  double p = kMissing;
  double mean_before = kMissing, mean_after = kMissing;
  std::string note;  // why the test is missing
};

// One run of flows beyond a level: first and last year, its length, the sum
// of the differences from the level (flow units, positive) and the extreme
// flow of the run. complete is false when the run touches the first or the
// last year of the record, so that its true length is not known (the
// crossing table leaves such runs out).
struct Event {
  int first_year = 0, last_year = 0, duration = 0;
  double volume = 0.0, extreme = 0.0;
  bool complete = true;
};

// The events beyond one crossing level: levels 1-6 are droughts (runs
// below), 7-12 surpluses (runs above).
struct LevelEvents {
  int level = 0;
  bool drought = true;
  double percent = 0.0;  // the level's exceedance (drought) or non-exceedance (surplus) percentage
  double z = 0.0;        // the level in standard normal units
  double flow = kMissing;
  std::vector<Event> events;
  int longest = -1, largest = -1;  // indices into events (-1: no event)
};

struct Events {
  bool available = false;
  std::string note;
  std::vector<LevelEvents> levels;
};

// A chi-square test of normality: the report's numbers and the same test
// with exact class bounds and the exact tail.
struct ExactChiSquare {
  bool available = false;
  std::string note;
  int k = 0, df = 0;
  double statistic_report = kMissing, probability_report = kMissing;
  std::array<int, stats::kMaxClasses> counts_exact{};
  double statistic_exact = kMissing, probability_exact = kMissing;
  std::string probability_note;  // why the probabilities are missing (df <= 0)
};

// A portmanteau test: the report's Q, df and approximate probability, and the
// exact tail of the same Q.
struct ExactPortmanteau {
  bool available = false;
  std::string note;
  int L = 0, df = 0;
  double Q = kMissing, probability_report = kMissing, probability_exact = kMissing;
  std::string probability_note;
};

// The reciprocal roots of the chosen model's AR and MA polynomials
// 1 - c1 B - c2 B^2, and what the warnings measure on them.
struct Roots {
  std::vector<std::pair<double, double>> ar, ma;  // (real, imaginary)
  double ar_modulus = 0.0, ma_modulus = 0.0;      // the largest modulus (0 without roots)
  double closest = kMissing;                      // smallest distance between an AR and an MA root
};

// The exact Gaussian log-likelihood of the chosen ARMA model on the
// normalised flows, the innovation variance concentrated out, and that of
// white noise on the same series.
struct Likelihood {
  bool available = false;
  std::string note;
  int p = 0, q = 0;
  double model = kMissing, white_noise = kMissing;
  double sigma2 = kMissing;  // innovation variance of the model
  Roots roots;
};

struct Warning {
  std::string code;
  std::string message;
};

struct Findings {
  Options options;
  ReturnPeriods return_periods;
  MannKendall mann_kendall;
  SenSlope sen;
  Pettitt pettitt;
  Events events;
  ExactChiSquare chi_flows, chi_normalised;
  ExactPortmanteau portmanteau_normalised, portmanteau_residuals;
  Likelihood likelihood;
  std::vector<Warning> warnings;
};

// Everything above for one gauge. Handles every extent of a result, records
// of 1 to 1000 years and zero flows; a value that cannot be computed is
// missing with a reason. The same result and options give the same findings
// on every run and thread.
Findings compute(const results::GaugeResult& r, const Options& o = Options{});

// The return period of T years among the computed ones (null when absent).
const ReturnPeriod* find_period(const ReturnPeriods& rp, int T);

// The findings as the "findings" object of the gauge's JSON file (layout in
// docs/findings.schema.json).
nlohmann::ordered_json to_json(const Findings& f);

// The key columns of the network table: header and value (numbers in their
// shortest round-trip form, empty when missing). csv_headers() gives the
// same headers, for a gauge that failed.
std::vector<std::string> csv_headers();
std::vector<std::pair<std::string, std::string>> csv_columns(const Findings& f);

// The short block of lines shown after a gauge's files are written (and kept
// in its log): each line starts with a blank and ends with a line end.
std::string findings_block(const results::GaugeResult& r, const Findings& f);

int warning_count(const Findings& f);

}  // namespace findings
