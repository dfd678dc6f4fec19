#include "generate/process.hpp"

#include <algorithm>
#include <cmath>

namespace generate {

bool roots_outside_unit_circle(double c1, double c2) {
  if (!std::isfinite(c1) || !std::isfinite(c2)) return false;
  // The triangle of the (c1, c2) plane in which both inverse roots have a
  // modulus below 1.
  return c1 + c2 < 1.0 && c2 - c1 < 1.0 && c2 > -1.0;
}

double largest_inverse_root(double c1, double c2) {
  const double disc = c1 * c1 + 4.0 * c2;
  if (disc < 0.0) return std::sqrt(-c2);  // complex pair, modulus^2 = -c2
  const double s = std::sqrt(disc);
  return std::max(std::fabs(0.5 * (c1 + s)), std::fabs(0.5 * (c1 - s)));
}

std::vector<double> autocovariances(const std::array<double, 2>& phi,
                                    const std::array<double, 2>& theta, int max_lag) {
  // With c = (1, -theta1, -theta2) and the first psi weights, gamma(0..2)
  // solve
  //   gamma(k) - phi1 gamma(k-1) - phi2 gamma(k-2) = sum_{j=k..2} c(j) psi(j-k)
  // for k = 0, 1, 2 (gamma(-k) = gamma(k)); later lags follow the AR part.
  const double p1 = phi[0], p2 = phi[1];
  const double c1 = -theta[0], c2 = -theta[1];
  const double psi1 = p1 + c1;
  const double psi2 = p1 * psi1 + p2 + c2;
  const double r0 = 1.0 + c1 * psi1 + c2 * psi2;
  const double r1 = c1 + c2 * psi1;
  const double r2 = c2;
  const double a[3][3] = {{1.0, -p1, -p2}, {-p1, 1.0 - p2, 0.0}, {-p2, -p1, 1.0}};
  const double r[3] = {r0, r1, r2};
  auto det3 = [](const double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  };
  const double d = det3(a);
  std::vector<double> g(static_cast<std::size_t>(std::max(max_lag, 2)) + 1, 0.0);
  for (int col = 0; col < 3; ++col) {
    double m[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) m[i][j] = j == col ? r[i] : a[i][j];
    g[col] = det3(m) / d;
  }
  for (std::size_t k = 3; k < g.size(); ++k) g[k] = p1 * g[k - 1] + p2 * g[k - 2];
  g.resize(static_cast<std::size_t>(std::max(max_lag, 0)) + 1);
  return g;
}

int default_warmup(const std::array<double, 2>& phi) {
  constexpr int kLeast = 100, kMost = 10000;
  const double r = largest_inverse_root(phi[0], phi[1]);
  if (!(r > 0.0)) return kLeast;
  if (!(r < 1.0)) return kMost;
  // r^(2W) < 1e-6  <=>  W > ln(1e-6) / (2 ln r).
  const double w = std::ceil(std::log(1e-6) / (2.0 * std::log(r)));
  if (w >= kMost) return kMost;
  return std::max(kLeast, static_cast<int>(w));
}

Process::Process(const Model& m) : phi_(m.phi), theta_(m.theta), distribution_(m.distribution) {
  sigma_ = 1.0 / std::sqrt(autocovariances(phi_, theta_, 0)[0]);
}

double Process::flow(double z) const {
  return distribution_.from_normal(z);
}

void Process::run(stats::RandomStream& s, long warmup, std::span<double> z,
                  std::span<double> flows) const {
  double z1 = 0.0, z2 = 0.0, a1 = 0.0, a2 = 0.0;
  const long n = static_cast<long>(z.size());
  const bool zeros = distribution_.zero_share > 0.0;
  for (long step = -warmup; step < n; ++step) {
    const double a = sigma_ * s.normal();
    const double zt = phi_[0] * z1 + phi_[1] * z2 + a - theta_[0] * a1 - theta_[1] * a2;
    z2 = z1;
    z1 = zt;
    a2 = a1;
    a1 = a;
    const bool dry = zeros && s.uniform() < distribution_.zero_share;
    if (step >= 0) {
      z[step] = zt;
      flows[step] = dry ? 0.0 : flow(zt);
    }
  }
}

}  // namespace generate
