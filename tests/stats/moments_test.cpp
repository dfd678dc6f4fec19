#include "stats/moments.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "support/files.hpp"

namespace {

TEST(Moments, OneToFive) {
  const std::array<double, 5> x{1, 2, 3, 4, 5};
  const double m = stats::xmean(x);
  EXPECT_EQ(m, 3.0);
  const double s = stats::stdev(x, m);
  EXPECT_EQ(s, std::sqrt(2.0));
  EXPECT_EQ(stats::skew(x, m, s), 0.0);
  // (34/5) / (2*2) - 3
  EXPECT_NEAR(stats::excess(x, m, s), -1.3, 1e-15);
}

TEST(Moments, SingleValueAndConstantSeries) {
  const std::array<double, 1> one{7.25};
  EXPECT_EQ(stats::xmean(one), 7.25);
  EXPECT_EQ(stats::stdev(one, 7.25), 0.0);
  const std::array<double, 6> c{0.1, 0.1, 0.1, 0.1, 0.1, 0.1};
  const double m = stats::xmean(c);
  EXPECT_EQ(stats::stdev(c, m), 0.0);
}

TEST(Moments, HigherMomentsAboutGivenLocationAndScale) {
  // About xbar = 0 and s = 1 the moments are the raw power means.
  const std::array<double, 4> x{-1, 2, 0, 3};
  EXPECT_DOUBLE_EQ(stats::stdev(x, 0.0), std::sqrt(14.0 / 4));
  EXPECT_DOUBLE_EQ(stats::skew(x, 0.0, 1.0), 34.0 / 4);
  EXPECT_DOUBLE_EQ(stats::excess(x, 0.0, 1.0), 98.0 / 4 - 3);
  // Scale enters as s^3 and s^4.
  EXPECT_DOUBLE_EQ(stats::skew(x, 0.0, 2.0), 34.0 / 4 / 8);
  EXPECT_DOUBLE_EQ(stats::excess(x, 0.0, 2.0), 98.0 / 4 / 16 - 3);
}

TEST(Moments, LongSumKeepsPrecision) {
  // 1e16 followed by many ones: a double running sum would lose every 1.
  std::vector<double> x(1000, 1.0);
  x[0] = 1e16;
  const double m = stats::xmean(x);
  double naive = 0.0;
  for (double v : x) naive += v;
  naive /= 1000.0;
  const double expect = static_cast<double>((1e16L + 999.0L) / 1000.0L);
  ASSERT_NE(naive, expect);  // the case really tells the two sums apart
  EXPECT_EQ(m, expect);
}

TEST(Moments, SkewedSampleAgainstDirectFormulas) {
  // Exponential-like sample: 2^k, k = 0..9; values from R
  // (m <- mean(x); s <- sqrt(mean((x-m)^2)); mean((x-m)^3)/s^3; mean((x-m)^4)/s^4-3).
  std::array<double, 10> x{};
  for (int k = 0; k < 10; ++k) x[k] = std::ldexp(1.0, k);
  const double m = stats::xmean(x);
  const double s = stats::stdev(x, m);
  EXPECT_DOUBLE_EQ(m, 102.3);
  EXPECT_NEAR(s, 156.48389693511598, 1e-12);
  EXPECT_NEAR(stats::skew(x, m, s), 1.76244838742788, 1e-13);
  EXPECT_NEAR(stats::excess(x, m, s), 1.86880724088994, 1e-13);
}

TEST(Extremes, RepeatedExtremes) {
  const std::array<double, 6> x{3, -2, 5, -2, 5, 0};
  EXPECT_EQ(stats::xmin(x), -2.0);
  EXPECT_EQ(stats::xmax(x), 5.0);
  const std::array<double, 1> one{4};
  EXPECT_EQ(stats::xmin(one), 4.0);
  EXPECT_EQ(stats::xmax(one), 4.0);
}

TEST(Extremes, EmptySeriesGivesNaN) {
  const std::vector<double> none;
  EXPECT_TRUE(std::isnan(stats::xmin(none)));
  EXPECT_TRUE(std::isnan(stats::xmax(none)));
  EXPECT_TRUE(std::isnan(stats::xmean(none)));
  EXPECT_TRUE(std::isnan(stats::stdev(none, 0.0)));
}

TEST(Extremes, FirstOfEqualsIsKept) {
  // -0.0 and 0.0 compare equal: the first one met is returned.
  const std::array<double, 3> a{1.0, -0.0, 0.0};
  EXPECT_TRUE(std::signbit(stats::xmin(a)));
  const std::array<double, 3> b{-1.0, 0.0, -0.0};
  EXPECT_FALSE(std::signbit(stats::xmax(b)));
}

// Sorting: random, tied, descending and power-of-two inputs of many lengths.
class SsortTest : public ::testing::TestWithParam<int> {};

TEST_P(SsortTest, GivesNonDecreasingPermutation) {
  const int n = GetParam();
  std::mt19937 gen(static_cast<unsigned>(n) * 7919u + 1u);
  std::uniform_real_distribution<double> u(-100.0, 100.0);
  std::uniform_int_distribution<int> few(0, 3);
  for (int kind = 0; kind < 4; ++kind) {
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i) {
      switch (kind) {
        case 0:
          x[i] = u(gen);
          break;
        case 1:
          x[i] = few(gen);
          break;  // many ties
        case 2:
          x[i] = static_cast<double>(n - i);
          break;  // descending
        default:
          x[i] = (i % 2 == 0) ? 1.0 : -1.0;
          break;
      }
    }
    std::vector<double> expect = x;
    std::sort(expect.begin(), expect.end());
    stats::ssort(x);
    EXPECT_EQ(x, expect) << "n = " << n << ", kind " << kind;
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, SsortTest,
                         ::testing::Values(1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64,
                                           65, 100, 127, 128, 129, 255, 256, 511, 512, 513, 999,
                                           1000),
                         rivan6_test::ReadableName());

TEST(Ssort, AllPermutationsOfSeven) {
  std::array<double, 7> p{0, 1, 2, 3, 4, 5, 6};
  int bad = 0;
  do {
    std::array<double, 7> y = p;
    stats::ssort(y);
    if (!std::is_sorted(y.begin(), y.end())) ++bad;
  } while (std::next_permutation(p.begin(), p.end()));
  EXPECT_EQ(bad, 0);
}

TEST(Ssort, EmptyAndSingleAreUntouched) {
  std::vector<double> none;
  stats::ssort(none);
  EXPECT_TRUE(none.empty());
  std::array<double, 1> one{3.5};
  stats::ssort(one);
  EXPECT_EQ(one[0], 3.5);
}

TEST(Quantile, InterpolatesBetweenOrderStatistics) {
  const std::vector<double> x{1.0, 2.0, 4.0, 8.0, 16.0};
  // R: quantile(c(1, 2, 4, 8, 16), c(0, 0.05, 0.5, 0.95, 1)) = 1, 1.2, 4, 14.4, 16
  EXPECT_DOUBLE_EQ(stats::quantile_sorted(x, 0.0), 1.0);
  EXPECT_DOUBLE_EQ(stats::quantile_sorted(x, 0.05), 1.2);
  EXPECT_DOUBLE_EQ(stats::quantile_sorted(x, 0.5), 4.0);
  EXPECT_DOUBLE_EQ(stats::quantile_sorted(x, 0.95), 14.4);
  EXPECT_DOUBLE_EQ(stats::quantile_sorted(x, 1.0), 16.0);
  EXPECT_TRUE(std::isnan(stats::quantile_sorted(std::vector<double>{}, 0.5)));
}

}  // namespace
