// Correlogram and partial correlogram.
#include "stats/corr.hpp"

#include <cmath>
#include <cstddef>

#include "stats/chisq.hpp"

namespace stats {

void corr(std::span<const double> x, std::array<double, kMaxLags>& r,
          std::array<double, kMaxLags>& phi) {
  const std::size_t n = x.size();
  // Sixty values already give the most lags.
  const int lags = n >= 60 ? kMaxLags : nlags(static_cast<int>(n));
  if (lags < 1) return;

  // Mean and scale in one pass.
  double s1 = 0.0;
  double s2 = 0.0;
  bool constant = true;
  for (std::size_t i = 0; i < n; ++i) {
    s1 = s1 + x[i];
    s2 = s2 + x[i] * x[i];
    if (x[i] != x[0]) constant = false;
  }
  const double dn = static_cast<double>(n);
  const double m = s1 / dn;
  const double s = std::sqrt(s2 / dn - m * m);
  const double f = 1.0 / (dn * s * s);

  // A series without spread has no correlation structure: its coefficients
  // are reported as 0 rather than as a quotient by a zero (or a rounding
  // remnant of zero) variance.
  if (constant || !(s > 0.0) || !std::isfinite(f)) {
    for (int k = 0; k < lags; ++k) {
      r[k] = 0.0;
      phi[k] = 0.0;
    }
    return;
  }

  // Serial correlation coefficients, divisor n at every lag.
  for (int k = lags; k >= 1; --k) {
    double sum = 0.0;
    for (std::size_t i = 0; i + static_cast<std::size_t>(k) < n; ++i) {
      sum = sum + (x[i] - m) * (x[i + k] - m);
    }
    r[k - 1] = f * sum;
  }

  // Partial serial correlation coefficients by the Durbin-Levinson
  // recursion; a[j - 1] is the lag-j coefficient of the current
  // autoregression.
  std::array<double, kMaxLags> a{};
  std::array<double, kMaxLags> next{};
  phi[0] = r[0];
  a[0] = r[0];
  for (int k = 2; k <= lags; ++k) {
    double sa = 0.0;
    double sb = 0.0;
    for (int j = 1; j <= k - 1; ++j) {
      sa = sa + a[j - 1] * r[k - j - 1];
      sb = sb + a[j - 1] * r[j - 1];
    }
    const double den = 1.0 - sb;
    if (den == 0.0) {
      // The autoregression of order k - 1 already fits exactly: the higher
      // partial coefficients are not defined and are reported as 0.
      for (int j = k; j <= lags; ++j) phi[j - 1] = 0.0;
      return;
    }
    phi[k - 1] = (r[k - 1] - sa) / den;
    // All new coefficients are formed from the old ones before any is stored.
    for (int j = 1; j <= k - 1; ++j) next[j - 1] = a[j - 1] - phi[k - 1] * a[k - j - 1];
    for (int j = 1; j <= k - 1; ++j) a[j - 1] = next[j - 1];
    a[k - 1] = phi[k - 1];
  }
}

Correlogram correlogram(std::span<const double> x, int fitted) {
  Correlogram c;
  c.n = static_cast<int>(x.size());
  c.L = nlags(c.n);
  c.c = 1.96 / std::sqrt(static_cast<double>(c.n));
  corr(x, c.r, c.phi);
  double s = 0.0;
  for (int k = 0; k < c.L; ++k) s += c.r[k] * c.r[k];
  c.Q = c.n * s;
  c.df = c.L - fitted;
  c.probability = qchisx(c.Q, static_cast<double>(c.df));
  return c;
}

}  // namespace stats
