// Exact probabilities beside the report's approximations, and the exact
// Gaussian likelihood of the chosen ARMA model.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "findings/parts.hpp"

namespace findings {

ExactChiSquare exact_chi_square(std::span<const double> sorted, double mean, double sd,
                                const stats::ChiSquareTest& report) {
  ExactChiSquare e;
  e.k = report.k;
  e.df = report.df;
  e.statistic_report = report.statistic;
  e.probability_report = report.probability;
  if (e.df <= 0) e.probability_note = "no degrees of freedom left (too few flows for the classes)";
  // The report's test classifies at most the first 1000 values.
  const std::size_t n = std::min<std::size_t>(sorted.size(), 1000);
  if (e.k < 1 || n == 0) {
    e.note = "no flows to classify";
    return e;
  }
  if (!(sd > 0.0) || !std::isfinite(sd) || !std::isfinite(mean)) {
    e.note = "the values have no spread";
    return e;
  }
  e.available = true;
  // Classes of equal probability with bounds at the exact quantiles j / k; a
  // value on a bound belongs to the lower class, as in the report's test.
  std::size_t pos = 0;
  for (int j = 1; j < e.k; ++j) {
    const double b = mean + sd * normal_quantile(static_cast<double>(j) / e.k);
    while (pos < n && !(sorted[pos] > b)) {
      ++e.counts_exact[j - 1];
      ++pos;
    }
  }
  e.counts_exact[e.k - 1] = static_cast<int>(n - pos);
  const double expected = static_cast<double>(n) / e.k;
  double sum = 0.0;
  for (int j = 0; j < e.k; ++j) {
    const double d = e.counts_exact[j] - expected;
    sum += d * d / expected;
  }
  e.statistic_exact = sum;
  if (e.df > 0) e.probability_exact = chi_square_upper(sum, e.df);
  return e;
}

ExactPortmanteau exact_portmanteau(const stats::Correlogram& c) {
  ExactPortmanteau e;
  if (c.n < 3) {
    e.note = "no correlogram";
    return e;
  }
  e.available = true;
  e.L = c.L;
  e.df = c.df;
  e.Q = c.Q;
  e.probability_report = c.probability;
  if (e.df > 0)
    e.probability_exact = chi_square_upper(c.Q, e.df);
  else
    e.probability_note = "no degrees of freedom left (as many parameters as lags)";
  return e;
}

std::vector<std::pair<double, double>> reciprocal_roots(int m, const std::array<double, 2>& c) {
  if (m <= 0) return {};
  if (m == 1) return {{c[0], 0.0}};
  // L^2 - c1 L - c2 = 0.
  const double disc = c[0] * c[0] + 4.0 * c[1];
  if (disc >= 0.0) {
    const double s = std::sqrt(disc);
    return {{(c[0] + s) / 2.0, 0.0}, {(c[0] - s) / 2.0, 0.0}};
  }
  const double im = std::sqrt(-disc) / 2.0;
  return {{c[0] / 2.0, im}, {c[0] / 2.0, -im}};
}

Roots model_roots(int p, int q, const std::array<double, 2>& phi,
                  const std::array<double, 2>& theta) {
  Roots r;
  r.ar = reciprocal_roots(p, phi);
  r.ma = reciprocal_roots(q, theta);
  for (const auto& [re, im] : r.ar) r.ar_modulus = std::max(r.ar_modulus, std::hypot(re, im));
  for (const auto& [re, im] : r.ma) r.ma_modulus = std::max(r.ma_modulus, std::hypot(re, im));
  // A root at 0 is no factor (the coefficient of that lag is 0).
  for (const auto& [ar, ai] : r.ar) {
    if (ar == 0.0 && ai == 0.0) continue;
    for (const auto& [mr, mi] : r.ma) {
      if (mr == 0.0 && mi == 0.0) continue;
      const double d = std::hypot(ar - mr, ai - mi);
      if (std::isnan(r.closest) || d < r.closest) r.closest = d;
    }
  }
  return r;
}

namespace {

// State dimension of the filter: max(p, q + 1) <= 3.
constexpr int kMaxState = 3;
using Mat = std::array<std::array<double, kMaxState>, kMaxState>;

// Solves A y = b (m unknowns, m <= 9) by Gaussian elimination with partial
// pivoting; false when A is singular.
template <std::size_t M>
bool solve(std::array<std::array<double, M>, M>& A, std::array<double, M>& b, int m) {
  for (int c = 0; c < m; ++c) {
    int piv = c;
    for (int i = c + 1; i < m; ++i)
      if (std::fabs(A[i][c]) > std::fabs(A[piv][c])) piv = i;
    if (!(std::fabs(A[piv][c]) > 1e-12)) return false;
    std::swap(A[piv], A[c]);
    std::swap(b[piv], b[c]);
    for (int i = c + 1; i < m; ++i) {
      const double f = A[i][c] / A[c][c];
      for (int j = c; j < m; ++j) A[i][j] -= f * A[c][j];
      b[i] -= f * b[c];
    }
  }
  for (int i = m - 1; i >= 0; --i) {
    double s = b[i];
    for (int j = i + 1; j < m; ++j) s -= A[i][j] * b[j];
    b[i] = s / A[i][i];
  }
  return true;
}

}  // namespace

double exact_loglik(std::span<const double> z, int p, int q, const std::array<double, 2>& phi,
                    const std::array<double, 2>& theta, double& sigma2, std::string& why) {
  sigma2 = kMissing;
  why.clear();
  const std::size_t n = z.size();
  if (n == 0) {
    why = "no values";
    return kMissing;
  }
  for (const auto& [re, im] : reciprocal_roots(p, phi)) {
    if (std::hypot(re, im) >= 1.0) {
      why = "the AR part is not stationary: the exact likelihood does not exist";
      return kMissing;
    }
  }
  // State space form: state a(t) of dimension r, z(t) its first element;
  // a(t+1) = T a(t) + R e(t+1), T with phi in its first column and ones above
  // the diagonal, R = (1, -theta1, -theta2) (the model subtracts its MA terms).
  const int r = std::max(p, q + 1);
  Mat T{};
  for (int i = 0; i < p; ++i) T[i][0] = phi[i];
  for (int i = 0; i + 1 < r; ++i) T[i][i + 1] = 1.0;
  std::array<double, kMaxState> R{1.0, 0.0, 0.0};
  for (int j = 0; j < q; ++j) R[j + 1] = -theta[j];

  // The stationary covariance P = T P T' + R R', by its r^2 linear equations.
  constexpr std::size_t M = kMaxState * kMaxState;
  std::array<std::array<double, M>, M> A{};
  std::array<double, M> b{};
  const int m = r * r;
  for (int i = 0; i < r; ++i)
    for (int j = 0; j < r; ++j) {
      const int row = i * r + j;
      A[row][row] += 1.0;
      for (int k = 0; k < r; ++k)
        for (int l = 0; l < r; ++l) A[row][k * r + l] -= T[i][k] * T[j][l];
      b[row] = R[i] * R[j];
    }
  if (!solve(A, b, m)) {
    why = "the AR part is not stationary: the exact likelihood does not exist";
    return kMissing;
  }
  Mat P{};
  for (int i = 0; i < r; ++i)
    for (int j = 0; j < r; ++j) P[i][j] = b[i * r + j];

  std::array<double, kMaxState> a{};
  double ssq = 0.0;
  double sumlog = 0.0;
  for (std::size_t t = 0; t < n; ++t) {
    const double F = P[0][0];
    if (!(F > 0.0) || !std::isfinite(F)) {
      why = "the innovation variance of the filter vanished";
      return kMissing;
    }
    const double v = z[t] - a[0];
    ssq += v * v / F;
    sumlog += std::log(F);
    // Update with z(t), then predict the next state.
    std::array<double, kMaxState> au{};
    Mat Pu{};
    for (int i = 0; i < r; ++i) {
      au[i] = a[i] + P[i][0] * v / F;
      for (int j = 0; j < r; ++j) Pu[i][j] = P[i][j] - P[i][0] * P[0][j] / F;
    }
    for (int i = 0; i < r; ++i) {
      a[i] = 0.0;
      for (int k = 0; k < r; ++k) a[i] += T[i][k] * au[k];
    }
    Mat TP{};
    for (int i = 0; i < r; ++i)
      for (int j = 0; j < r; ++j)
        for (int k = 0; k < r; ++k) TP[i][j] += T[i][k] * Pu[k][j];
    for (int i = 0; i < r; ++i)
      for (int j = 0; j < r; ++j) {
        double s = R[i] * R[j];
        for (int k = 0; k < r; ++k) s += TP[i][k] * T[j][k];
        P[i][j] = s;
      }
  }
  const double dn = static_cast<double>(n);
  sigma2 = ssq / dn;
  if (!(sigma2 > 0.0)) {
    why = "the series has no variance";
    return kMissing;
  }
  return -0.5 * (dn * std::log(sigma2) + sumlog + dn + dn * std::log(2.0 * std::numbers::pi));
}

Likelihood likelihood(const results::GaugeResult& r) {
  Likelihood l;
  if (!r.complete()) {
    l.note = r.extent == results::Extent::kLagRefused
                 ? "the lag check stopped the ARMA identification: no model was chosen"
                 : "no ARMA model was fitted (zero flows, fewer than 3 flows or no spread)";
    return l;
  }
  l.available = true;
  l.p = r.p;
  l.q = r.q;
  l.roots = model_roots(r.p, r.q, r.phi, r.theta);
  std::string why;
  l.model = exact_loglik(r.z, r.p, r.q, r.phi, r.theta, l.sigma2, why);
  if (std::isnan(l.model)) l.note = why;
  double s2 = 0.0;
  std::string why0;
  l.white_noise = exact_loglik(r.z, 0, 0, {}, {}, s2, why0);
  if (std::isnan(l.white_noise) && l.note.empty()) l.note = why0;
  return l;
}

}  // namespace findings
