// Correlogram and partial correlogram.
#pragma once

#include <array>
#include <span>

namespace stats {

constexpr int kMaxLags = 20;

// Number of lags L = min(n / 3, 20), integer division.
inline int nlags(int n) { return n / 3 < kMaxLags ? n / 3 : kMaxLags; }

// r[k-1] and phi[k-1], k = 1..nlags(n): serial and partial serial correlation
// coefficients (divisor n at every lag, Durbin-Levinson recursion).
void corr(std::span<const double> x, std::array<double, kMaxLags>& r,
          std::array<double, kMaxLags>& phi);

}  // namespace stats
