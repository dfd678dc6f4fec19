// Warnings on doubtful fits and records: a short code and a sentence each.
#include <algorithm>
#include <cmath>
#include <string>

#include "findings/parts.hpp"
#include "normalize/fdnelm.hpp"
#include "normalize/normaliz.hpp"

namespace findings {

std::string bound_at_edge(const results::GaugeResult& r) {
  if (!r.transformed() || r.ranked.empty()) return "";
  const normalize::FittedDistribution& t = r.normalisation.fitted;
  const double xmin = r.ranked.front().flow;
  const double xmax = r.ranked.back().flow;
  const double range = xmax - xmin;
  const double tol = kEdgeTolerance * range;
  // Farther than this from the flows, a bound has run off to infinity.
  const double far = 1e6 * std::max(range, std::fabs(xmax));
  switch (t.itype()) {
    case normalize::kLN3:
      if (xmin - 0.01 - t.XI <= tol)
        return "the lower bound of LN3 sits at the start of its search, just below the smallest "
               "flow";
      if (xmin - t.XI > far)
        return "the lower bound of LN3 ran far below the flows: no bound was found";
      return "";
    case normalize::kSB4: {
      const normalize::Sb4Search& s = r.normalisation.sb4;
      if (!s.run) return "";
      if (t.XI - s.xi_lo <= tol)
        return "the lower bound of SB4 sits at the bottom of its search range (0.0001)";
      if (s.xi_hi - t.XI <= tol)
        return "the lower bound of SB4 sits at the top of its search range, just below the "
               "smallest flow";
      const double upper = t.XI + t.XLAM;
      if (upper - s.upper_base <= tol)
        return "the upper bound of SB4 sits at the bottom of its search range (largest flow + 1)";
      if (upper - s.upper_base > far)
        return "the upper bound of SB4 ran far above the flows: no bound was found";
      return "";
    }
    case normalize::kSB3:
      if (t.XLAM == 3.0 * xmax)
        return "the upper bound of SB3 is three times the largest flow, put in place of a root "
               "beyond 1e8";
      if (t.XLAM - (xmax + 0.01) <= tol)
        return "the upper bound of SB3 sits at the start of its search, just above the largest "
               "flow";
      return "";
    default:
      return "";
  }
}

namespace {

std::string model_name(const results::GaugeResult& r) {
  return "ARMA(" + std::to_string(r.p) + "," + std::to_string(r.q) + ")";
}

void stationarity(const Findings& f, std::vector<Warning>& w) {
  if (!std::isnan(f.mann_kendall.p) && f.mann_kendall.p < kSignificance)
    w.push_back({"trend", "Mann-Kendall finds a trend in the annual flows (Z = " +
                              short_number(f.mann_kendall.Z, 3) +
                              ", p = " + short_number(f.mann_kendall.p, 2) +
                              "); the ARMA model assumes a stationary record."});
  if (!std::isnan(f.pettitt.p) && f.pettitt.p < kSignificance && f.pettitt.last_year_before != 0)
    w.push_back({"change_point", "Pettitt finds a change in the flows after " +
                                     std::to_string(f.pettitt.last_year_before) +
                                     " (p = " + short_number(f.pettitt.p, 2) +
                                     "); the ARMA model assumes a stationary record."});
}

void transform(const results::GaugeResult& r, const Findings& f, std::vector<Warning>& w) {
  if (!r.transformed()) {
    w.push_back({"no_transform", "No distribution could be fitted: " + f.return_periods.note +
                                     "; there are no return-period flows."});
    return;
  }
  const char* model = normalize::model_code(r.normalisation.fitted.itype());
  // The normalised flows' test has one degree of freedom less (the fitted
  // transform), so an unchanged fit already has a lower probability: the
  // fit is worse only when the statistic, on the same number of classes
  // and flows, is larger too.
  const double before = f.chi_flows.probability_exact;
  const double after = f.chi_normalised.probability_exact;
  if (!std::isnan(before) && !std::isnan(after) && after < before &&
      f.chi_normalised.statistic_exact > f.chi_flows.statistic_exact)
    w.push_back({"less_normal", std::string("The ") + model +
                                    " transform leaves the flows less normal than they were "
                                    "(chi-square probability " +
                                    short_number(after, 3) + " after, " + short_number(before, 3) +
                                    " before)."});
  const auto outside = [](double v, double limit) { return !(std::fabs(v) <= limit); };
  if (outside(r.normalised.skewness, r.skew_limit))
    w.push_back({"skewness",
                 "The skewness of the normalised flows (" + short_number(r.normalised.skewness, 3) +
                     ") lies outside its 95 % limits (+/-" + short_number(r.skew_limit, 3) + ")."});
  if (outside(r.normalised.excess, r.excess_limit))
    w.push_back({"excess", "The excess (kurtosis - 3) of the normalised flows (" +
                               short_number(r.normalised.excess, 3) +
                               ") lies outside its 95 % limits (+/-" +
                               short_number(r.excess_limit, 3) + ")."});
  const std::string edge = bound_at_edge(r);
  if (!edge.empty()) w.push_back({"bound_edge", "The fit is doubtful: " + edge + "."});
  if (!r.normalisation.failed.empty())
    w.push_back({"transform_failed", std::to_string(r.normalisation.failed.size()) +
                                         " flow(s) lay outside the fitted range and were moved "
                                         "inside it (or left at 0) by the transform."});
  const ReturnPeriods& rp = f.return_periods;
  if (rp.samples > 0 && 10 * rp.failed > rp.samples)
    w.push_back({"bootstrap_refits", std::to_string(rp.failed) + " of " +
                                         std::to_string(rp.samples) +
                                         " bootstrap samples could not be refitted; the "
                                         "bounds rest on the others."});
}

void model(const results::GaugeResult& r, const Findings& f, std::vector<Warning>& w) {
  if (!r.complete()) return;
  const Likelihood& l = f.likelihood;
  const std::string name = model_name(r);
  if (l.roots.ar_modulus > kUnitCircle || l.roots.ma_modulus > kUnitCircle) {
    const bool ar = l.roots.ar_modulus >= l.roots.ma_modulus;
    w.push_back({"unit_root", "The chosen " + name + " model has an " + (ar ? "AR" : "MA") +
                                  " root near the unit circle (reciprocal modulus " +
                                  short_number(ar ? l.roots.ar_modulus : l.roots.ma_modulus, 3) +
                                  " > 0.95)."});
  }
  if (!std::isnan(l.roots.closest) && l.roots.closest < kCancel)
    w.push_back({"cancelling_factors", "The AR and MA factors of the chosen " + name +
                                           " model nearly cancel (roots " +
                                           short_number(l.roots.closest, 2) +
                                           " apart); a model of lower order would do."});
  if (!std::isnan(l.model) && !std::isnan(l.white_noise) && l.model < l.white_noise)
    w.push_back({"below_white_noise", "The exact log-likelihood of the chosen " + name + " (" +
                                          short_number(l.model, 6) +
                                          ") is below that of white noise (" +
                                          short_number(l.white_noise, 6) + ")."});
  if (r.p + r.q > 0) {
    const normalize::SimplexStatus status =
        r.arma.refitted ? r.arma.refit.status : r.arma.fits[r.p][r.q].status;
    if (status == normalize::SimplexStatus::iteration_limit)
      w.push_back({"fit_stopped", "The fit of the chosen " + name +
                                      " model stopped at the iteration limit before it "
                                      "converged."});
    else if (status == normalize::SimplexStatus::stalled)
      w.push_back(
          {"fit_stopped", "The fit of the chosen " + name + " model stalled before it converged."});
  }
}

void record(const results::GaugeResult& r, std::vector<Warning>& w) {
  const results::Record& rec = r.record;
  if (rec.npos < kFewFlows)
    w.push_back({"few_flows", "Only " + std::to_string(rec.npos) +
                                  " positive flow(s): the tests have little power."});
  if (rec.ended_at_line > 0)
    w.push_back({"ended_early", "The data ended early at an unreadable record (line " +
                                    std::to_string(rec.ended_at_line) +
                                    "); the years after it are not analysed."});
  if (!rec.blank_years.empty()) {
    std::string years;
    const std::size_t shown = std::min<std::size_t>(rec.blank_years.size(), 5);
    for (std::size_t i = 0; i < shown; ++i)
      years += (i ? ", " : "") + std::to_string(rec.blank_years[i]);
    if (shown < rec.blank_years.size()) years += ", ...";
    w.push_back({"blank_years", std::to_string(rec.blank_years.size()) +
                                    " year(s) had all twelve monthly fields blank and count "
                                    "as zero flows (" +
                                    years + ")."});
  }
}

}  // namespace

std::vector<Warning> warnings(const results::GaugeResult& r, const Findings& f) {
  std::vector<Warning> w;
  record(r, w);
  transform(r, f, w);
  model(r, f, w);
  stationarity(f, w);
  return w;
}

}  // namespace findings
