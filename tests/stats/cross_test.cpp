#include "stats/cross.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace stats {
namespace {

struct Counted {
  int crossings, length;
  double sum;
};

Counted run(const std::vector<double>& x, int level) {
  CrossTables t;
  const int first = level <= 6 ? 1 : 7;
  cross(x, crossing_levels(), first, first + 5, t);
  return {t.crossings[level - 1], t.length[level - 1], t.sum[level - 1]};
}

TEST(Cross, LevelsAreTheNormalQuantilesBothWays) {
  const auto levels = crossing_levels();
  EXPECT_EQ(levels[0], -0.842);
  EXPECT_EQ(levels[5], -3.09);
  EXPECT_EQ(levels[6], 0.842);
  EXPECT_EQ(levels[11], 3.09);
}

TEST(Cross, DeficitRunLengthAndTruncatedSum) {
  // 0, -1, -2, 0 at -0.842: one crossing, length 2, sum 1.316 stored as 1.
  const Counted c = run({0.0, -1.0, -2.0, 0.0}, 1);
  EXPECT_EQ(c.crossings, 1);
  EXPECT_EQ(c.length, 2);
  EXPECT_EQ(c.sum, 1.0);
}

TEST(Cross, RunsThatAreNotClosedOrNotOpenedDoNotCount) {
  // Still below at the end: dropped.
  EXPECT_EQ(run({0.0, -1.0, -2.0}, 1).crossings, 0);
  // Starting below: no crossing from above.
  EXPECT_EQ(run({-1.0, -2.0, 0.0}, 1).crossings, 0);
  // A single value, or never beyond the level.
  EXPECT_EQ(run({-5.0}, 1).crossings, 0);
  EXPECT_EQ(run({0.0, 0.5, -0.5, 0.2}, 1).length, 0);
}

TEST(Cross, ValueOnTheLevelEndsARunAndNeverStartsOne) {
  // -0.842 itself is not below -0.842: it ends the run of -1 ...
  Counted c = run({0.0, -1.0, -0.842, -1.0, 0.0}, 1);
  EXPECT_EQ(c.crossings, 1);
  EXPECT_EQ(c.length, 1);
  // ... and from it (not above the level) no new run starts.
  c = run({0.0, -0.842, -1.0, 0.0}, 1);
  EXPECT_EQ(c.crossings, 0);
}

TEST(Cross, ValueThatEndsARunStartsTheNextCrossing) {
  // The 0 that ends the first run is the value above the level from which
  // the second run crosses.
  const Counted c = run({0.0, -1.0, 0.0, -1.0, 0.0}, 1);
  EXPECT_EQ(c.crossings, 2);
  EXPECT_EQ(c.length, 2);
}

TEST(Cross, UpCrossingsMirrorDownCrossings) {
  // Runs 1, 2 and 3.5, 3.5 above 0.842: sums 1.316 + 5.316 = 6.632, stored as 6.
  const Counted c = run({0.0, 1.0, 2.0, 0.0, 3.5, 3.5, 0.0}, 7);
  EXPECT_EQ(c.crossings, 2);
  EXPECT_EQ(c.length, 4);
  EXPECT_EQ(c.sum, 6.0);
}

}  // namespace
}  // namespace stats
