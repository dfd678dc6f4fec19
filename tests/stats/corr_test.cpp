#include "stats/corr.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/files.hpp"

namespace {

using Lags = std::array<double, stats::kMaxLags>;

TEST(Nlags, ThirdOfLengthAtMostTwenty) {
  EXPECT_EQ(stats::nlags(2), 0);
  EXPECT_EQ(stats::nlags(3), 1);
  EXPECT_EQ(stats::nlags(5), 1);
  EXPECT_EQ(stats::nlags(45), 15);
  EXPECT_EQ(stats::nlags(60), 20);
  EXPECT_EQ(stats::nlags(61), 20);
  EXPECT_EQ(stats::nlags(1000), 20);
}

TEST(Corr, OneToNine) {
  const std::array<double, 9> x{1, 2, 3, 4, 5, 6, 7, 8, 9};
  Lags r{};
  Lags phi{};
  stats::corr(x, r, phi);
  EXPECT_NEAR(r[0], 40.0 / 60, 1e-15);
  EXPECT_NEAR(r[1], 21.0 / 60, 1e-15);
  EXPECT_NEAR(r[2], 4.0 / 60, 1e-15);
  EXPECT_EQ(phi[0], r[0]);
  EXPECT_NEAR(phi[1], -0.17, 1e-15);
  // (r3 - a1 r2 - a2 r1) / (1 - a1 r1 - a2 r2) with the order-2 coefficients.
  const double a2 = -0.17;
  const double a1 = 40.0 / 60 - a2 * 40.0 / 60;
  const double phi3 =
      (4.0 / 60 - a1 * 21.0 / 60 - a2 * 40.0 / 60) / (1.0 - a1 * 40.0 / 60 - a2 * 21.0 / 60);
  EXPECT_NEAR(phi[2], phi3, 1e-14);
  for (int k = 3; k < stats::kMaxLags; ++k) EXPECT_EQ(r[k], 0.0);
}

TEST(Corr, OnlyLagsUpToLAreWritten) {
  // n = 5 gives L = 1: r(1) = phi(1) and nothing beyond.
  const std::array<double, 5> x{3, 1, 4, 1, 5};
  Lags r;
  Lags phi;
  r.fill(9.0);
  phi.fill(9.0);
  stats::corr(x, r, phi);
  // m = 2.8, c0 = 12.8 / 5, c1 = -8.64 / 5
  EXPECT_NEAR(r[0], -8.64 / 12.8, 1e-14);
  EXPECT_EQ(phi[0], r[0]);
  EXPECT_EQ(r[1], 9.0);
  EXPECT_EQ(phi[1], 9.0);

  // Fewer than three values: no lag at all.
  const std::array<double, 2> two{1, 2};
  r.fill(9.0);
  phi.fill(9.0);
  stats::corr(two, r, phi);
  EXPECT_EQ(r[0], 9.0);
  EXPECT_EQ(phi[0], 9.0);
}

TEST(Corr, SecondPartialFromFirstTwo) {
  const std::array<double, 12> x{0.3, -1.2, 0.8, 2.1, -0.4, 0.0, 1.7, -2.2, 0.9, 0.1, -0.6, 1.1};
  Lags r{};
  Lags phi{};
  stats::corr(x, r, phi);
  EXPECT_NEAR(phi[1], (r[1] - r[0] * r[0]) / (1 - r[0] * r[0]), 1e-15);
}

TEST(Corr, ConstantSeriesGivesZeros) {
  for (double c : {0.0, 0.1, 1234.5678}) {
    const std::vector<double> x(30, c);
    Lags r;
    Lags phi;
    r.fill(9.0);
    phi.fill(9.0);
    stats::corr(x, r, phi);
    for (int k = 0; k < 10; ++k) {
      EXPECT_EQ(r[k], 0.0) << c;
      EXPECT_EQ(phi[k], 0.0) << c;
    }
    EXPECT_EQ(r[10], 9.0);
  }
}

TEST(Corr, ZeroDenominatorStopsThePartials) {
  // A large offset with a small spread: the one-pass variance cancels so
  // that r(1) comes out as exactly -1 and 1 - r(1)^2 is 0.
  const double off = 67108864.0;
  const std::array<double, 6> x{off + 2, off + 3, off + 1, off + 3, off + 0, off + 3};
  Lags r{};
  Lags phi;
  phi.fill(9.0);
  stats::corr(x, r, phi);
  ASSERT_EQ(r[0], -1.0);  // the case really reaches the zero denominator
  EXPECT_EQ(phi[0], -1.0);
  EXPECT_EQ(phi[1], 0.0);
}

// ---- a real record against an independent computation ---------------------

struct RecordCase {
  const char* file;
  int n;
  std::vector<double> acf;   // R: acf(x, lag.max = L)
  std::vector<double> pacf;  // R: pacf(x, lag.max = L)
};

class RecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordTest, AgreesWithReferenceCorrelograms) {
  const RecordCase& c = GetParam();
  const std::vector<double> x = rivan6_test::shared_annual_flows(c.file);
  if (x.empty()) GTEST_SKIP() << "shared data not available";
  ASSERT_EQ(static_cast<int>(x.size()), c.n);
  const int lags = stats::nlags(c.n);
  ASSERT_EQ(static_cast<int>(c.acf.size()), lags);
  Lags r{};
  Lags phi{};
  stats::corr(x, r, phi);
  for (int k = 0; k < lags; ++k) {
    EXPECT_NEAR(r[k], c.acf[k], 1e-12) << "lag " << k + 1;
    EXPECT_NEAR(phi[k], c.pacf[k], 1e-12) << "lag " << k + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(
    SharedData, RecordTest,
    ::testing::Values(
        RecordCase{
            "NILE.INC",
            100,
            {0.49840818413302951, 0.38457690390487254,  0.3278604375225464,  0.23919116994148587,
             0.22842198672084005, 0.22730098256472034,  0.22204611526329163, 0.29996118204046363,
             0.14173965778082634, 0.089791411003994653, 0.21547831614601201, 0.21292222378886122,
             0.23698125597464761, 0.19460385567746827,  0.15439996836153763, 0.1947899318088851,
             0.1364284593788333,  0.18968883995567443,  0.15423437257922334, 0.11397838937829449},
            {0.49840818413302951,   0.18117100543757142,   0.11089699311648984,
             0.0061756360792156774, 0.065024927838134045,  0.070644279472028268,
             0.060333068812880829,  0.16289078715208868,   -0.14800441850744908,
             -0.064581767717199742, 0.19044471252560011,   0.087149894059811994,
             0.064865716919727048,  -0.052606370607651942, -0.029806814503529348,
             0.072884532500666732,  0.017083965644078658,  0.11503606451754948,
             -0.123701266362946,    -0.059267901527625996}},
        RecordCase{"V2206010.INC",
                   46,
                   {0.15084340949800196, -0.011293902940555461, -0.059241055053006142,
                    0.069519912590821853, 0.009098638383320248, -0.060900334420544225,
                    0.069244002534151403, -0.1227460721095381, -0.17440997148803739,
                    -0.26455134000616443, -0.028519246949174827, -0.027910140172751605,
                    0.20156200085720422, 0.14456669908589301, -0.10204149493495286},
                   {0.15084340949800198, -0.034840386011893515, -0.053503519649143162,
                    0.088802488529139398, -0.01816311188049357, -0.063018900158790872,
                    0.10284982266935813, -0.16628867504758002, -0.14351238365008409,
                    -0.21088293199167821, -0.0015161395912249051, -0.046162296583909114,
                    0.24820305015236294, 0.12126738237007594, -0.1406350751242352}}),
    [](const ::testing::TestParamInfo<RecordCase>& info) {
      return std::string(info.param.file).substr(0, std::string(info.param.file).find('.'));
    });

}  // namespace
