#include "generate/check.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "stats/moments.hpp"

namespace generate {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A number in a right-aligned column of `width`: five significant digits,
// or N/A.
std::string cell(double v, int width) {
  char buf[64];
  if (std::isnan(v))
    std::snprintf(buf, sizeof buf, "%*s", width, "N/A");
  else
    std::snprintf(buf, sizeof buf, "%*.5g", width, v);
  return buf;
}

std::string percent_cell(double v, int width) {
  char buf[64];
  if (std::isnan(v))
    std::snprintf(buf, sizeof buf, "%*s", width, "N/A");
  else
    std::snprintf(buf, sizeof buf, "%*.1f", width, v);
  return buf;
}

std::string transform_text(const Model& m) {
  char buf[256];
  const normalize::FittedDistribution& d = m.distribution;
  const char* name = d.itype() != 0 ? d.code() : nullptr;
  std::snprintf(buf, sizeof buf, "%s%s (family %d), GAMMA %.7g, DELTA %.7g, XLAM %.7g, XI %.7g",
                name ? name : (d.family() == normalize::kBounded ? "Johnson SB" : "lognormal"),
                name ? (d.family() == normalize::kBounded ? " Johnson SB" : " lognormal") : "",
                d.family(), d.GAMMA, d.DELTA, d.XLAM, d.XI);
  return buf;
}

std::string arma_text(const Model& m) {
  char buf[256];
  std::snprintf(buf, sizeof buf, "ARMA(%d,%d), phi %.5f %.5f, theta %.5f %.5f", m.p, m.q, m.phi[0],
                m.phi[1], m.theta[0], m.theta[1]);
  return buf;
}

}  // namespace

