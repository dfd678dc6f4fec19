// Correlogram and partial correlogram.
#pragma once

#include <array>
#include <span>

namespace stats {

constexpr int kMaxLags = 20;

// Number of lags L = min(n / 3, 20), integer division.
inline int nlags(int n) {
  return n / 3 < kMaxLags ? n / 3 : kMaxLags;
}

// r[k-1] and phi[k-1], k = 1..nlags(n): serial and partial serial correlation
// coefficients (divisor n at every lag, Durbin-Levinson recursion). Entries
// past nlags(n) are left as they were; n < 3 writes nothing. A series without
// spread (all values equal, or a one-pass variance that is not positive)
// gets r and phi all 0 instead of a division by zero. When a denominator
// 1 - B of the recursion is exactly 0, that phi and all later ones are 0.
void corr(std::span<const double> x, std::array<double, kMaxLags>& r,
          std::array<double, kMaxLags>& phi);

// The correlogram of a series as the report gives it: L = nlags(n) lags of r
// and phi, the 95% band +/- c = 1.96 / sqrt(n), the Box-Pierce portmanteau
// statistic Q = n (r1^2 + ... + rL^2) with L - `fitted` degrees of freedom
// and its exceedance probability by qchisx (NaN when df <= 0). n >= 3.
struct Correlogram {
  int n = 0;
  int L = 0;
  double c = 0.0;
  std::array<double, kMaxLags> r{}, phi{};
  double Q = 0.0;
  int df = 0;
  double probability = 0.0;
};
Correlogram correlogram(std::span<const double> x, int fitted);

}  // namespace stats
