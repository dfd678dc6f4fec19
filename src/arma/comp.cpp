#include "arma/comp.hpp"

#include <cmath>

#include "arma/random.hpp"
#include "stats/moments.hpp"

namespace arma {

namespace {

constexpr int kSynthetic = kSamples - 1;           // synthetic series per call
constexpr int kWarmUp = 25;                        // steps discarded before each series
constexpr double kAverage = 0.024390243902439025;  // 1/41
constexpr double kVarFloor = 1.0e-6;

}  // namespace

void rnkdef(std::span<const double> x, double m, deftab& table, int sample) {
  const int n = static_cast<int>(x.size()) < kMaxN ? static_cast<int>(x.size()) : kMaxN;
  // Every flow can end a run, so there are at most n + 1 of them.
  std::array<double, kMaxN + 1> runmax;
  for (int i = 1; i <= kLevels; ++i) {
    const double c = m * (2 * i + 3) * 0.1;
    runmax.fill(0.0);
    int j = 0;  // index of the current run
    double s = 0.0;
    for (int k = 0; k < n; ++k) {
      s = s + c - x[k];
      if (s <= 0.0) {
        ++j;
        s = 0.0;
      } else if (s > runmax[j]) {
        runmax[j] = s;
      }
    }
    // Runs without a deficit (maximum 0) sort below all others and only
    // fill the table with zeros: leave them out of the sort, which is slow
    // on many equal values.
    int runs = 0;
    for (int r = 0; r <= j; ++r)
      if (runmax[r] > 0.0) runmax[runs++] = runmax[r];
    stats::ssort(std::span<double>(runmax.data(), runs));
    auto& filed = table[sample][i - 1];
    for (int r = 0; r < kFiled; ++r) filed[r] = r < runs ? runmax[runs - 1 - r] : 0.0;
  }
}

void comp(const std::array<double, 2>& phi, const std::array<double, 2>& theta, int n, double& dist,
          const normalize::cfunsb4& flows, const normalize::Transform& t, stdat& s, deftab& table) {
  s.ix = 31415;
  s.iy = 26543;
  s.iz = 14159;
  if (n > kMaxN) n = kMaxN;

  const std::span<const double> observed(flows.x.data(), flows.n);
  const double m = stats::xmean(observed);
  rnkdef(observed, m, table, 0);

  const int family = normalize::family_of(t.ITYPE);
  std::array<double, kMaxN> y;
  for (int sample = 1; sample <= kSynthetic; ++sample) {
    double z1 = 0.0, z2 = 0.0, a1 = 0.0, a2 = 0.0;
    for (int step = 0; step < kWarmUp + n; ++step) {
      const double a = anorm(s);
      const double z = a + phi[0] * z1 + phi[1] * z2 - theta[0] * a1 - theta[1] * a2;
      z2 = z1;
      z1 = z;
      a2 = a1;
      a1 = a;
      if (step >= kWarmUp) {
        int IFAULT = 0;
        y[step - kWarmUp] = normalize::ajv(z, family, t.GAMMA, t.DELTA, t.XLAM, t.XI, IFAULT);
      }
    }
    rnkdef(std::span<const double>(y.data(), n), m, table, sample);
  }

  dist = 0.0;
  for (int i = 0; i < kLevels; ++i) {
    const double o = table[0][i][0];
    if (!(o > 0.0)) continue;
    double sum = 0.0;
    for (int sample = 1; sample <= kSynthetic; ++sample) sum += table[sample][i][0];
    const double mean = kAverage * sum;
    double ss = 0.0;
    for (int sample = 1; sample <= kSynthetic; ++sample) {
      const double d = table[sample][i][0] - mean;
      ss += d * d;
    }
    const double v = kAverage * ss;
    if (v > kVarFloor) {
      const double d = mean - o;
      dist = dist + 1.0 + std::sqrt(d * d / v);
    }
  }
}

}  // namespace arma
