#include "generate/process.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/files.hpp"

namespace {

using generate::Model;
using generate::Process;
using Stream = stats::RandomStream;
using Coefficients = std::array<double, 2>;

struct Roots {
  double c1, c2;
  bool outside;
};
void PrintTo(const Roots& r, std::ostream* os) {
  *os << r.c1 << ", " << r.c2;
}

class UnitCircle : public ::testing::TestWithParam<Roots> {};

// The triangle test agrees with the largest inverse root found directly.
TEST_P(UnitCircle, TellsWhetherBothRootsLieOutside) {
  const Roots r = GetParam();
  EXPECT_EQ(generate::roots_outside_unit_circle(r.c1, r.c2), r.outside);
  if (std::isfinite(r.c1)) {
    EXPECT_EQ(generate::largest_inverse_root(r.c1, r.c2) < 1.0, r.outside);
  }
}

INSTANTIATE_TEST_SUITE_P(Process, UnitCircle,
                         ::testing::Values(Roots{0.0, 0.0, true}, Roots{0.5, 0.0, true},
                                           Roots{1.0, 0.0, false}, Roots{-1.0, 0.0, false},
                                           Roots{0.5, 0.5, false}, Roots{1.19825, -0.21896, true},
                                           Roots{1.5, -0.7, true}, Roots{0.0, -1.0, false},
                                           Roots{0.0, 0.99, true}, Roots{-1.2, -0.3, true},
                                           Roots{-0.6, 0.45, false},
                                           Roots{std::nan(""), 0.0, false}),
                         rivan6_test::ReadableName());

TEST(Process, LargestInverseRootOfRealAndComplexPairs) {
  EXPECT_DOUBLE_EQ(generate::largest_inverse_root(0.5, 0.0), 0.5);
  EXPECT_DOUBLE_EQ(generate::largest_inverse_root(1.5, -0.7), std::sqrt(0.7));
  // Nile: L^2 - 1.19825 L + 0.21896 has the roots 0.97328 and 0.22497.
  EXPECT_NEAR(generate::largest_inverse_root(1.19825, -0.21896), 0.97328, 1e-5);
}

struct Arma {
  const char* name;
  Coefficients phi, theta;
};
void PrintTo(const Arma& a, std::ostream* os) {
  *os << a.name;
}

const Arma kModels[] = {
    {"WhiteNoise", {0, 0}, {0, 0}},       {"Ar1", {0.7, 0}, {0, 0}},
    {"Ar2Complex", {1.5, -0.7}, {0, 0}},  {"Ma2", {0, 0}, {-0.5, 0.3}},
    {"Arma11", {0.6, 0}, {0.3, 0}},       {"NileArma21", {1.19825, -0.21896}, {0.86118, 0}},
    {"Arma22", {-0.4, 0.3}, {0.5, -0.4}},
};

class Autocovariance : public ::testing::TestWithParam<Arma> {};

// gamma(k) = sum psi(j) psi(j+k), with the psi weights of the recursion.
TEST_P(Autocovariance, AgreesWithTheSumsOfPsiWeights) {
  const Arma a = GetParam();
  std::vector<double> psi(20000);
  for (std::size_t j = 0; j < psi.size(); ++j) {
    double v = j == 0 ? 1.0 : j <= 2 ? -a.theta[j - 1] : 0.0;
    if (j >= 1) v += a.phi[0] * psi[j - 1];
    if (j >= 2) v += a.phi[1] * psi[j - 2];
    psi[j] = v;
  }
  const std::vector<double> g = generate::autocovariances(a.phi, a.theta, 5);
  ASSERT_EQ(g.size(), 6u);
  for (int k = 0; k <= 5; ++k) {
    double sum = 0.0;
    for (std::size_t j = 0; j + k < psi.size(); ++j) sum += psi[j] * psi[j + k];
    EXPECT_NEAR(g[k], sum, 1e-10 * g[0]) << "lag " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Process, Autocovariance, ::testing::ValuesIn(kModels),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Process, WarmUpGrowsWithTheMemoryOfTheModel) {
  EXPECT_EQ(generate::default_warmup({0, 0}), 100);
  EXPECT_EQ(generate::default_warmup({0.5, 0}), 100);
  // 0.97328^(2W) < 1e-6 from W = 256 on.
  EXPECT_EQ(generate::default_warmup({1.19825, -0.21896}), 256);
  EXPECT_EQ(generate::default_warmup({0.99999, 0}), 10000);
}

struct Transform {
  const char* name;
  int ITYPE;
  double GAMMA, DELTA, XLAM, XI;
};
void PrintTo(const Transform& t, std::ostream* os) {
  *os << t.name;
}

// One transform of each of the four models.
const Transform kTransforms[] = {
    {"LN3", 1, -5.0, 1.2, 1.0, 300.0},
    {"LN2", 2, -36.7712101, 5.4021626, 1.0, 0.0},
    {"SB4", 3, 0.4, 1.3, 1500.0, 200.0},
    {"SB3", 4, -0.8, 0.9, 2000.0, 0.0},
};

Model model_of(const Transform& t, const Arma& a, double zero_fraction = 0.0) {
  Model m;
  m.N = 100;
  m.distribution = {
      normalize::model_of_itype(t.ITYPE), t.GAMMA, t.DELTA, t.XLAM, t.XI, zero_fraction};
  m.phi = a.phi;
  m.theta = a.theta;
  return m;
}

// E f(flow(z)) for a standard normal z, by Simpson's rule on [-12, 12].
template <typename F>
double expect(const Process& p, F f) {
  const int n = 24000;
  const double h = 24.0 / n;
  double sum = 0.0;
  for (int i = 0; i <= n; ++i) {
    const double z = -12.0 + i * h;
    const double w = i == 0 || i == n ? 1.0 : i % 2 ? 4.0 : 2.0;
    sum += w * f(p.flow(z)) * std::exp(-0.5 * z * z);
  }
  return sum * h / 3.0 / std::sqrt(2.0 * M_PI);
}

// Averages of per-series estimates and their standard errors: the series
// are independent, so the spread of their estimates gives the Monte Carlo
// error of the average.
struct Estimate {
  double sum = 0.0, sum2 = 0.0;
  int n = 0;
  void add(double v) {
    sum += v;
    sum2 += v * v;
    ++n;
  }
  double mean() const { return sum / n; }
  double se() const { return std::sqrt((sum2 / n - mean() * mean()) / (n - 1)); }
};

// Standard errors allowed between an estimate and its expected value.
constexpr double kStandardErrors = 4.5;

struct Case {
  Arma arma;
  Transform t;
};
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.arma.name << " " << c.t.name;
}

class MonteCarlo : public ::testing::TestWithParam<Case> {};

// Normalised series: mean 0, variance 1 and the model's autocorrelations at
// lags 1-3; flows: the fitted distribution's mean and variance.
TEST_P(MonteCarlo, SeriesHaveTheModelsMomentsAndCorrelations) {
  const Model m = model_of(GetParam().t, GetParam().arma);
  const Process p(m);
  const std::vector<double> g = generate::autocovariances(m.phi, m.theta, 3);
  const double mu = expect(p, [](double x) { return x; });
  const double var = expect(p, [mu](double x) { return (x - mu) * (x - mu); });
  const int series = 1000, years = 100;
  std::vector<double> z(years), x(years);
  Estimate mean, second, lag[3], flow_mean, flow_var;
  for (int s = 0; s < series; ++s) {
    Stream stream(2024, s);
    p.run(stream, generate::default_warmup(m.phi), z, x);
    double sz = 0, sz2 = 0, sx = 0, sx2 = 0, sl[3] = {0, 0, 0};
    for (int t = 0; t < years; ++t) {
      sz += z[t];
      sz2 += z[t] * z[t];
      sx += x[t];
      sx2 += (x[t] - mu) * (x[t] - mu);
      for (int k = 1; k <= 3; ++k)
        if (t + k < years) sl[k - 1] += z[t] * z[t + k];
    }
    mean.add(sz / years);
    second.add(sz2 / years);
    for (int k = 1; k <= 3; ++k) lag[k - 1].add(sl[k - 1] / (years - k));
    flow_mean.add(sx / years);
    flow_var.add(sx2 / years);
  }
  EXPECT_NEAR(mean.mean(), 0.0, kStandardErrors * mean.se());
  EXPECT_NEAR(second.mean(), 1.0, kStandardErrors * second.se());
  for (int k = 1; k <= 3; ++k)
    EXPECT_NEAR(lag[k - 1].mean(), g[k] / g[0], kStandardErrors * lag[k - 1].se()) << "lag " << k;
  EXPECT_NEAR(flow_mean.mean(), mu, kStandardErrors * flow_mean.se());
  EXPECT_NEAR(flow_var.mean(), var, kStandardErrors * flow_var.se());
}

INSTANTIATE_TEST_SUITE_P(
    Process, MonteCarlo,
    ::testing::Values(Case{kModels[0], kTransforms[1]}, Case{kModels[1], kTransforms[0]},
                      Case{kModels[2], kTransforms[2]}, Case{kModels[3], kTransforms[3]},
                      Case{kModels[4], kTransforms[2]}, Case{kModels[5], kTransforms[1]},
                      Case{kModels[6], kTransforms[0]}),
    [](const auto& info) { return std::string(info.param.arma.name) + "_" + info.param.t.name; });

class RoundTrip : public ::testing::TestWithParam<Transform> {};

// Every generated flow lies in the range of the distribution, and the
// forward transform gives back its normalised value.
TEST_P(RoundTrip, ForwardTransformUndoesTheInverseOnEveryValue) {
  const Transform& t = GetParam();
  const Model m = model_of(t, kModels[5]);
  const Process p(m);
  std::vector<double> z(100), x(100);
  for (int s = 0; s < 200; ++s) {
    Stream stream(99, s);
    p.run(stream, 10, z, x);
    for (int i = 0; i < 100; ++i) {
      ASSERT_GT(x[i], t.XI * (m.distribution.family() == 1 ? t.XLAM : 1.0));
      if (m.distribution.family() == normalize::kBounded) {
        ASSERT_LT(x[i], t.XI + t.XLAM);
      }
      int IFAULT = -1;
      double flow = x[i];
      const double back =
          normalize::snv(flow, m.distribution.family(), t.GAMMA, t.DELTA, t.XLAM, t.XI, IFAULT);
      ASSERT_EQ(IFAULT, 0);
      ASSERT_NEAR(back, z[i], 1e-9) << "series " << s << " year " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Process, RoundTrip, ::testing::ValuesIn(kTransforms),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Process, ZeroFlowYearsComeWithTheRecordsZeroFraction) {
  const double f = 0.25;
  const Process p(model_of(kTransforms[1], kModels[0], f));
  std::vector<double> z(100), x(100);
  int zeros = 0, total = 0;
  for (int s = 0; s < 400; ++s) {
    Stream stream(5, s);
    p.run(stream, 0, z, x);
    for (int i = 0; i < 100; ++i, ++total) {
      if (x[i] == 0.0)
        ++zeros;
      else
        ASSERT_EQ(x[i], p.flow(z[i]));
    }
  }
  EXPECT_NEAR(static_cast<double>(zeros) / total, f,
              kStandardErrors * std::sqrt(f * (1 - f) / total));
}

TEST(Process, InnovationsScaleTheSeriesToUnitVariance) {
  const Process p(model_of(kTransforms[1], kModels[1]));
  EXPECT_DOUBLE_EQ(p.innovation_sd(), std::sqrt(1.0 - 0.49));
}

}  // namespace
