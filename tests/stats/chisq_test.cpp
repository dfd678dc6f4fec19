#include "stats/chisq.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numeric>
#include <vector>

#include "support/files.hpp"

namespace {

// Exact standard normal quantile by bisection on the distribution function.
double exact_quantile(double p) {
  double lo = -40.0;
  double hi = 40.0;
  for (int it = 0; it < 200; ++it) {
    const double mid = 0.5 * (lo + hi);
    if (0.5 * std::erfc(-mid / std::sqrt(2.0)) < p) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return 0.5 * (lo + hi);
}

std::vector<double> evenly_spread(int n) {
  std::vector<double> x(n);
  for (int i = 0; i < n; ++i) x[i] = exact_quantile((i + 0.5) / n);
  return x;
}

// ---- cell and chisq -------------------------------------------------------

struct SturgesCase {
  int n;
  int k;
};

void PrintTo(const SturgesCase& c, std::ostream* os) {
  *os << "n " << c.n << " k " << c.k;
}

class SturgesTest : public ::testing::TestWithParam<SturgesCase> {};

TEST_P(SturgesTest, ClassCountAndTotals) {
  const auto [n, k_expected] = GetParam();
  const std::vector<double> x = evenly_spread(n);
  std::array<int, stats::kMaxClasses> counts{};
  counts.fill(-7);
  int k = 0;
  stats::cell(x, 0.0, 1.0, counts, k);
  EXPECT_EQ(k, k_expected);
  EXPECT_EQ(std::accumulate(counts.begin(), counts.begin() + k, 0), n);
  for (int j = k; j < stats::kMaxClasses; ++j) EXPECT_EQ(counts[j], 0);
  int ndf = 0;
  stats::chisq(x, 0.0, 1.0, ndf);
  EXPECT_EQ(ndf, k_expected - 3);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SturgesTest,
                         ::testing::Values(SturgesCase{1, 1}, SturgesCase{2, 1}, SturgesCase{3, 2},
                                           SturgesCase{10, 4}, SturgesCase{17, 5},
                                           SturgesCase{30, 5}, SturgesCase{50, 6},
                                           SturgesCase{100, 7}, SturgesCase{1000, 10}),
                         rivan6_test::ReadableName());

TEST(Cell, ValueOnBoundGoesToLowerClass) {
  // n = 10 gives four classes with bounds at probabilities 1/4, 1/2, 3/4.
  const double b1 = stats::xnorm(0.25);
  const double b2 = stats::xnorm(0.5);
  const double b3 = stats::xnorm(0.75);
  const std::array<double, 10> x{2.0, b3, -1.0, b1, 0.2, -0.1, b2, 0.5, 1.5, -2.0};
  std::array<int, stats::kMaxClasses> counts{};
  int k = 0;
  stats::cell(x, 0.0, 1.0, counts, k);
  ASSERT_EQ(k, 4);
  EXPECT_EQ(counts[0], 3);  // -2, -1, b1
  EXPECT_EQ(counts[1], 2);  // -0.1, b2
  EXPECT_EQ(counts[2], 3);  // 0.2, 0.5, b3
  EXPECT_EQ(counts[3], 2);  // 1.5, 2

  // E = 2.5 in every class.
  int ndf = 0;
  EXPECT_NEAR(stats::chisq(x, 0.0, 1.0, ndf), 0.4, 1e-15);
  EXPECT_EQ(ndf, 1);
}

TEST(Cell, BoundsUseMeanAndScale) {
  // The same sample moved to mean 100 and scale 5 classes the same way.
  const double b1 = stats::xnorm(0.25);
  const double b2 = stats::xnorm(0.5);
  const double b3 = stats::xnorm(0.75);
  std::array<double, 10> x{2.0, b3, -1.0, b1, 0.2, -0.1, b2, 0.5, 1.5, -2.0};
  for (double& v : x) v = 100.0 + 5.0 * v;
  std::array<int, stats::kMaxClasses> counts{};
  int k = 0;
  stats::cell(x, 100.0, 5.0, counts, k);
  ASSERT_EQ(k, 4);
  EXPECT_EQ(counts[0], 3);
  EXPECT_EQ(counts[1], 2);
  EXPECT_EQ(counts[2], 3);
  EXPECT_EQ(counts[3], 2);
}

TEST(Cell, AllValuesBelowAnEarlyBound) {
  std::vector<double> x(30, -3.0);
  std::array<int, stats::kMaxClasses> counts{};
  int k = 0;
  stats::cell(x, 0.0, 1.0, counts, k);
  ASSERT_EQ(k, 5);
  EXPECT_EQ(counts[0], 30);
  for (int j = 1; j < k; ++j) EXPECT_EQ(counts[j], 0);
  int ndf = 0;
  // Four empty classes of E = 6 and one of 30: (24^2 + 4 * 36) / 6.
  EXPECT_NEAR(stats::chisq(x, 0.0, 1.0, ndf), 120.0, 1e-12);
}

TEST(Cell, CumulativeProbabilityIsAccumulated) {
  // With five classes the accumulated 0.2 + 0.2 + 0.2 lies above 0.6, and the
  // bound it gives lies above the one of 3/5. A value on the accumulated
  // bound belongs to class 3.
  double p = 0.0;
  for (int j = 0; j < 3; ++j) p = p + 1.0 / 5;
  const double acc = stats::xnorm(p);
  ASSERT_GT(acc, stats::xnorm(0.6));  // the case really tells the two apart
  std::vector<double> x = evenly_spread(30);
  int at = 0;
  while (x[at + 1] < acc) ++at;
  x[at] = acc;
  std::array<int, stats::kMaxClasses> counts{};
  int k = 0;
  stats::cell(x, 0.0, 1.0, counts, k);
  ASSERT_EQ(k, 5);
  EXPECT_EQ(counts[0] + counts[1] + counts[2], at + 1);
}

TEST(Cell, LongSeriesUsesFirstThousand) {
  std::vector<double> x = evenly_spread(1000);
  x.resize(1500, 50.0);  // values past the room are left out
  std::array<int, stats::kMaxClasses> counts{};
  int k = 0;
  stats::cell(x, 0.0, 1.0, counts, k);
  ASSERT_EQ(k, 10);
  for (int j = 0; j < k; ++j) EXPECT_EQ(counts[j], 100) << "class " << j + 1;
  int ndf = 0;
  EXPECT_NEAR(stats::chisq(x, 0.0, 1.0, ndf), 0.0, 1e-12);
}

TEST(Cell, EmptySeries) {
  std::vector<double> x;
  std::array<int, stats::kMaxClasses> counts{};
  int k = -1;
  stats::cell(x, 0.0, 1.0, counts, k);
  EXPECT_EQ(k, 0);
  int ndf = 0;
  EXPECT_EQ(stats::chisq(x, 0.0, 1.0, ndf), 0.0);
  EXPECT_EQ(ndf, -3);
}

// ---- xnorm ------------------------------------------------------------------

TEST(Xnorm, WithinStatedErrorOverUnitInterval) {
  double worst = 0.0;
  for (int i = 1; i < 10000; ++i) {
    const double p = i / 10000.0;
    worst = std::max(worst, std::fabs(stats::xnorm(p) - exact_quantile(p)));
  }
  for (double p : {1e-12, 1e-8, 1e-5, 1.0 - 1e-5, 1.0 - 1e-8}) {
    worst = std::max(worst, std::fabs(stats::xnorm(p) - exact_quantile(p)));
  }
  EXPECT_LT(worst, 4.5e-4);
}

TEST(Xnorm, KnownPointsAndSymmetry) {
  EXPECT_NEAR(stats::xnorm(0.5), 0.0, 4.5e-4);
  EXPECT_NEAR(stats::xnorm(0.975), 1.96, 4.5e-4);
  for (double p : {0.001, 0.0625, 0.25, 0.375}) {
    EXPECT_EQ(stats::xnorm(1.0 - p), -stats::xnorm(p)) << p;
  }
}

TEST(Xnorm, ProbabilityZeroOrOneStaysFinite) {
  const double lo = stats::xnorm(0.0);
  const double hi = stats::xnorm(1.0);
  EXPECT_TRUE(std::isfinite(lo));
  EXPECT_TRUE(std::isfinite(hi));
  EXPECT_EQ(lo, -hi);
  EXPECT_LT(lo, -27.0);
  EXPECT_GT(lo, -27.5);
  // Saturation keeps the function monotone near the ends.
  EXPECT_LE(lo, stats::xnorm(1e-170));
  EXPECT_LT(stats::xnorm(1e-170), stats::xnorm(1e-150));
  EXPECT_EQ(stats::xnorm(-0.5), lo);
  EXPECT_EQ(stats::xnorm(1.5), hi);
  EXPECT_TRUE(std::isnan(stats::xnorm(std::nan(""))));
}

// ---- qnormx -----------------------------------------------------------------

TEST(Qnormx, ExactValuesAtCentreAndBeyondTen) {
  EXPECT_EQ(stats::qnormx(0.0), 0.5);
  EXPECT_EQ(stats::qnormx(10.5), 0.0);
  EXPECT_EQ(stats::qnormx(-10.5), 1.0);
  EXPECT_GT(stats::qnormx(10.0), 0.0);  // the cut is strict
}

TEST(Qnormx, AccuracyAndSymmetry) {
  for (double z = -6.0; z <= 6.0; z += 0.01) {
    const double exact = 0.5 * std::erfc(z / std::sqrt(2.0));
    // 7.5e-8 of the approximation, plus the single-precision constants.
    EXPECT_NEAR(stats::qnormx(z), exact, 2.5e-7) << z;
    if (z > 0.0) {
      EXPECT_EQ(stats::qnormx(-z), 1.0 - stats::qnormx(z)) << z;
    }
  }
  EXPECT_NEAR(stats::qnormx(1.96), 0.025, 1e-5);
}

// ---- qchisx -----------------------------------------------------------------

struct ChiCase {
  double chi;
  double df;
  double tail;  // exact upper-tail probability
  double tol;   // accuracy of the approximation there
};

void PrintTo(const ChiCase& c, std::ostream* os) {
  *os << "chi " << c.chi << " df " << c.df;
}

class QchisxTest : public ::testing::TestWithParam<ChiCase> {};

TEST_P(QchisxTest, CloseToExactTail) {
  const ChiCase c = GetParam();
  EXPECT_NEAR(stats::qchisx(c.chi, c.df), c.tail, c.tol);
}

// Exact tails from pchisq(chi, df, lower.tail = FALSE).
INSTANTIATE_TEST_SUITE_P(
    Tails, QchisxTest,
    ::testing::Values(
        ChiCase{0.5, 1, 0.47950012218695348, 2.5e-2}, ChiCase{3, 1, 0.083264516663550558, 1.5e-2},
        ChiCase{1, 2, 0.60653065971263342, 7e-3}, ChiCase{4.5, 2, 0.10539922456186433, 4e-3},
        ChiCase{7.2, 3, 0.065789052685071001, 2.5e-3}, ChiCase{2.2, 4, 0.69902927576596707, 1.5e-3},
        ChiCase{12.5, 4, 0.013995792487650892, 1e-3}, ChiCase{6, 5, 0.30621891841327842, 5e-4},
        ChiCase{20, 15, 0.17193268937660092, 1.5e-4}, ChiCase{25.3, 20, 0.19019393908158935, 1e-4},
        ChiCase{31.4, 20, 0.050126415353420821, 1e-4}, ChiCase{15, 16, 0.52463852648760545, 2e-4},
        ChiCase{60, 40, 0.021873468441390858, 3e-5}),
    rivan6_test::ReadableName());

TEST(Qchisx, MedianJustBelowDegreesOfFreedom) {
  for (double df : {30.0, 100.0, 500.0}) {
    const double p = stats::qchisx(df, df);
    EXPECT_LT(p, 0.5) << df;
    EXPECT_GT(p, 0.45) << df;
  }
}

TEST(Qchisx, NoDegreesOfFreedomGivesNaN) {
  EXPECT_TRUE(std::isnan(stats::qchisx(3.0, 0.0)));
  EXPECT_TRUE(std::isnan(stats::qchisx(3.0, -1.0)));
  EXPECT_TRUE(std::isnan(stats::qchisx(0.0, 0.0)));
}

// ---- the three probability routines, digit for digit -------------------------
// Reference values from an independent double-precision program with the
// same constants (single-precision ones widened to double).

TEST(Transcription, QchisxDigits) {
  const double tol = 1e-15;
  EXPECT_NEAR(stats::qchisx(0.5, 1), 4.59513285405774852E-01, tol);
  EXPECT_NEAR(stats::qchisx(4.5, 2), 1.08740367748788952E-01, tol);
  EXPECT_NEAR(stats::qchisx(12.5, 4), 1.45917689788495984E-02, tol);
  EXPECT_NEAR(stats::qchisx(25.3, 20), 1.90232969579849087E-01, tol);
  EXPECT_NEAR(stats::qchisx(31.4, 20), 5.02043004970669782E-02, tol);
  EXPECT_NEAR(stats::qchisx(60, 40), 2.18879650871451163E-02, tol);
}

TEST(Transcription, QnormxDigits) {
  const double tol = 1e-16;
  EXPECT_EQ(stats::qnormx(-9.5), 1.0);
  EXPECT_NEAR(stats::qnormx(-1.96), 9.75002178804424302E-01, tol);
  EXPECT_NEAR(stats::qnormx(-0.3), 6.17911470275806396E-01, tol);
  EXPECT_NEAR(stats::qnormx(0.001), 4.99600891362473098E-01, tol);
  EXPECT_NEAR(stats::qnormx(1.0), 1.58655223809961887E-01, tol);
  EXPECT_NEAR(stats::qnormx(2.5), 6.20967902778424459E-03, 1e-18);
  EXPECT_NEAR(stats::qnormx(7.0), 1.28812645752195444E-12, 1e-26);
}

TEST(Transcription, XnormDigits) {
  const double tol = 1e-14;
  EXPECT_NEAR(stats::xnorm(1e-10), -6.36093886940509989E+00, tol);
  EXPECT_NEAR(stats::xnorm(0.001), -3.09052222578017100E+00, tol);
  EXPECT_NEAR(stats::xnorm(0.025), -1.96039491692534007E+00, tol);
  EXPECT_NEAR(stats::xnorm(0.3), -5.24001870382679868E-01, tol);
  EXPECT_NEAR(stats::xnorm(0.5), 1.01006675468084950E-07, 1e-20);
  EXPECT_NEAR(stats::xnorm(0.8), 8.41456717354784001E-01, tol);
  EXPECT_NEAR(stats::xnorm(0.999999), 4.75325845784680912E+00, tol);
}

}  // namespace