int longest_run_below(std::span<const double> x, double level) {
  int longest = 0, run = 0;
  for (const double v : x) {
    run = v < level ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  return longest;
}

double largest_deficit_below(std::span<const double> x, double level) {
  double largest = 0.0, deficit = 0.0;
  for (const double v : x) {
    deficit = v < level ? deficit + (level - v) : 0.0;
    largest = std::max(largest, deficit);
  }
  return largest;
}

double sequent_peak(std::span<const double> x, double draft) {
  double k = 0.0, peak = 0.0;
  for (const double v : x) {
    k = std::max(0.0, k + draft - v);
    peak = std::max(peak, k);
  }
  return peak;
}

double hurst_k(std::span<const double> x) {
  const std::size_t n = x.size();
  if (n < 3) return kNaN;
  const double m = stats::xmean(x);
  const double s = stats::stdev(x, m);
  if (!(s > 0.0)) return kNaN;
  long double cum = 0.0L, hi = 0.0L, lo = 0.0L;
  for (const double v : x) {
    cum += static_cast<long double>(v) - m;
    hi = std::max(hi, cum);
    lo = std::min(lo, cum);
  }
  const double r = static_cast<double>(hi - lo);
  if (!(r > 0.0)) return kNaN;
  return std::log(r / s) / std::log(0.5 * static_cast<double>(n));
}

SeriesStatistics series_statistics(std::span<const double> x, double level) {
  SeriesStatistics st;
  st.fill(kNaN);
  if (x.empty()) return st;
  const double m = stats::xmean(x);
  const double s = stats::stdev(x, m);
  st[kMean] = m;
  st[kSd] = s;
  st[kSkewness] = s > 0.0 ? stats::skew(x, m, s) : kNaN;
  if (x.size() >= 2) {
    // Divisor n in both sums, as in the correlogram of the analysis.
    long double num = 0.0L, den = 0.0L;
    for (std::size_t t = 0; t < x.size(); ++t) {
      const double d = x[t] - m;
      den += static_cast<long double>(d) * d;
      if (t + 1 < x.size()) num += static_cast<long double>(d) * (x[t + 1] - m);
    }
    if (den > 0.0L) st[kLag1] = static_cast<double>(num / den);
  }
  st[kMinimum] = stats::xmin(x);
  st[kMaximum] = stats::xmax(x);
  st[kLongestRun] = longest_run_below(x, level);
  st[kLargestDeficit] = largest_deficit_below(x, level);
  for (std::size_t k = 0; k < kDraftFractions.size(); ++k)
    st[kStorage50 + k] = sequent_peak(x, kDraftFractions[k] * level);
  st[kHurst] = hurst_k(x);
  return st;
}

double percentile_of(std::span<const double> sorted, double value) {
  if (sorted.empty() || std::isnan(value)) return kNaN;
  const auto below = std::lower_bound(sorted.begin(), sorted.end(), value) - sorted.begin();
  const auto upto = std::upper_bound(sorted.begin(), sorted.end(), value) - sorted.begin();
  return 100.0 * (static_cast<double>(below) + 0.5 * static_cast<double>(upto - below)) /
         static_cast<double>(sorted.size());
}

Check summarise(std::vector<SeriesStatistics>& values, const SeriesStatistics& record,
                double level) {
  Check c;
  c.level = level;
  std::vector<double> col;
  col.reserve(values.size());
  for (int k = 0; k < kStatistics; ++k) {
    col.clear();
    long double sum = 0.0L;
    for (const SeriesStatistics& v : values) {
      if (std::isnan(v[k])) continue;
      col.push_back(v[k]);
      sum += v[k];
    }
    CheckRow& row = c.rows[k];
    row.count = static_cast<std::int64_t>(col.size());
    row.mean = col.empty() ? kNaN : static_cast<double>(sum / static_cast<long double>(col.size()));
    std::sort(col.begin(), col.end());
    row.p05 = stats::quantile_sorted(col, 0.05);
    row.p50 = stats::quantile_sorted(col, 0.50);
    row.p95 = stats::quantile_sorted(col, 0.95);
    row.record = record[k];
    row.record_percentile = percentile_of(col, record[k]);
  }
  return c;
}

SeriesStatistics record_statistics(const Model& m) {
  if (!m.flows.empty()) return series_statistics(m.flows, m.record_mean);
  SeriesStatistics st;
  st.fill(kNaN);
  st[kMean] = m.record_mean;
  st[kSd] = m.record_sd;
  return st;
}

Check make_check(const Model& m, std::vector<SeriesStatistics>& values, std::int64_t years) {
  Check c = summarise(values, record_statistics(m), m.record_mean);
  c.record_flows = !m.flows.empty();
  if (!c.record_flows)
    c.notes.push_back("The record's flows are not in the model file (" + m.flows_note +
                      "): only its mean and standard deviation are shown.");
  if (years != m.N)
    c.notes.push_back("The series have " + std::to_string(years) + " years and the record " +
                      std::to_string(m.N) +
                      ": the extremes, runs, deficits, storages and K grow with the length, so "
                      "the record's percentiles of these compare unlike things.");
  if (!m.arma_identified)
    c.notes.push_back(
        "No ARMA model was identified for this record: the years are independent (phi = theta = "
        "0).");
  if (m.nz > 0)
    c.notes.push_back("Each year is a zero-flow year with the record's zero fraction, " +
                      cell(m.distribution.zero_share, 0) + ".");
  return c;
}

void write_table(std::ostream& os, const Model& m, const CheckContext& c, const Check& check) {
  os << "Generation check of " << (m.name.empty() ? std::string("the gauge") : m.name) << " ("
     << c.model_file << "): " << c.series << " series of " << c.years << " years, seed " << c.seed
     << ", warm-up " << c.warmup << " years\n";
  os << "Transform: " << transform_text(m) << "\n";
  os << "Model: " << arma_text(m) << ", innovation sd " << cell(c.innovation_sd, 0) << "\n";
  os << "Record: " << m.N << " years from " << m.first_year << "; runs, deficits and drafts "
     << "are measured against its mean flow, " << cell(check.level, 0) << ".\n\n";
  constexpr int kLabel = 32, kNum = 11, kPct = 8;
  char head[256];
  std::snprintf(head, sizeof head, "%-*s%*s%*s%*s%*s%*s%*s\n", kLabel, "statistic", kNum, "record",
                kPct, "pctile", kNum, "mean", kNum, "5%", kNum, "50%", kNum, "95%");
  os << head;
  for (int k = 0; k < kStatistics; ++k) {
    const CheckRow& r = check.rows[k];
    char label[64];
    std::snprintf(label, sizeof label, "%-*s", kLabel, kStatisticNames[k].label);
    os << label << cell(r.record, kNum) << percent_cell(r.record_percentile, kPct)
       << cell(r.mean, kNum) << cell(r.p05, kNum) << cell(r.p50, kNum) << cell(r.p95, kNum) << "\n";
  }
  os << "\npctile: where the record's value falls among the series (percent of series below "
        "it).\n";
  for (const std::string& n : check.notes) os << n << "\n";
}

nlohmann::json check_json(const Model& m, const CheckContext& c, const Check& check) {
  using nlohmann::json;
  json j;
  j["schema_version"] = 1;
  j["gauge"] = m.name;
  j["model_file"] = c.model_file;
  j["series"] = c.series;
  j["years"] = c.years;
  j["seed"] = c.seed;
  j["warmup"] = c.warmup;
  j["record"] = {{"first_year", m.first_year},
                 {"years", m.N},
                 {"mean", m.record_mean},
                 {"flows_available", check.record_flows}};
  const normalize::FittedDistribution& d = m.distribution;
  j["model"] = {{"ITYPE", d.itype()},
                {"family", d.family()},
                {"GAMMA", d.GAMMA},
                {"DELTA", d.DELTA},
                {"XLAM", d.XLAM},
                {"XI", d.XI},
                {"p", m.p},
                {"q", m.q},
                {"phi", m.phi},
                {"theta", m.theta},
                {"arma_identified", m.arma_identified},
                {"innovation_sd", c.innovation_sd},
                {"zero_fraction", m.distribution.zero_share}};
  j["level"] = check.level;
  j["draft_fractions"] = kDraftFractions;
  json rows = json::array();
  for (int k = 0; k < kStatistics; ++k) {
    const CheckRow& r = check.rows[k];
    rows.push_back({{"statistic", kStatisticNames[k].key},
                    {"record", r.record},
                    {"record_percentile", r.record_percentile},
                    {"mean", r.mean},
                    {"p05", r.p05},
                    {"p50", r.p50},
                    {"p95", r.p95},
                    {"series_with_value", r.count}});
  }
  j["statistics"] = rows;
  j["notes"] = check.notes;
  return j;
}

}  // namespace generate
