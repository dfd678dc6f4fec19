#include "arma/random.hpp"

#include <gtest/gtest.h>

#include <array>

#include "stats/chisq.hpp"
#include "support/files.hpp"

namespace {

// Uniforms and seeds from an independent implementation of the same
// generator (R, RNGkind("Wichmann-Hill"), .Random.seed <- c(10400L, ix, iy, iz),
// runif); R divides where whrand multiplies by reciprocals, so the values may
// differ in the last bit.
struct Published {
  int ix, iy, iz;
  std::array<double, 5> u;
  int count;                   // how many of u are published
  int ix_end, iy_end, iz_end;  // seeds after `count` draws
};

void PrintTo(const Published& p, std::ostream* os) {
  *os << "seeds " << p.ix << " " << p.iy << " " << p.iz;
}

class WhrandPublished : public ::testing::TestWithParam<Published> {};

TEST_P(WhrandPublished, ReproducesSequenceAndSeeds) {
  const Published& c = GetParam();
  int ix = c.ix, iy = c.iy, iz = c.iz;
  for (int i = 0; i < c.count; ++i) EXPECT_NEAR(arma::whrand(ix, iy, iz), c.u[i], 1e-15) << i;
  EXPECT_EQ(ix, c.ix_end);
  EXPECT_EQ(iy, c.iy_end);
  EXPECT_EQ(iz, c.iz_end);
}

INSTANTIATE_TEST_SUITE_P(
    R, WhrandPublished,
    ::testing::Values(Published{31415,
                                26543,
                                14159,
                                {0.49216163860312578, 0.41829578765468511, 0.77669815377311946,
                                 0.58254941451959086, 0.0025092945185365423},
                                5,
                                15600,
                                27009,
                                18071},
                      Published{31415, 26543, 14159, {0.49216163860312578}, 1, 14352, 19346, 11513},
                      Published{1,
                                2,
                                3,
                                {0.033818773630473781, 0.77754188755966647, 0.052735246139090419},
                                3,
                                5826,
                                24051,
                                2022}),
    rivan6_test::ReadableName());

// The overflow-free update must equal the plain congruences s = a s mod m.
TEST(Whrand, EqualsPlainCongruencesOverLongRuns) {
  for (const std::array<int, 3> start :
       {std::array<int, 3>{31415, 26543, 14159}, std::array<int, 3>{30268, 30306, 30322},
        std::array<int, 3>{1, 1, 1}, std::array<int, 3>{176, 175, 177}}) {
    int ix = start[0], iy = start[1], iz = start[2];
    long long jx = ix, jy = iy, jz = iz;
    for (int i = 0; i < 100000; ++i) {
      const double u = arma::whrand(ix, iy, iz);
      jx = jx * 171 % 30269;
      jy = jy * 172 % 30307;
      jz = jz * 170 % 30323;
      ASSERT_EQ(ix, jx) << i;
      ASSERT_EQ(iy, jy) << i;
      ASSERT_EQ(iz, jz) << i;
      ASSERT_GE(u, 0.0);
      ASSERT_LT(u, 1.0);
    }
  }
}

TEST(Whrand, ZeroSeedsGiveZeroForEver) {
  arma::Seeds s;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(arma::random(s), 0.0);
  EXPECT_EQ(s.ix, 0);
  EXPECT_EQ(s.iy, 0);
  EXPECT_EQ(s.iz, 0);
}

TEST(Anorm, IsNormalQuantileOfTheNextUniform) {
  arma::Seeds s{31415, 26543, 14159};
  int ix = 31415, iy = 26543, iz = 14159;
  for (int i = 0; i < 20; ++i) {
    const double expected = stats::xnorm(arma::whrand(ix, iy, iz));
    EXPECT_EQ(arma::anorm(s), expected) << i;
  }
  EXPECT_EQ(s.ix, ix);
  EXPECT_EQ(s.iy, iy);
  EXPECT_EQ(s.iz, iz);
}

// Skipping ahead lands where stepping does, from any seeds.
TEST(Whrand, AdvanceEqualsThatManySteps) {
  for (const arma::Seeds start :
       {arma::Seeds{31415, 26543, 14159}, arma::Seeds{1, 2, 3}, arma::Seeds{30268, 30306, 30322}}) {
    arma::Seeds stepped = start;
    long long done = 0;
    for (const long long count : {0LL, 1LL, 2LL, 177LL, 1845LL, 42025LL}) {
      for (; done < count; ++done) arma::random(stepped);
      arma::Seeds jumped = start;
      arma::advance(jumped, count);
      EXPECT_EQ(jumped.ix, stepped.ix) << count;
      EXPECT_EQ(jumped.iy, stepped.iy) << count;
      EXPECT_EQ(jumped.iz, stepped.iz) << count;
    }
  }
}

}  // namespace
