#include "findings/findings.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "findings/parts.hpp"

namespace findings {

Findings compute(const results::GaugeResult& r, const Options& o) {
  Findings f;
  f.options = o;
  f.options.bootstrap = std::max(o.bootstrap, 0);
  f.return_periods = return_periods(r, f.options);
  f.mann_kendall = mann_kendall(r.record.flows);
  f.sen = sen_slope(r.record.flows, f.mann_kendall.variance);
  f.pettitt = pettitt(r.record.flows, r.record.first_year);
  f.events = events(r);
  if (r.transformed()) {
    std::vector<double> x, z;
    for (const results::RankedFlow& row : r.ranked) {
      x.push_back(row.flow);
      z.push_back(row.normalised);
    }
    f.chi_flows = exact_chi_square(x, r.raw.mean, r.raw.sd, r.chi_flows);
    f.chi_normalised = exact_chi_square(z, r.normalised.mean, r.normalised.sd, r.chi_normalised);
  } else {
    f.chi_flows.note = f.chi_normalised.note = "no distribution was fitted: no test was made";
  }
  if (r.correlated()) {
    f.portmanteau_normalised = exact_portmanteau(r.correlogram);
  } else {
    f.portmanteau_normalised.note = "no correlogram (zero flows, fewer than 3 flows or no spread)";
  }
  if (r.complete()) {
    f.portmanteau_residuals = exact_portmanteau(r.residual_correlogram);
  } else {
    f.portmanteau_residuals.note = "no ARMA model, so no residuals";
  }
  f.likelihood = likelihood(r);
  f.warnings = warnings(r, f);
  return f;
}

int warning_count(const Findings& f) {
  return static_cast<int>(f.warnings.size());
}

std::string short_number(double v, int digits) {
  if (!std::isfinite(v)) return "n/a";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  return buf;
}

std::string round_trip(double v) {
  if (!std::isfinite(v)) return "";
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

}  // namespace findings
