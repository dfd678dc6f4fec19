// Choice of the normalising transform of the annual flows.
//
// Four models are fitted to the positive flows: the three- and two-parameter
// lognormal (LN3, LN2) and the four- and three-parameter Johnson SB (SB4,
// SB3). Each is scored by its negative log-likelihood per observation,
// without the constants common to all four, plus its number of free
// parameters over n; the smallest score wins. A score of 4000 marks a model
// as unusable.
#include "normalize/normaliz.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "normalize/select.hpp"
#include "stats/moments.hpp"

namespace normalize {

namespace {

// Room left between the flows and the lower bound of SB(4).
constexpr double kMargin = 0.0001;

Candidate& column(Normalisation& r, int ITYPE) {
  return r.candidates[ITYPE - 1];
}

// SB4: the two bounds by the simplex search, GAMMA and DELTA in closed form
// at each trial; then every flow must lie inside the fitted range.
Candidate fit_sb4(std::span<const double> x, double xmin, double xmax, Sb4Search& s) {
  Candidate c;
  s = Sb4Search{};
  if (xmin < kMargin) {
    c.CR = kUnusable;
    c.fault = CandidateFault::kNotFitted;
    return c;
  }
  auto block = std::make_unique<cfunsb4>();
  std::copy(x.begin(), x.end(), block->x.begin());
  block->n = static_cast<int>(x.size());
  block->xi_lo = kMargin;
  block->xi_hi = xmin - kMargin;
  block->upper_base = xmax + 1.0;
  s.run = true;
  s.xi_lo = block->xi_lo;
  s.xi_hi = block->xi_hi;
  s.upper_base = block->upper_base;
  // Start: XI at 1/pi of its range, the upper bound 2000 above the base.
  const double r = 0.31830987732601135;
  std::array<double, 2> p{std::log(r / (1.0 - r)), std::log(1999.0)};
  const std::array<double, 2> step{0.1 * p[0], 0.01 * p[1]};
  auto objective = [&block](int count, const double* q, double& v) { funsb4(*block, count, q, v); };
  const SimplexResult search = fdnelm(p, step, kSb4Search, objective);
  s.it = search.it;
  s.status = search.status;
  double f = 0.0;
  funsb4(*block, 2, p.data(), f);
  c.XI = block->XI;
  c.XLAM = block->upper - block->XI;
  c.GAMMA = block->GAMMA;
  c.DELTA = block->DELTA;
  const double dn = static_cast<double>(x.size());
  double sum = 0.0;
  for (const double v : x) {
    const double g = (v - c.XI) * (c.XI + c.XLAM - v);
    if (g <= 0.0 || g > 1e30) {
      s.out_of_range = true;
      s.range_XI = c.XI;
      s.range_x = v;
      s.range_upper = c.XI + c.XLAM;
      c.CR = kUnusable;
      c.fault = CandidateFault::kOutOfRange;
      return c;
    }
    sum += std::log(g);
  }
  c.CR = sum / dn - std::log(c.XLAM * c.DELTA) + 4.0 / dn;
  return c;
}

// LN3; a negative lower bound is penalised unless the record has zero flows.
Candidate fit_ln3(std::span<const double> x, double xmin, int nz) {
  Candidate c;
  ln3(x, c.GAMMA, c.DELTA, c.XI, xmin);
  c.XLAM = 1.0;
  c.CR = -c.GAMMA / c.DELTA - std::log(c.DELTA) + 3.0 / static_cast<double>(x.size());
  if (c.XI < 0.0 && nz == 0) {
    c.CR += kUnusable;
    c.fault = CandidateFault::kNegativeBound;
  }
  return c;
}

// LN2: lower bound 0.
Candidate fit_ln2(std::span<const double> x) {
  Candidate c;
  fnlog(x, c.GAMMA, c.DELTA, 0.0);
  c.XLAM = 1.0;
  c.XI = 0.0;
  c.CR = -c.GAMMA / c.DELTA - std::log(c.DELTA) + 2.0 / static_cast<double>(x.size());
  return c;
}

// SB3: lower bound 0, upper bound from the likelihood equation (by sb3, or
// by sb3_fast when fast). negative counts the flows with x (U - x) < 0,
// whose logarithm is not a number.
Candidate fit_sb3(std::span<const double> x, double xmax, int& negative, bool fast = false) {
  Candidate c;
  double U = 0.0, m = 0.0, s = 0.0;
  if (fast)
    sb3_fast(x, U, m, s, xmax);
  else
    sb3(x, U, m, s, xmax);
  c.DELTA = 1.0 / s;
  c.GAMMA = -m / s;
  c.XLAM = U;
  c.XI = 0.0;
  double sum = 0.0;
  negative = 0;
  for (const double v : x) {
    const double h = v * (U - v);
    if (h < 0.0) ++negative;
    sum += std::log(h);
  }
  const double dn = static_cast<double>(x.size());
  c.CR = sum / dn - std::log(c.DELTA * U) + 3.0 / dn;
  if (negative > 0) c.fault = CandidateFault::kNegativeArgument;
  return c;
}

std::span<const double> capped(std::span<const double> flows) {
  return flows.first(std::min<std::size_t>(flows.size(), kMaxFlows));
}

}  // namespace

int select_model(const std::array<double, kModels>& criteria, int nz) {
  // A criterion that is not a number can no more be used than one marked
  // 4000.
  const auto cr = [&criteria](int ITYPE) {
    const double v = criteria[ITYPE - 1];
    return std::isnan(v) ? kUnusable : v;
  };
  int chosen = kLN3;
  if (cr(kLN3) > cr(kLN2)) chosen = kLN2;
  if (cr(chosen) > cr(kSB4)) chosen = kSB4;
  if (cr(kSB3) < cr(chosen)) chosen = kSB3;
  if (nz > 0) {
    // Zero flows: only the models bounded below by 0 can hold them.
    chosen = cr(kSB3) < cr(kLN2) ? kSB3 : kLN2;
  }
  return chosen;
}

Candidate fit_model(int ITYPE, std::span<const double> flows, int nz) {
  const std::span<const double> x = capped(flows);
  if (x.empty()) return Candidate{0, 0, 0, 0, kUnusable, CandidateFault::kNotFitted};
  switch (ITYPE) {
    case kLN3:
      return fit_ln3(x, stats::xmin(x), nz);
    case kLN2:
      return fit_ln2(x);
    case kSB4: {
      Sb4Search s;
      return fit_sb4(x, stats::xmin(x), stats::xmax(x), s);
    }
    case kSB3: {
      int negative = 0;
      return fit_sb3(x, stats::xmax(x), negative);
    }
    default:
      return Candidate{0, 0, 0, 0, kUnusable, CandidateFault::kNotFitted};
  }
}

Candidate refit_model(int ITYPE, std::span<const double> flows, int nz) {
  const std::span<const double> x = capped(flows);
  int negative = 0;
  if (ITYPE == kSB3 && !x.empty()) return fit_sb3(x, stats::xmax(x), negative, true);
  return fit_model(ITYPE, flows, nz);
}

Normalisation normalise(std::span<const double> flows, int nz) {
  Normalisation r;
  const std::span<const double> x = capped(flows);
  const std::size_t n = x.size();
  if (n > 0) {
    const double xmin = stats::xmin(x);
    const double xmax = stats::xmax(x);
    r.raw_mean = stats::xmean(x);
    r.raw_sd = stats::stdev(x, r.raw_mean);
    column(r, kSB4) = fit_sb4(x, xmin, xmax, r.sb4);
    column(r, kLN3) = fit_ln3(x, xmin, nz);
    column(r, kLN2) = fit_ln2(x);
    column(r, kSB3) = fit_sb3(x, xmax, r.sb3_negative);
  } else {
    // Nothing to fit.
    for (Candidate& c : r.candidates) {
      c.CR = kUnusable;
      c.fault = CandidateFault::kNotFitted;
    }
  }

  std::array<double, kModels> criteria{};
  for (int i = 0; i < kModels; ++i) criteria[i] = r.candidates[i].CR;
  FittedDistribution& d = r.fitted;
  d.model = model_of_itype(select_model(criteria, nz));
  const Candidate& chosen = column(r, d.itype());
  d.GAMMA = chosen.GAMMA;
  d.DELTA = chosen.DELTA;
  d.XLAM = chosen.XLAM;
  d.XI = chosen.XI;
  d.zero_share = nz > 0 ? static_cast<double>(nz) / static_cast<double>(n + nz) : 0.0;

  // Transform every flow through a copy: the conversion may move an SB
  // argument into the range and write it back.
  r.IFAULT = kTransformDone;
  r.z.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    double copy = x[i];
    r.IFAULT = d.to_normal(copy, r.z[i]);
    if (r.IFAULT == kOutOfRange) r.failed.push_back(static_cast<int>(i) + 1);
  }
  if (n > 0) {
    r.mean = stats::xmean(r.z);
    r.sd = stats::stdev(r.z, r.mean);
  }
  return r;
}

}  // namespace normalize
