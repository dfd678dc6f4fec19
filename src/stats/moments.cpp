// Moments and sorting of a series of annual values.
#include "stats/moments.hpp"

#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

namespace stats {

double xmin(std::span<const double> x) {
  if (x.empty()) return std::numeric_limits<double>::quiet_NaN();
  double v = x[0];
  for (double xi : x) {
    if (xi < v) v = xi;
  }
  return v;
}

double xmax(std::span<const double> x) {
  if (x.empty()) return std::numeric_limits<double>::quiet_NaN();
  double v = x[0];
  for (double xi : x) {
    if (xi > v) v = xi;
  }
  return v;
}

// Each term is formed in double and added to an 80-bit running sum; the final
// division (and square root, and subtraction of 3) is done in long double and
// rounded to double once, on return.

double xmean(std::span<const double> x) {
  long double sum = 0.0L;
  for (double xi : x) sum += xi;
  return static_cast<double>(sum / static_cast<long double>(x.size()));
}

double stdev(std::span<const double> x, double xbar) {
  long double sum = 0.0L;
  for (double xi : x) {
    const double d = xi - xbar;
    const double term = d * d;
    sum += term;
  }
  return static_cast<double>(std::sqrt(sum / static_cast<long double>(x.size())));
}

double skew(std::span<const double> x, double xbar, double s) {
  long double sum = 0.0L;
  for (double xi : x) {
    const double d = xi - xbar;
    const double term = d * d * d;
    sum += term;
  }
  const double s3 = s * (s * s);
  const double den = static_cast<double>(x.size()) * s3;
  return static_cast<double>(sum / static_cast<long double>(den));
}

double excess(std::span<const double> x, double xbar, double s) {
  long double sum = 0.0L;
  for (double xi : x) {
    const double d = xi - xbar;
    const double d2 = d * d;
    const double term = d2 * d2;
    sum += term;
  }
  const double s2 = s * s;
  const double s4 = s2 * s2;
  const double den = static_cast<double>(x.size()) * s4;
  return static_cast<double>(sum / static_cast<long double>(den) - 3.0L);
}

// Shell sort with halving gaps. The loop is written with the 1-based
// positions i and l of the algorithm; element i lives at x[i - 1].
void ssort(std::span<double> x) {
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(x.size());
  if (n < 2) return;
  // First gap: the largest power of two not above n.
  std::ptrdiff_t m = 1;
  while (m <= n / 2) m *= 2;
  for (; m >= 1; m /= 2) {
    for (std::ptrdiff_t j = 1; j <= n - m; ++j) {
      std::ptrdiff_t i = j;
      std::ptrdiff_t l = j + m;
      for (;;) {
        if (x[l - 1] > x[i - 1]) break;
        std::swap(x[i - 1], x[l - 1]);  // equal values are exchanged too
        l = i;
        i -= m;
        if (!(i > 1)) break;
      }
    }
  }
}

double quantile_sorted(std::span<const double> sorted, double p) {
  if (sorted.empty()) return std::numeric_limits<double>::quiet_NaN();
  const double h = (static_cast<double>(sorted.size()) - 1.0) * p;
  const std::size_t lo = static_cast<std::size_t>(std::floor(h));
  if (lo + 1 >= sorted.size()) return sorted.back();
  return sorted[lo] + (h - static_cast<double>(lo)) * (sorted[lo + 1] - sorted[lo]);
}

}  // namespace stats
