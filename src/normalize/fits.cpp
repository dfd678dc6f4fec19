// Lognormal and Johnson SB fits.
//
// Each routine works on at most kMaxFlows values (the capacity of the shared
// block and of the work arrays); longer series are cut to that length.
#include "normalize/fits.hpp"

#include <algorithm>
#include <array>
#include <boost/math/tools/toms748_solve.hpp>
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
// An SB(3) upper bound beyond this is no bound: three times the largest flow
// is taken instead.
constexpr double kNoUpperBound = 100000000.0;

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

namespace {

// The two ends of a root search and f there.
struct Bracket {
  double a, fa, b, fb;
};

// From the near end `a`, far ends origin + sign * step are tried with steps
// 1, 2, 4, ... (at most 200 tries) until f changes sign; without a change the
// last end tried is kept.
template <class F>
Bracket find_bracket(const F& f, double a, double origin, double sign) {
  Bracket r{a, f(a), a, 0.0};
  r.fb = r.fa;
  double step = 1.0;
  for (int k = 0; k < kMaxTries; ++k) {
    r.b = origin + sign * step;
    r.fb = f(r.b);
    if (r.fa * r.fb < 0.0) break;
    step *= 2.0;
  }
  return r;
}

// The root search both one-bound fits use: the bracket of find_bracket, then
// at most 200 halvings, keeping the value at the far end, until |f| < tol or
// the product of the two values is zero or not a number. Returns the last
// midpoint, the point of the last call of f.
template <class F>
double bracket_and_bisect(const F& f, double near, double origin, double sign, double tol) {
  const Bracket r = find_bracket(f, near, origin, sign);
  double a = r.a;
  double b = r.b;
  double fb = r.fb;
  double mid = a;
  for (int k = 0; k < kMaxTries; ++k) {
    mid = (a + b) * 0.5;
    const double v = f(mid);
    if (std::fabs(v) < tol) break;
    const double p = fb * v;
    if (p == 0.0 || std::isnan(p)) break;
    if (p < 0.0) {
      a = mid;
    } else {
      b = mid;
      fb = v;
    }
  }
  return mid;
}

}  // namespace

void ln3(std::span<const double> x, double& GAMMA, double& DELTA, double& XI, double xmin) {
  // A root of F below the smallest flow; GAMMA and DELTA are those of the
  // last call, at the returned bound.
  XI = bracket_and_bisect([&](double t) { return fnlog(x, GAMMA, DELTA, t); }, xmin - 0.01, xmin,
                          -1.0, 1e-8);
}

void funsb4(cfunsb4& c, int /*count*/, const double* p, double& f) {
  const std::size_t n = capped(static_cast<std::size_t>(std::max(c.n, 0)));
  // XI strictly inside its limits, the upper bound above xmax + 1.
  const double XI = rev(c.xi_lo, c.xi_hi, p[0]);
  // The upper bound is formed once and used as it is; XLAM is derived from
  // it (adding XI back to XLAM could differ from it in the last bit).
  const double hi = std::exp(p[1]) + c.upper_base;
  const double XLAM = hi - XI;
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
  const double root = bracket_and_bisect([&](double u) { return sbroot(x, m, s, u); }, xmax + 0.01,
                                         xmax, 1.0, 1e-15);
  // A root beyond 1e8 means no useful upper bound: take three times the
  // largest flow instead.
  U = root <= kNoUpperBound ? root : 3.0 * xmax;
  sbroot(x, m, s, U);
}

void sb3_fast(std::span<const double> x, double& U, double& m, double& s, double xmax) {
  const auto g = [&](double u) { return sbroot(x, m, s, u); };
  const Bracket r = find_bracket(g, xmax + 0.01, xmax, 1.0);
  double root = r.b;
  if (r.fa * r.fb < 0.0) {
    const auto ends = std::minmax(r.a, r.b);
    boost::uintmax_t iterations = kMaxTries;
    const auto found = boost::math::tools::toms748_solve(
        g, ends.first, ends.second, boost::math::tools::eps_tolerance<double>(44), iterations);
    root = 0.5 * (found.first + found.second);
  }
  U = root <= kNoUpperBound ? root : 3.0 * xmax;
  sbroot(x, m, s, U);
}

}  // namespace normalize
