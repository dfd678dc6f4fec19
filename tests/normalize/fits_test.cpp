#include "normalize/fits.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "support/files.hpp"

namespace {

using namespace normalize;

// Negative log-likelihood per observation, without its constant, of the
// lognormal z = GAMMA + DELTA ln(x - XI).
double nll_lognormal(const std::vector<double>& x, double G, double D, double XI) {
  double s = 0.0;
  for (double v : x) {
    const double z = G + D * std::log(v - XI);
    s += 0.5 * z * z - std::log(D) + std::log(v - XI);
  }
  return s / x.size();
}

// The same for the SB model z = GAMMA + DELTA ln((x - XI) / (XI + XLAM - x)).
double nll_sb(const std::vector<double>& x, double G, double D, double XLAM, double XI) {
  double s = 0.0;
  for (double v : x) {
    const double z = G + D * std::log((v - XI) / (XI + XLAM - v));
    s += 0.5 * z * z - std::log(D * XLAM) + std::log((v - XI) * (XI + XLAM - v));
  }
  return s / x.size();
}

// The standard normal quantile of p, by bisection on the distribution function.
double normal_score(double p) {
  double lo = -10.0, hi = 10.0;
  for (int k = 0; k < 200; ++k) {
    const double mid = 0.5 * (lo + hi);
    (0.5 * std::erfc(-mid / std::sqrt(2.0)) < p ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

TEST(Fnlog, SmallSeries) {
  // ln(x - 5) = 1, 2, 3: mean 2, sd sqrt(2/3) (divisor n).
  const std::vector<double> x{5.0 + std::exp(1.0), 5.0 + std::exp(2.0), 5.0 + std::exp(3.0)};
  double G = 0.0, D = 0.0;
  const double F = fnlog(x, G, D, 5.0);
  EXPECT_NEAR(G, -2.449489742783178, 1e-12);
  EXPECT_NEAR(D, 1.224744871391589, 1e-12);
  // F = sum y/d + (s^2 - m) sum 1/d
  EXPECT_NEAR(F, 0.05057548904703424, 1e-12);
}

// A lognormal sample with its lower bound just below the smallest value: the
// root lies within one unit of xmin and is found there.
TEST(Ln3, RootInsideFirstUnitInterval) {
  std::vector<double> x;
  for (int i = 1; i <= 40; ++i) x.push_back(10.0 + std::exp(normal_score((i - 0.5) / 40.0)));
  const double xmin = *std::min_element(x.begin(), x.end());
  double G = 0.0, D = 0.0, XI = 0.0;
  ln3(x, G, D, XI, xmin);
  EXPECT_LT(XI, xmin - 0.01);
  EXPECT_GT(XI, xmin - 1.0);
  double g = 0.0, d = 0.0;
  EXPECT_LT(std::fabs(fnlog(x, g, d, XI)), 1e-8);
  EXPECT_EQ(g, G);  // GAMMA and DELTA belong to the returned XI
  EXPECT_EQ(d, D);
}

// Series without a usable root still end, below xmin, without a NaN bound.
TEST(Ln3, NoRootStillEnds) {
  const std::vector<std::vector<double>> cases{
      {1.0, 2.0, 3.0},              // symmetric
      {9.0, 9.5, 9.9, 10.0, 10.0},  // negative skew
      {4.0, 4.0, 4.0, 4.0},         // constant
  };
  for (const auto& x : cases) {
    const double xmin = *std::min_element(x.begin(), x.end());
    double G = 0.0, D = 0.0, XI = 1.0;
    ln3(x, G, D, XI, xmin);
    EXPECT_FALSE(std::isnan(XI));
    EXPECT_LT(XI, xmin);
  }
}

TEST(Funsb4, IgnoresCountAndUpdatesBlock) {
  cfunsb4 c;
  const std::vector<double> x{12.0, 15.5, 19.0, 22.0, 30.0, 41.0, 17.0};
  std::copy(x.begin(), x.end(), c.x.begin());
  c.n = static_cast<int>(x.size());
  c.xi_lo = 0.0001;
  c.xi_hi = 12.0 - 0.0001;
  c.upper_base = 42.0;
  const double p[2] = {0.0, 0.0};
  double f2 = 0.0, f7 = 0.0;
  funsb4(c, 2, p, f2);
  funsb4(c, 7, p, f7);
  EXPECT_EQ(f2, f7);
  EXPECT_DOUBLE_EQ(c.XI, 6.0);      // midpoint of the XI limits
  EXPECT_DOUBLE_EQ(c.upper, 43.0);  // e^0 above the base
  // The block holds the fitted GAMMA and DELTA, at which f is the likelihood.
  EXPECT_NEAR(f2, nll_sb(x, c.GAMMA, c.DELTA, c.upper - c.XI, c.XI), 1e-13);
  double zs = 0.0;
  for (double v : x) zs += c.GAMMA + c.DELTA * std::log((v - c.XI) / (c.upper - v));
  EXPECT_NEAR(zs, 0.0, 1e-12);
}

// The upper bound is formed once, as e^p2 above its base, and stored as it
// is. At these points, forming XLAM first and adding XI back gives a bound
// one unit in the last place away from it.
TEST(Funsb4, UpperBoundIsUsedAsFormed) {
  cfunsb4 c;
  const std::vector<double> x{21.0, 35.5, 48.0, 60.0, 99.0, 41.0, 27.0};
  std::copy(x.begin(), x.end(), c.x.begin());
  c.n = static_cast<int>(x.size());
  c.xi_lo = 0.0001;
  c.xi_hi = 20.0 - 0.0001;
  c.upper_base = 101.5;
  for (const auto& pt : {std::array<double, 2>{-0.07999999999999996, 7.8759999999999994},
                         std::array<double, 2>{0.80000000000000004, 8.1400000000000006},
                         std::array<double, 2>{1.8700000000000001, 8.4610000000000003}}) {
    double f = 0.0;
    funsb4(c, 2, pt.data(), f);
    const double upper = std::exp(pt[1]) + c.upper_base;
    EXPECT_EQ(c.upper, upper) << pt[0];
    // The transform of the flows runs up to that same bound.
    double zs = 0.0;
    for (double v : x) zs += c.GAMMA + c.DELTA * std::log((v - c.XI) / (upper - v));
    EXPECT_NEAR(zs, 0.0, 1e-12);
  }
}

// The SB(3) equation in U changes sign at the maximum-likelihood upper bound
// (3132.129174 for the Nile, from an independent profile-likelihood fit).
TEST(Sbroot, ChangesSignAtLikelihoodMaximum) {
  const auto x = rivan6_test::shared_annual_flows("NILE.INC");
  if (x.empty()) GTEST_SKIP() << "no shared data";
  double m = 0.0, s = 0.0;
  const double below = sbroot(x, m, s, 3132.129174 - 2.0);
  const double above = sbroot(x, m, s, 3132.129174 + 2.0);
  EXPECT_LT(below * above, 0.0);
}

// An independent maximum-likelihood fit (profile likelihood optimised to
// 1e-12) of each model, as the negative log-likelihood per observation.
struct Reference {
  std::string file;
  double ln3, ln2, sb3;  // sb3 0: the root lies beyond 1e8
};

class RealRecord : public ::testing::TestWithParam<Reference> {};

TEST_P(RealRecord, FitsMatchIndependentLikelihood) {
  const Reference r = GetParam();
  const auto x = rivan6_test::shared_annual_flows(r.file);
  if (x.empty()) GTEST_SKIP() << "no shared data";
  const double xmin = *std::min_element(x.begin(), x.end());
  const double xmax = *std::max_element(x.begin(), x.end());

  double G = 0.0, D = 0.0, XI = 0.0;
  ln3(x, G, D, XI, xmin);
  double g = 0.0, d = 0.0;
  EXPECT_LT(std::fabs(fnlog(x, g, d, XI)), 1e-8);
  const double l3 = nll_lognormal(x, G, D, XI);
  EXPECT_LT(l3, r.ln3 + 1e-8);
  EXPECT_GT(l3, r.ln3 - 1e-6);

  fnlog(x, G, D, 0.0);
  EXPECT_NEAR(nll_lognormal(x, G, D, 0.0), r.ln2, 1e-10);

  double U = 0.0, m = 0.0, s = 0.0;
  sb3(x, U, m, s, xmax);
  if (r.sb3 != 0.0) {
    const double l = nll_sb(x, -m / s, 1.0 / s, U, 0.0);
    EXPECT_LT(l, r.sb3 + 1e-8);
    EXPECT_GT(l, r.sb3 - 1e-6);
  } else {
    EXPECT_EQ(U, 3.0 * xmax);
    double m2 = 0.0, s2 = 0.0;
    sbroot(x, m2, s2, U);
    EXPECT_EQ(m, m2);
    EXPECT_EQ(s, s2);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Gauges, RealRecord,
    ::testing::Values(Reference{"NILE.INC", 5.615894179979, 5.619958070440, 5.616052981901},
                      Reference{"A3301010.INC", 4.817274216828, 4.829879625387, 0.0},
                      Reference{"A3832010.INC", 5.008206528175, 5.008312619441, 4.981345673686},
                      Reference{"SANDY.INC", 5.758348776357, 5.761276075361, 5.753737269770}),
    [](const auto& info) { return info.param.file.substr(0, info.param.file.find('.')); });

}  // namespace
