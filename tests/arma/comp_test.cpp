#include "arma/comp.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "arma/random.hpp"
#include "support/files.hpp"

namespace {

struct RnkCase {
  std::vector<double> x;
  double m;
  std::array<double, 3> largest;
};

void PrintTo(const RnkCase& c, std::ostream* os) {
  *os << c.x.size() << " flows of mean " << c.m;
}

class Rnkdef : public ::testing::TestWithParam<RnkCase> {};

TEST_P(Rnkdef, FilesTheLargestDeficitPerLevel) {
  const RnkCase& c = GetParam();
  auto table = std::make_unique<arma::DeficitTable>();
  arma::rnkdef(c.x, c.m, *table, 7);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR((*table)[7][i], c.largest[i], 1e-12) << i;
  for (int i = 0; i < 3; ++i) EXPECT_EQ((*table)[6][i], 0.0);  // other samples untouched
}

INSTANTIATE_TEST_SUITE_P(Hand, Rnkdef,
                         ::testing::Values(
                             // Demands 5, 7, 9. At 5 the 12 ends the run {2, 2} (max 6) before
                             // {1} (max 4); at 7 and 9 one run goes from the second flow to the
                             // end, the 12 and the last 10 only reduce it.
                             RnkCase{{10, 2, 2, 12, 1, 10}, 10.0, {6, 11, 19}},
                             // Six runs at demand 5 (deficit 1..6, each cleared by a 20), the
                             // largest in the last flow, which is scanned too.
                             RnkCase{{0, 20, 3, 20, 2, 20, 1, 20, 4, 20, -1}, 10.0, {6, 8, 10}},
                             // A surplus larger than the deficit restarts the run from zero, not
                             // from below it.
                             RnkCase{{4, 20, 0, 0}, 10.0, {10, 14, 18}},
                             // Flows always above the demand: no deficit at all.
                             RnkCase{{10, 11, 12}, 10.0, {0, 0, 0}}),
                         rivan6_test::ReadableName());

normalize::cfunsb4 observed(const std::vector<double>& x) {
  normalize::cfunsb4 c;
  for (std::size_t i = 0; i < x.size(); ++i) c.x[i] = x[i];
  c.n = static_cast<int>(x.size());
  return c;
}

// A lognormal transform of flows around 100.
normalize::FittedDistribution lognormal() {
  normalize::FittedDistribution t;
  t.model = normalize::model_of_itype(2);
  t.DELTA = 1.0 / 0.3;
  t.GAMMA = -std::log(100.0) * t.DELTA;
  t.XLAM = 1.0;
  t.XI = 0.0;
  return t;
}

const std::vector<double> kFlows = {120, 80, 60, 95,  140, 70, 50,  110, 130, 90,
                                    85,  60, 75, 150, 100, 95, 105, 65,  125, 98};

TEST(Comp, SameModelGivesTheSameDistanceOnEveryCall) {
  auto c = observed(kFlows);
  auto table = std::make_unique<arma::DeficitTable>();
  arma::Seeds s;
  double d1 = -1, d2 = -2;
  arma::comp({0.5, -0.1}, {0.2, 0.0}, 20, d1, c, lognormal(), s, *table);
  s = {1, 2, 3};  // whatever the seeds were, comp sets its own
  arma::comp({0.5, -0.1}, {0.2, 0.0}, 20, d2, c, lognormal(), s, *table);
  EXPECT_EQ(d1, d2);
  EXPECT_GT(d1, 0.0);
  double d3 = 0;
  arma::comp({-0.5, 0.0}, {0.0, 0.0}, 20, d3, c, lognormal(), s, *table);
  EXPECT_NE(d3, d1);
}

// 41 series of 25 + n steps, one deviate per step, from the fixed seeds.
TEST(Comp, DrawsOneDeviatePerStepFromTheFixedSeeds) {
  auto c = observed(kFlows);
  auto table = std::make_unique<arma::DeficitTable>();
  arma::Seeds s;
  double d = 0;
  arma::comp({0.3, 0.0}, {0.0, 0.0}, 20, d, c, lognormal(), s, *table);
  int ix = 31415, iy = 26543, iz = 14159;
  for (int i = 0; i < 41 * (25 + 20); ++i) arma::whrand(ix, iy, iz);
  EXPECT_EQ(s.ix, ix);
  EXPECT_EQ(s.iy, iy);
  EXPECT_EQ(s.iz, iz);
}

// Sample 0 is the observed flows at their own mean; the distance is the sum
// over levels of 1 + |mean - observed| / sd of the simulated largest deficits.
TEST(Comp, DistanceFromTheFiledMaxima) {
  auto c = observed(kFlows);
  auto table = std::make_unique<arma::DeficitTable>();
  arma::Seeds s;
  double d = 0;
  arma::comp({0.3, 0.1}, {-0.2, 0.1}, 20, d, c, lognormal(), s, *table);
  double m = 0;
  for (double v : kFlows) m += v;
  m /= 20;
  auto obs = std::make_unique<arma::DeficitTable>();
  arma::rnkdef(kFlows, m, *obs, 0);
  double expected = 0;
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR((*table)[0][i], (*obs)[0][i], 1e-9);
    double mean = 0, var = 0;
    for (int k = 1; k <= 41; ++k) mean += (*table)[k][i] / 41;
    for (int k = 1; k <= 41; ++k) var += ((*table)[k][i] - mean) * ((*table)[k][i] - mean) / 41;
    if ((*obs)[0][i] > 0 && var > 1e-6)
      expected += 1 + std::fabs(mean - (*obs)[0][i]) / std::sqrt(var);
  }
  EXPECT_NEAR(d, expected, 1e-9);
}

TEST(Comp, LevelsWithoutObservedDeficitAddNothing) {
  // Constant flows never fall short of half, 0.7 or 0.9 of their mean.
  auto c = observed(std::vector<double>(20, 100.0));
  auto table = std::make_unique<arma::DeficitTable>();
  arma::Seeds s;
  double d = -1;
  arma::comp({0.5, 0.0}, {0.0, 0.0}, 20, d, c, lognormal(), s, *table);
  EXPECT_EQ(d, 0.0);
  EXPECT_GT((*table)[1][2] + (*table)[2][2] + (*table)[3][2], 0.0);  // simulated do
}

TEST(Comp, IdenticalSimulatedMaximaAddNothing) {
  // A bounded transform of zero width maps every synthetic value to XI,
  // above all demands: every simulated maximum is 0, so v = 0.
  auto c = observed(kFlows);
  normalize::FittedDistribution t;
  t.model = normalize::model_of_itype(3);
  t.DELTA = 1.0;
  t.XLAM = 0.0;
  t.XI = 1000.0;
  auto table = std::make_unique<arma::DeficitTable>();
  arma::Seeds s;
  double d = -1;
  arma::comp({0.5, 0.0}, {0.0, 0.0}, 20, d, c, t, s, *table);
  EXPECT_GT((*table)[0][2], 0.0);
  EXPECT_EQ(d, 0.0);
}

}  // namespace
