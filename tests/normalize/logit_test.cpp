#include <gtest/gtest.h>

#include <cmath>

#include "normalize/fits.hpp"

namespace {

using normalize::flogit;
using normalize::rev;

TEST(Flogit, MidpointMapsToZero) {
  EXPECT_EQ(flogit(0.0, 2.0, 1.0), 0.0);
  EXPECT_EQ(rev(-3.0, 5.0, 0.0), 1.0);
}

TEST(Flogit, RevUndoesFlogit) {
  const double lo = 0.0001, hi = 37.5;
  for (int k = 1; k < 100; ++k) {
    const double x = lo + (hi - lo) * k / 100.0;
    EXPECT_NEAR(rev(lo, hi, flogit(lo, hi, x)), x, 1e-12 * hi);
  }
  EXPECT_DOUBLE_EQ(flogit(-1.0, 1.0, 0.5), std::log(3.0));
}

// Far out on the real line the result approaches the ends of the interval and
// is never a NaN.
TEST(Rev, ExtremeArgumentsApproachTheEnds) {
  for (double a : {40.0, 700.0, 710.0, 1e4, HUGE_VAL}) {
    const double r = rev(0.0001, 12.0, a);
    EXPECT_FALSE(std::isnan(r)) << a;
    EXPECT_LE(r, 12.0);
    EXPECT_GT(r, 11.999);
  }
  for (double a : {-40.0, -700.0, -1e4, -HUGE_VAL}) {
    const double r = rev(0.0001, 12.0, a);
    EXPECT_GE(r, 0.0001);
    EXPECT_LT(r, 0.00011);
  }
  EXPECT_EQ(rev(-2.0, -1.0, 800.0), -1.0);
}

}  // namespace
