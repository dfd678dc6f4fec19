#include "normalize/distribution.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

namespace {

using normalize::Model;

const std::array<int, 10> kPeriods{2, 5, 10, 20, 25, 50, 100, 200, 500, 1000};

struct DistributionCase {
  const char* name;
  normalize::FittedDistribution d;
};

void PrintTo(const DistributionCase& c, std::ostream* os) {
  *os << c.name;
}

class QuantileInverts : public ::testing::TestWithParam<DistributionCase> {};

// The forward transform of a quantile gives back the normal quantile of its
// probability (within the positive part of a mixed distribution), and the
// distribution function gives back the probability.
TEST_P(QuantileInverts, ForwardTransformGivesTheNormalQuantile) {
  const normalize::FittedDistribution& d = GetParam().d;
  const double f0 = d.zero_share;
  for (const int T : kPeriods) {
    for (const bool dry : {true, false}) {
      const double P = dry ? 1.0 / T : 1.0 - 1.0 / T;
      double x = dry ? d.quantile(1.0 / T) : d.exceeded(1.0 / T);
      if (P <= f0) {
        EXPECT_EQ(x, 0.0) << "T = " << T;
        continue;
      }
      EXPECT_NEAR(d.cdf(x), P, 1e-9) << "T = " << T << (dry ? " dry" : " wet");
      double z = 0.0;
      EXPECT_EQ(d.to_normal(x, z), normalize::kTransformDone);
      const double expected = dry ? normalize::standard_normal_quantile((P - f0) / (1.0 - f0))
                                  : -normalize::standard_normal_quantile((1.0 / T) / (1.0 - f0));
      EXPECT_NEAR(z, expected, 1e-9) << "T = " << T << (dry ? " dry" : " wet");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Models, QuantileInverts,
    ::testing::Values(DistributionCase{"LN3", {Model::LN3, -9.5, 2.1, 1.0, 120.0}},
                      DistributionCase{"LN2", {Model::LN2, -20.0, 3.2, 1.0, 0.0}},
                      DistributionCase{"SB4", {Model::SB4, 0.4, 1.3, 900.0, 45.0}},
                      DistributionCase{"SB3", {Model::SB3, 1.1, 0.9, 2500.0, 0.0}},
                      DistributionCase{"LN2WithZeros", {Model::LN2, -5.0, 1.5, 1.0, 0.0, 0.3}},
                      DistributionCase{"SB3WithZeros", {Model::SB3, 0.2, 0.8, 60.0, 0.0, 0.55}},
                      // A year file records the family only.
                      DistributionCase{"JohnsonSB", {Model::johnson_sb, 0.4, 1.3, 900.0, 45.0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FittedDistribution, LognormalBelowZeroIsCutAtZero) {
  // exp(z) - 5: below zero for z < ln 5.
  const normalize::FittedDistribution d{Model::LN3, 0.0, 1.0, 1.0, -5.0};
  EXPECT_EQ(d.quantile(0.001), 0.0);
  EXPECT_GT(d.exceeded(0.001), 0.0);
  EXPECT_TRUE(std::isnan(d.quantile(std::nan(""))));
}

// The printed model number and the family code follow from the one model.
TEST(FittedDistribution, ModelNumberAndFamilyFollowFromTheModel) {
  const std::array<std::array<int, 3>, 7> expected{{{static_cast<int>(Model::none), 0, 0},
                                                    {static_cast<int>(Model::LN3), 1, 1},
                                                    {static_cast<int>(Model::LN2), 2, 1},
                                                    {static_cast<int>(Model::SB4), 3, 3},
                                                    {static_cast<int>(Model::SB3), 4, 3},
                                                    {static_cast<int>(Model::lognormal), 0, 1},
                                                    {static_cast<int>(Model::johnson_sb), 0, 3}}};
  for (const auto& [model, itype, family] : expected) {
    const normalize::FittedDistribution d{static_cast<Model>(model)};
    EXPECT_EQ(d.itype(), itype) << model;
    EXPECT_EQ(d.family(), family) << model;
  }
}

}  // namespace
