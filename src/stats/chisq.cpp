// Chi-square goodness of fit to the normal, and the normal and chi-square
// probability routines.
#include "stats/chisq.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "stats/moments.hpp"
#include "stats/single.hpp"

namespace stats {

namespace {

// Room of the private sorted copy in cell.
constexpr std::size_t kMaxValues = 1000;

// Values classified: the first kMaxValues of a longer series.
std::size_t classified(std::span<const double> x) {
  return std::min(x.size(), kMaxValues);
}

// Sturges' rule for the number of classes of n values.
int sturges(std::size_t n) {
  if (n == 0) return 0;
  return static_cast<int>(3.3 * std::log10(static_cast<double>(n)) + 1.0);
}

}  // namespace

void cell(std::span<const double> x, double mean, double sd, std::array<int, kMaxClasses>& counts,
          int& k) {
  const std::size_t n = classified(x);
  k = sturges(n);
  counts.fill(0);
  if (k < 1) return;

  std::array<double, kMaxValues> w{};
  std::copy_n(x.begin(), n, w.begin());
  ssort(std::span<double>(w.data(), n));

  // Upper bounds of classes 1..k-1 at cumulative probabilities 1/k, 2/k, ...
  // (the probability is accumulated, not recomputed). A value equal to a
  // bound is counted in the lower class.
  std::size_t pos = 0;
  int below = 0;
  double p = 0.0;
  for (int j = 0; j < k - 1; ++j) {
    p = p + 1.0 / k;
    const double b = mean + sd * xnorm(p);
    while (pos < n && !(w[pos] > b)) {
      ++counts[j];
      ++pos;
    }
    below += counts[j];
  }
  counts[k - 1] = static_cast<int>(n) - below;
}

double chisq(std::span<const double> x, double mean, double sd, int& ndf) {
  std::array<int, kMaxClasses> counts{};
  int k = 0;
  cell(x, mean, sd, counts, k);
  ndf = k - 3;
  if (k < 1) return 0.0;
  const double e = static_cast<double>(classified(x)) / k;
  const double rec = 1.0 / e;
  double sum = 0.0;
  for (int j = 0; j < k; ++j) {
    const double d = counts[j] - e;
    sum = sum + d * d * rec;
  }
  return sum;
}

ChiSquareTest chi_square_test(std::span<const double> x, double mean, double sd, int extra_fitted) {
  ChiSquareTest t;
  cell(x, mean, sd, t.counts, t.k);
  int ndf = 0;
  t.statistic = chisq(x, mean, sd, ndf);
  t.df = ndf - extra_fitted;
  t.probability = qchisx(t.statistic, t.df);
  return t;
}

double xnorm(double p) {
  if (std::isnan(p)) return p;
  double q = p;
  double sign = -1.0;
  if (!(p <= 0.5)) {
    q = 1.0 - p;
    sign = 1.0;
  }
  // At probability 0 or 1 (or so near that q * q underflows to zero) the
  // logarithm would be infinite and the result NaN: the deviate saturates at
  // the value for the smallest positive q * q instead.
  double qq = q * q;
  if (!(q > 0.0) || !(qq > 0.0)) qq = std::numeric_limits<double>::denorm_min();
  const double t = std::sqrt(-std::log(qq));
  const double t2 = t * t;
  const double num = 2.515517 + 0.802853 * t + 0.010328 * t2;
  const double den = 1.0 + 1.432788 * t + 0.189269 * t2 + 0.001308 * (t2 * t);
  return sign * (t - num / den);
}

double qnormx(double z) {
  // The seven constants of the approximation, rounded to single precision.
  constexpr double a = single(0.2316419f);
  constexpr double b1 = single(0.3193815f);
  constexpr double b2 = single(-0.3565638f);
  constexpr double b3 = single(1.781478f);
  constexpr double b4 = single(-1.821256f);
  constexpr double b5 = single(1.330274f);
  constexpr double c = single(0.3989423f);

  if (z == 0.0) return 0.5;
  if (z > 10.0) return 0.0;
  if (z < -10.0) return 1.0;
  const double u = 1.0 / (1.0 + a * std::fabs(z));
  const double poly = u * (b1 + u * (b2 + u * (b3 + u * (b4 + b5 * u))));
  const double t = c * std::exp(-z * z / 2.0) * poly;
  return z > 0.0 ? t : 1.0 - t;
}

double qchisx(double chi, double df) {
  if (!(df > 0.0)) return std::numeric_limits<double>::quiet_NaN();
  constexpr double third = single(1.0f / 3.0f);
  constexpr double root8 = single(2.828427f);  // sqrt(8)
  const double w = 2.0 / (9.0 * df);
  const double c = std::pow(chi / df, third);
  const double z = (c - (1.0 - w)) / std::sqrt(w);
  const double z2 = z * z;
  const double corr = root8 * (z2 - 1.0) / (3.0 * std::sqrt(df)) - z * (z2 - 3.0) / 4.0;
  const double zc = z - 2.0 / (27.0 * df) * corr;
  return qnormx(zc);
}

}  // namespace stats
