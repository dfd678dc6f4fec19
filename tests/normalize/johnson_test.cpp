#include "normalize/johnson.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "support/files.hpp"

namespace {

using normalize::ajv;
using normalize::snv;

struct Params {
  int family;
  double GAMMA, DELTA, XLAM, XI;
  double lo, hi;  // range of x to sweep
};

void PrintTo(const Params& p, std::ostream* os) {
  *os << "family " << p.family << " from " << p.lo << " to " << p.hi;
}

class RoundTrip : public ::testing::TestWithParam<Params> {};

// ajv undoes snv at every x inside the family's range; ajv_all gives each
// value as ajv does.
TEST_P(RoundTrip, AjvUndoesSnv) {
  const Params p = GetParam();
  std::vector<double> zs, backs;
  for (int k = 1; k < 200; ++k) {
    const double x0 = p.lo + (p.hi - p.lo) * k / 200.0;
    double x = x0;
    int f1 = -1, f2 = -1;
    const double z = snv(x, p.family, p.GAMMA, p.DELTA, p.XLAM, p.XI, f1);
    ASSERT_EQ(f1, 0) << x0;
    ASSERT_EQ(x, x0) << "x inside the range must not move";
    const double back = ajv(z, p.family, p.GAMMA, p.DELTA, p.XLAM, p.XI, f2);
    ASSERT_EQ(f2, 0);
    EXPECT_NEAR(back, x0, 1e-9 * std::max(1.0, std::fabs(x0))) << "family " << p.family;
    zs.push_back(z);
    backs.push_back(back);
  }
  normalize::ajv_all(zs, p.family, p.GAMMA, p.DELTA, p.XLAM, p.XI);
  EXPECT_EQ(zs, backs);
}

INSTANTIATE_TEST_SUITE_P(
    Families, RoundTrip,
    ::testing::Values(
        Params{1, -3.2, 1.7, 1.0, 12.5, 12.6, 900.0}, Params{1, 0.4, 0.6, 1.0, -40.0, -39.5, 50.0},
        Params{2, 0.3, 1.4, 25.0, 100.0, -1470.0, 2500.0},
        // down to w = -62, just above the switch to the tail form
        Params{2, -1.0, 0.9, 0.5, 10.0, -21.0, 9.0}, Params{3, 0.8, 1.3, 500.0, 20.0, 20.5, 519.5},
        Params{3, -2.0, 0.4, 3.0, -1.0, -0.99, 1.99}, Params{4, 1.5, 2.5, 0.0, 0.0, -100.0, 100.0}),
    rivan6_test::ReadableName());

// Family code outside 1..4.
class BadFamily : public ::testing::TestWithParam<int> {};

TEST_P(BadFamily, GivesFault1AndZero) {
  double x = 5.0;
  int f = -1;
  EXPECT_EQ(snv(x, GetParam(), 1.0, 1.0, 10.0, 0.0, f), 0.0);
  EXPECT_EQ(f, 1);
  EXPECT_EQ(x, 5.0);
  f = -1;
  EXPECT_EQ(ajv(0.7, GetParam(), 1.0, 1.0, 10.0, 0.0, f), 0.0);
  EXPECT_EQ(f, 1);
  std::vector<double> z{0.7, -0.2};
  normalize::ajv_all(z, GetParam(), 1.0, 1.0, 10.0, 0.0);
  EXPECT_EQ(z, (std::vector<double>{0.0, 0.0}));
}

INSTANTIATE_TEST_SUITE_P(Codes, BadFamily, ::testing::Values(0, 5, -1),
                         rivan6_test::ReadableName());

TEST(Snv, LognormalAtOrBelowBoundGivesFault2AndZero) {
  for (double x : {3.0, 2.0, -7.0}) {
    int f = -1;
    double xx = x;
    EXPECT_EQ(snv(xx, 1, 0.5, 2.0, 1.0, 3.0, f), 0.0);
    EXPECT_EQ(f, 2);
    EXPECT_EQ(xx, x);
  }
}

TEST(Snv, LognormalValue) {
  int f = -1;
  double x = 10.0;
  // z = DELTA ln(x - XI) + GAMMA
  EXPECT_DOUBLE_EQ(snv(x, 1, -1.0, 2.0, 1.0, 10.0 - std::exp(1.5), f), 2.0);
  EXPECT_EQ(f, 0);
}

TEST(Snv, BoundedAtLowerBoundMovesXUp) {
  const double XI = 10.0, XLAM = 50.0, GAMMA = 0.2, DELTA = 1.5;
  double x = XI;
  int f = -1;
  const double z = snv(x, 3, GAMMA, DELTA, XLAM, XI, f);
  EXPECT_EQ(f, 2);
  EXPECT_EQ(x, XI + 9.999999747378752e-05);
  const double d1 = x - XI;
  EXPECT_DOUBLE_EQ(z, DELTA * std::log(d1 / (XLAM - d1)) + GAMMA);
  EXPECT_LT(z, -10.0);
}

TEST(Snv, BoundedAtUpperBoundMovesXDown) {
  const double XI = 10.0, XLAM = 50.0;
  double x = XI + XLAM + 3.0;
  int f = -1;
  const double z = snv(x, 3, 0.0, 1.0, XLAM, XI, f);
  EXPECT_EQ(f, 2);
  EXPECT_EQ(x, XI + XLAM - 9.999999747378752e-05);
  EXPECT_GT(z, 10.0);
}

// A range that cannot hold the moved argument ends with 0 and fault 2 instead
// of moving x back and forth for ever.
TEST(Snv, BoundedRangeTooNarrowGivesUp) {
  const std::tuple<double, double, double> cases[] = {
      {5.0, 5.0, 0.00005},  // XLAM below the step, x at the bound
      {5.2, 5.0, 0.00005},  // above the range
      {5.0, 5.0, 0.0},      // empty range
      {1e13, 1e13, 1.0},    // XI + 0.0001 rounds to XI
  };
  for (const auto& [x0, XI, XLAM] : cases) {
    double x = x0;
    int f = -1;
    EXPECT_EQ(snv(x, 3, 1.0, 1.0, XLAM, XI, f), 0.0) << x0 << " " << XI << " " << XLAM;
    EXPECT_EQ(f, 2);
  }
}

// At and below w = -63 the unbounded family uses u = -0.5 / w, the leading
// term of w + sqrt(w^2 + 1), which the direct form would lose to cancellation.
TEST(Snv, UnboundedLeftTailUsesLeadingTerm) {
  for (double w : {-63.0, -80.0, -1e5}) {
    double x = 10.0 + 0.5 * w;
    int f = -1;
    EXPECT_EQ(snv(x, 2, -1.0, 0.9, 0.5, 10.0, f), 0.9 * std::log(-0.5 / w) - 1.0) << w;
    EXPECT_EQ(f, 0);
  }
  double x = 10.0 + 0.5 * -62.5;
  int f = -1;
  EXPECT_NEAR(snv(x, 2, 0.0, 1.0, 0.5, 10.0, f), std::asinh(-62.5), 1e-10);
}

TEST(Snv, UnboundedFarLeftTailIsFinite) {
  int f = -1;
  double x = -1e6;
  const double z = snv(x, 2, 0.0, 1.0, 1.0, 0.0, f);
  EXPECT_EQ(f, 0);
  EXPECT_NEAR(z, std::asinh(-1e6), 1e-9);  // tail form error 1/(4 w^2)
  x = -1e200;
  EXPECT_TRUE(std::isfinite(snv(x, 2, 0.0, 1.0, 1.0, 0.0, f)));
}

TEST(Ajv, BoundedAtGammaIsMidpoint) {
  int f = -1;
  EXPECT_DOUBLE_EQ(ajv(0.37, 3, 0.37, 2.0, 40.0, 5.0, f), 25.0);
  EXPECT_EQ(f, 0);
}

TEST(Ajv, BoundedExtremesStayInsideClosedRange) {
  int f = -1;
  EXPECT_EQ(ajv(1e6, 3, 0.0, 1.0, 40.0, 5.0, f), 45.0);
  EXPECT_EQ(ajv(-1e6, 3, 0.0, 1.0, 40.0, 5.0, f), 5.0);
  EXPECT_EQ(f, 0);
}

TEST(Ajv, NormalIgnoresBounds) {
  int f = -1;
  EXPECT_DOUBLE_EQ(ajv(7.0, 4, 1.0, 2.0, 123.0, 456.0, f), 3.0);
}

}  // namespace
