#include "arma/comp.hpp"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "arma/random.hpp"
#include "stats/moments.hpp"

namespace arma {

namespace {

constexpr int kSynthetic = kSamples - 1;           // synthetic series per call
constexpr int kWarmUp = 25;                        // steps discarded before each series
constexpr double kAverage = 0.024390243902439025;  // 1/41
constexpr double kVarFloor = 1.0e-6;
constexpr int kSeedX = 31415, kSeedY = 26543, kSeedZ = 14159;

// The standard normal deviates of the diagnostics, in the order drawn from
// the fixed seeds: enough for the longest series. Every call of comp starts
// from the same seeds and so draws a prefix of this stream; it is computed
// once, on first use, and never changes.
const std::vector<double>& fixed_deviates() {
  static const std::vector<double> deviates = [] {
    std::vector<double> z(static_cast<std::size_t>(kSynthetic) * (kWarmUp + kMaxN));
    Seeds s{kSeedX, kSeedY, kSeedZ};
    for (double& v : z) v = anorm(s);
    return z;
  }();
  return deviates;
}

// Two doubles side by side (a GCC/Clang vector): each lane does exactly the
// arithmetic of one double, so the results are those of the scalar code.
using Pair = double __attribute__((vector_size(16)));

// One flow of the deficit run at one demand c, for a double or a Pair: the
// deficit s restarts from zero where it falls to zero or below (a zero of
// either sign adds nothing to the next step), and best keeps the largest
// value it reaches.
template <class V>
inline void deficit_step(V& s, V& best, double c, V x) {
  const V v = s + c - x;
  best = v > best ? v : best;
  s = V{} > v ? V{} : v;
}

// The largest deficit at each demand level of `count` series of n flows held
// interleaved (flow k of series j at y[k * count + j]),
// filed under table[first + j]; 0 when the deficit never rises above zero.
// The series are independent, so all of them step side by side, two at a
// time, instead of one long dependent chain each.
void largest_deficits(const double* y, int count, int n, double m, DeficitTable& table, int first) {
  std::array<double, kLevels> c{};
  for (int i = 1; i <= kLevels; ++i) c[i - 1] = m * (2 * i + 3) * 0.1;
  constexpr int kPairs = (kSamples + 1) / 2;
  std::array<std::array<Pair, kPairs>, kLevels> s{};
  std::array<std::array<Pair, kPairs>, kLevels> best{};
  const int pairs = count / 2;
  for (int k = 0; k < n; ++k) {
    const double* row = y + static_cast<std::ptrdiff_t>(k) * count;
    for (int i = 0; i < kLevels; ++i) {
      for (int j = 0; j < pairs; ++j) {
        Pair x;
        std::memcpy(&x, row + 2 * j, sizeof x);
        deficit_step(s[i][j], best[i][j], c[i], x);
      }
      if (count % 2 != 0) {
        // The last series alone, in the first lane of the last pair.
        double sl = s[i][pairs][0];
        double bl = best[i][pairs][0];
        deficit_step(sl, bl, c[i], row[count - 1]);
        s[i][pairs][0] = sl;
        best[i][pairs][0] = bl;
      }
    }
  }
  for (int j = 0; j < count; ++j)
    for (int i = 0; i < kLevels; ++i) table[first + j][i] = best[i][j / 2][j % 2];
}

}  // namespace

void rnkdef(std::span<const double> x, double m, DeficitTable& table, int sample) {
  const int n = static_cast<int>(x.size()) < kMaxN ? static_cast<int>(x.size()) : kMaxN;
  largest_deficits(x.data(), 1, n, m, table, sample);
}

void comp(const std::array<double, 2>& phi, const std::array<double, 2>& theta, int n, double& dist,
          const normalize::cfunsb4& flows, const normalize::FittedDistribution& t, Seeds& s,
          DeficitTable& table) {
  if (n > kMaxN) n = kMaxN;
  const int len = kWarmUp + n;  // deviates per series
  // The seeds as the draws below leave them.
  s = {kSeedX, kSeedY, kSeedZ};
  advance(s, static_cast<long long>(kSynthetic) * len);

  const std::span<const double> observed(flows.x.data(), flows.n);
  const double m = stats::xmean(observed);
  rnkdef(observed, m, table, 0);

  // The synthetic series side by side, step by step, two at a time: series
  // j draws the j-th block of len deviates. The first kWarmUp steps are
  // discarded; the others are kept interleaved, z of step k of series j at
  // y[k * 41 + j]. The lane after the last series runs on zeros.
  const double* deviate = fixed_deviates().data();
  std::vector<double> y(static_cast<std::size_t>(kSynthetic) * n);
  constexpr int kPairs = (kSynthetic + 1) / 2;
  std::array<Pair, kPairs> z1{}, z2{}, a1{}, a2{};
  const auto deviate_of = [&](int j, int step) {
    return j < kSynthetic ? deviate[static_cast<std::ptrdiff_t>(j) * len + step] : 0.0;
  };
  for (int step = 0; step < len; ++step) {
    double* row = step < kWarmUp
                      ? nullptr
                      : y.data() + static_cast<std::ptrdiff_t>(step - kWarmUp) * kSynthetic;
    for (int j = 0; j < kPairs; ++j) {
      const Pair a = {deviate_of(2 * j, step), deviate_of(2 * j + 1, step)};
      const Pair z = a + phi[0] * z1[j] + phi[1] * z2[j] - theta[0] * a1[j] - theta[1] * a2[j];
      z2[j] = z1[j];
      z1[j] = z;
      a2[j] = a1[j];
      a1[j] = a;
      if (row != nullptr) {
        row[2 * j] = z[0];
        if (2 * j + 1 < kSynthetic) row[2 * j + 1] = z[1];
      }
    }
  }
  // Into flow units.
  t.from_normal(y);
  largest_deficits(y.data(), kSynthetic, n, m, table, 1);

  dist = 0.0;
  for (int i = 0; i < kLevels; ++i) {
    const double o = table[0][i];
    if (!(o > 0.0)) continue;
    double sum = 0.0;
    for (int sample = 1; sample <= kSynthetic; ++sample) sum += table[sample][i];
    const double mean = kAverage * sum;
    double ss = 0.0;
    for (int sample = 1; sample <= kSynthetic; ++sample) {
      const double d = table[sample][i] - mean;
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
