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
  double f = 0.0;
  fdnelm(2, p.data(), f, step.data(), kSb4Search.reqmin, s.it, kSb4Search.maxit, s.ier,
         [&block](int count, const double* q, double& v) { funsb4(*block, count, q, v); });
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
  r.t.ITYPE = select_model(criteria, nz);
  const Candidate& chosen = column(r, r.t.ITYPE);
  r.t.GAMMA = chosen.GAMMA;
  r.t.DELTA = chosen.DELTA;
  r.t.XLAM = chosen.XLAM;
  r.t.XI = chosen.XI;

  // Transform every flow through a copy: snv may move an SB argument into
  // the range and write it back.
  const int family = family_of(r.t.ITYPE);
  r.IFAULT = kTransformDone;
  r.z.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    double copy = x[i];
    r.z[i] = snv(copy, family, r.t.GAMMA, r.t.DELTA, r.t.XLAM, r.t.XI, r.IFAULT);
    if (r.IFAULT == kOutOfRange) r.failed.push_back(static_cast<int>(i) + 1);
  }
  if (n > 0) {
    r.mean = stats::xmean(r.z);
    r.sd = stats::stdev(r.z, r.mean);
  }
  return r;
}

void write_table(format::Writer& ans, const Normalisation& r) {
  const std::array<const char*, 5> labels{"  GA", "  DE", "  XL", "  XI", "  CR"};
  std::vector<format::Item> items{" THE TABLE OF PARAMETERS AND CRITERIA FITTED BY NORMALIZ", "LN3",
                                  "LN2", "SB4", "SB3"};
  for (int row = 0; row < 5; ++row) {
    items.emplace_back(labels[row]);
    for (const Candidate& c : r.candidates) {
      const double v[5] = {c.GAMMA, c.DELTA, c.XLAM, c.XI, c.CR};
      items.emplace_back(v[row]);
    }
  }
  ans.write_items("(1X / 10X A / 13X A 15X A 15X A 15X A / 5(A 4E18.8 /))", items);
  ans.write("(1X A / 2F10.2)", " THE MEAN AND STANDARD DEVIATION OF THE RAW POSITIVE FLOWS",
            r.raw_mean, r.raw_sd);
}

void show_messages(format::Screen& screen, const Normalisation& r) {
  if (r.sb4.out_of_range) {
    screen.out.list("  SB(4) ARG NOT IN RANGE");
    screen.out.list(r.sb4.range_XI, r.sb4.range_x, r.sb4.range_upper);
    screen.pause("Press enter to continue ");
  }
  for (int i = 0; i < r.sb3_negative; ++i) screen.out.list("  SB3 - ARG < 0");
  for (const int obs : r.failed) screen.out.list(" TRANSFORM FAILED AT", obs);
}

void normaliz(std::span<const double> flows, std::span<double> z, Transform& t, int& IFAULT,
              double& mean, double& sd, int nz, cfunsb4& block, format::Writer& ans,
              format::Screen& screen) {
  const Normalisation r = normalise(flows, nz);
  const std::size_t n = r.z.size();
  std::copy_n(flows.begin(), n, block.x.begin());
  block.n = static_cast<int>(n);
  show_messages(screen, r);
  std::copy_n(r.z.begin(), std::min(n, z.size()), z.begin());
  t = r.t;
  IFAULT = r.IFAULT;
  mean = r.mean;
  sd = r.sd;
  write_table(ans, r);
}

}  // namespace normalize
