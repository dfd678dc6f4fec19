#include "stats/random_stream.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using Stream = stats::RandomStream;

TEST(Random, SplitmixGivesThePublishedSequence) {
  std::uint64_t state = 1234567;
  const std::uint64_t expected[] = {6457827717110365317ULL, 3203168211198807973ULL,
                                    9817491932198370423ULL, 4593380528125082431ULL,
                                    16408922859458223821ULL};
  for (const std::uint64_t e : expected) EXPECT_EQ(stats::splitmix64(state), e);
}

TEST(Random, XoshiroGivesThePublishedSequence) {
  Stream s(std::array<std::uint64_t, 4>{1, 2, 3, 4});
  const std::uint64_t expected[] = {11520ULL, 0ULL, 1509978240ULL, 1215971899390074240ULL};
  for (const std::uint64_t e : expected) EXPECT_EQ(s.next(), e);
}

std::vector<std::uint64_t> first_words(std::uint64_t seed, std::uint64_t index) {
  Stream s(seed, index);
  std::vector<std::uint64_t> w(8);
  for (auto& x : w) x = s.next();
  return w;
}

TEST(Random, EachSeedAndIndexHasItsOwnStream) {
  EXPECT_EQ(first_words(7, 3), first_words(7, 3));
  // Neighbours in either coordinate, and the swap of the two, differ.
  EXPECT_NE(first_words(7, 3), first_words(7, 4));
  EXPECT_NE(first_words(7, 3), first_words(8, 3));
  EXPECT_NE(first_words(7, 3), first_words(3, 7));
  EXPECT_NE(first_words(0, 0), first_words(0, 1));
}

// Moments of the normal deviates within their Monte Carlo error (n values:
// the mean has standard error 1/sqrt(n), the variance sqrt(2/n), the share
// inside +-1 sqrt(p(1-p)/n)); the uniforms stay in [0, 1).
TEST(Random, NormalDeviatesHaveUnitNormalMoments) {
  Stream s(42, 0);
  const int n = 200000;
  double sum = 0.0, sum2 = 0.0, sum4 = 0.0;
  int inside = 0;
  for (int i = 0; i < n; ++i) {
    const double x = s.normal();
    sum += x;
    sum2 += x * x;
    sum4 += x * x * x * x;
    inside += std::fabs(x) < 1.0;
    const double u = s.uniform();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
  const double k = 4.5;  // standard errors allowed
  EXPECT_NEAR(sum / n, 0.0, k / std::sqrt(n));
  EXPECT_NEAR(sum2 / n, 1.0, k * std::sqrt(2.0 / n));
  EXPECT_NEAR(sum4 / n, 3.0, k * std::sqrt(96.0 / n));
  const double p = 0.6826894921370859;
  EXPECT_NEAR(static_cast<double>(inside) / n, p, k * std::sqrt(p * (1 - p) / n));
}

}  // namespace
