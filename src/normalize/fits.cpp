// Lognormal and Johnson SB fits.
//
// Each routine works on at most kMaxFlows values (the capacity of the shared
// block and of the work arrays); longer series are cut to that length.
#include "normalize/fits.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "stats/moments.hpp"

namespace normalize {

namespace {

using Work = std::array<double, kMaxFlows>;

std::size_t capped(std::size_t n) {
  return std::min<std::size_t>(n, kMaxFlows);
}

// Both root searches try at most this many doubling steps and halvings.
constexpr int kMaxTries = 200;

}  // namespace

double fnlog(std::span<const double> x, double& GAMMA, double& DELTA, double XI) {
  const std::size_t n = capped(x.size());
  Work y;
  double s1 = 0.0;
  double s0 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double d = x[i] - XI;
    y[i] = std::log(d);
    s1 += y[i] / d;
    s0 += 1.0 / d;
  }
  const std::span<const double> ys(y.data(), n);
  const double m = stats::xmean(ys);
  const double s = stats::stdev(ys, m);
  DELTA = 1.0 / s;
  GAMMA = -m / s;
  // Zero at the maximum-likelihood lower bound of the lognormal.
  return s1 + (s * s - m) * s0;
}

void ln3(std::span<const double> x, double& GAMMA, double& DELTA, double& XI, double xmin) {
  // Bracket a root of F below the smallest flow, from xmin - 0.01 outward
  // by doubling steps.
  double a = xmin - 0.01;
  const double fa = fnlog(x, GAMMA, DELTA, a);
  double b = a;
  double fb = fa;
  double step = 1.0;
  for (int k = 0; k < kMaxTries; ++k) {
    b = xmin - step;
    fb = fnlog(x, GAMMA, DELTA, b);
    if (fa * fb < 0.0) break;
    step *= 2.0;
  }
  // Bisection, keeping the value at end b.
  double mid = a;
  for (int k = 0; k < kMaxTries; ++k) {
    mid = (a + b) * 0.5;
    const double v = fnlog(x, GAMMA, DELTA, mid);
    if (std::fabs(v) < 1e-8) break;
    const double p = fb * v;
    if (p == 0.0 || std::isnan(p)) break;
    if (p < 0.0) {
      a = mid;
    } else {
      b = mid;
      fb = v;
    }
  }
  // GAMMA and DELTA are those of the last call, at mid.
  XI = mid;
}

void funsb4(cfunsb4& c, int /*count*/, const double* p, double& f) {
  const std::size_t n = capped(static_cast<std::size_t>(std::max(c.n, 0)));
  // XI strictly inside its limits, the upper bound above xmax + 1.
  const double XI = rev(c.xi_lo, c.xi_hi, p[0]);
  const double XLAM = std::exp(p[1]) + c.upper_base - XI;
  const double hi = XI + XLAM;
  Work y;
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    y[i] = flogit(XI, hi, c.x[i]);
    sum += y[i];
  }
  const double dn = static_cast<double>(n);
  const double m = sum / dn;
  double ss = 0.0;
  for (std::size_t i = 0; i < n; ++i) ss += (y[i] - m) * (y[i] - m);
  const double s = std::sqrt(ss / dn);
  const double GAMMA = -m / s;
  const double DELTA = 1.0 / s;
  // Negative log-likelihood per observation, without its constant.
  double sz = 0.0;
  double sg = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double z = GAMMA + DELTA * y[i];
    sz += z * z;
    sg += std::log((c.x[i] - XI) * (hi - c.x[i]));
  }
  f = sz / (2.0 * dn) - std::log(XLAM * DELTA) + sg / dn;
  c.XI = XI;
  c.upper = hi;
  c.GAMMA = GAMMA;
  c.DELTA = DELTA;
}

double sbroot(std::span<const double> x, double& m, double& s, double U) {
  const std::size_t n = capped(x.size());
  Work y;
  for (std::size_t i = 0; i < n; ++i) y[i] = flogit(0.0, U, x[i]);
  const std::span<const double> ys(y.data(), n);
  m = stats::xmean(ys);
  s = stats::stdev(ys, m);
  // The likelihood equation of SB(3) in its upper bound.
  const double s2 = s * s;
  double g = 0.0;
  for (std::size_t i = 0; i < n; ++i) g += ((y[i] - m) / s2 - 1.0) / (U - x[i]);
  return g + static_cast<double>(n) / U;
}

void sb3(std::span<const double> x, double& U, double& m, double& s, double xmax) {
  // The scheme of ln3, mirrored above the largest flow.
  double a = xmax + 0.01;
  const double ga = sbroot(x, m, s, a);
  double b = a;
  double gb = ga;
  double step = 1.0;
  for (int k = 0; k < kMaxTries; ++k) {
    b = xmax + step;
    gb = sbroot(x, m, s, b);
    if (ga * gb < 0.0) break;
    step *= 2.0;
  }
  double mid = a;
  for (int k = 0; k < kMaxTries; ++k) {
    mid = (a + b) * 0.5;
    const double v = sbroot(x, m, s, mid);
    if (std::fabs(v) < 1e-15) break;
    const double p = gb * v;
    if (p == 0.0 || std::isnan(p)) break;
    if (p < 0.0) {
      a = mid;
    } else {
      b = mid;
      gb = v;
    }
  }
  // A root beyond 1e8 means no useful upper bound: take three times the
  // largest flow instead.
  U = mid <= 100000000.0 ? mid : 3.0 * xmax;
  sbroot(x, m, s, U);
}

}  // namespace normalize
