#include "arma/funct.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "normalize/fits.hpp"
#include "support/files.hpp"

namespace {

using arma::at;

double product_form(const std::vector<double>& x) {
  double d = 1.0;
  for (double a : x)
    for (double b : x) d *= 1.0 - a * b;
  return d;
}

class DetProduct : public ::testing::TestWithParam<std::array<double, 4>> {};

TEST_P(DetProduct, ClosedFormsEqualTheProduct) {
  const auto v = GetParam();
  const auto near = [](double got, double want) {
    EXPECT_NEAR(got, want, 1e-14 + 1e-11 * std::fabs(want));
  };
  near(arma::det1(v[0]), product_form({v[0]}));
  near(arma::det2(v[0], v[1]), product_form({v[0], v[1]}));
  near(arma::det3(v[0], v[1], v[2]), product_form({v[0], v[1], v[2]}));
  near(arma::det4(v[0], v[1], v[2], v[3]), product_form({v[0], v[1], v[2], v[3]}));
}

INSTANTIATE_TEST_SUITE_P(Values, DetProduct,
                         ::testing::Values(std::array<double, 4>{0.0, 0.0, 0.0, 0.0},
                                           std::array<double, 4>{0.4, -0.4, 0.4, -0.4},
                                           std::array<double, 4>{0.9, 0.5, -0.3, 0.1},
                                           std::array<double, 4>{-0.99, 0.97, 0.95, -0.2},
                                           std::array<double, 4>{0.7, 0.7, 0.7, 0.7},
                                           std::array<double, 4>{0.123, -0.456, 0.789, -0.321},
                                           std::array<double, 4>{1.3, -0.2, 0.5,
                                                                 2.0},  // outside the unit interval
                                           std::array<double, 4>{0.999, 0.0, -0.5, 0.25}),
                         rivan6_test::ReadableName());

TEST(Dmac, SingleCoefficientIsHalfLogOfOneMinusSquare) {
  for (double c : {-0.9, -0.3, 0.1, 0.5, 0.95}) {
    const double d = -0.5 * std::log(1.0 - c * c);
    EXPECT_NEAR(arma::dmac(&c, 1, 0), d, 1e-15);
    EXPECT_NEAR(arma::dmac(&c, 0, 1), d, 1e-15);
  }
}

TEST(Dmac, CancellingFactorsGiveZero) {
  // phi = theta: [Delta1(c) Delta1(c)]^2 / Delta2(c, c) = 1.
  for (double c : {-0.8, 0.2, 0.6}) {
    const double v[2] = {c, c};
    EXPECT_NEAR(arma::dmac(v, 1, 1), 0.0, 1e-13);
  }
  // Identical quadratic factors on both sides of ARMA(2,2) do not cancel:
  // the ratio is Delta2^4 / Delta4.
  const double v[4] = {0.5, -0.3, 0.5, -0.3};
  const double d2 = product_form({0.5, -0.3});
  const double d4 = product_form({0.5, -0.3, 0.5, -0.3});
  EXPECT_NEAR(arma::dmac(v, 2, 2), -0.5 * std::log(d2 * d2 * d2 * d2 / d4), 1e-12);
}

TEST(Dmac, OrderPairsWithoutTermAndGuards) {
  const double v[8] = {0.3, -0.2, 0.1, 0.4, 0.2, 0.1, 0.1, 0.1};
  EXPECT_EQ(arma::dmac(v, 0, 0), 0.0);
  EXPECT_EQ(arma::dmac(v, 3, 0), 0.0);
  EXPECT_EQ(arma::dmac(v, 0, 3), 0.0);
  EXPECT_EQ(arma::dmac(v, 2, 3), 0.0);
  EXPECT_EQ(arma::dmac(v, 3, 3), 0.0);
  // A singular denominator switches the term off instead of dividing by 0
  // (dyadic values, so that the closed forms vanish exactly).
  const double unit[3] = {1.0, 0.5, 0.25};
  EXPECT_EQ(arma::dmac(unit, 1, 1), 0.0);
  EXPECT_EQ(arma::dmac(unit, 2, 1), 0.0);
  EXPECT_EQ(arma::dmac(unit, 1, 2), 0.0);
  // p = 4 alone: Delta4 of the first four.
  EXPECT_NEAR(arma::dmac(v, 4, 0), -0.5 * std::log(product_form({0.3, -0.2, 0.1, 0.4})), 1e-13);
  EXPECT_NEAR(arma::dmac(v, 4, 2), -0.5 * std::log(product_form({0.3, -0.2, 0.1, 0.4})), 1e-13);
  // Mixed orders with the numerator split as the table says.
  const double num = (1 - 0.09) * product_form({-0.2, 0.1});
  EXPECT_NEAR(arma::dmac(v, 1, 2), -0.5 * std::log(num * num / product_form({0.3, -0.2, 0.1})),
              1e-13);
  const double num31 = product_form({0.3, -0.2, 0.1}) * (1 - 0.16);
  EXPECT_NEAR(arma::dmac(v, 3, 1),
              -0.5 * std::log(num31 * num31 / product_form({0.3, -0.2, 0.1, 0.4})), 1e-13);
}

std::vector<double> series(int n) {
  std::vector<double> w(n);
  for (int t = 1; t <= n; ++t) w[t - 1] = std::sin(0.7 * t) + 0.3 * std::cos(2.1 * t) + 0.05 * t;
  return w;
}

std::unique_ptr<arma::Blocks> blocks(const std::vector<double>& w, int np, int mq,
                                     std::array<int, 4> L, std::array<int, 4> M) {
  auto b = std::make_unique<arma::Blocks>();
  b->p.n = static_cast<int>(w.size());
  b->p.np = np;
  b->p.mq = mq;
  b->p.ar_lags = L;
  b->p.ma_lags = M;
  for (int t = 1; t <= b->p.n; ++t) at(b->w.w, t) = w[t - 1];
  return b;
}

constexpr arma::ObjectiveStatus kOk = arma::ObjectiveStatus::ok;

// AR(1) on lag 1: the back-forecasts are phi^(1-t) w(1), the residual at
// t = 1 is (1 - phi^2) w(1), and D = -0.5 ln(1 - phi^2) is added.
TEST(Funct, Ar1MatchesClosedForm) {
  const auto w = series(30);
  const int n = 30;
  for (double phi : {-0.6, 0.3, 0.8}) {
    auto b = blocks(w, 1, 0, {1, 0, 0, 0}, {});
    const double x = normalize::flogit(-1.0, 1.0, phi);
    double f = 0.0;
    EXPECT_EQ(arma::funct(1, &x, f, *b), kOk);
    EXPECT_NEAR(b->v.phi[1], phi, 1e-15);
    EXPECT_EQ(b->p.max_ar, 1);
    EXPECT_EQ(b->p.max_ma, 0);
    double S = (1 - phi * phi) * w[0] * (1 - phi * phi) * w[0];
    for (int t = 2; t <= n; ++t) S += (w[t - 1] - phi * w[t - 2]) * (w[t - 1] - phi * w[t - 2]);
    const double D = -0.5 * std::log(1 - phi * phi);
    EXPECT_NEAR(b->d.determinant, D, 1e-14);
    EXPECT_NEAR(f, n * std::log(S / n) + n * (n + 1.0) / (n - 3.0) + D, 1e-10);
    EXPECT_NEAR(b->d.res[0], (1 - phi * phi) * w[0], 1e-12);
    EXPECT_NEAR(b->d.res[n - 1], w[n - 1] - phi * w[n - 2], 1e-14);
    // The back-forecast stops at the first value below 1e-5.
    int t0 = 0;
    while (std::fabs(std::pow(phi, 1 - t0) * w[0]) >= 9.999999747378752e-06) --t0;
    EXPECT_EQ(b->p.t0, t0);
    EXPECT_NEAR(at(b->w.w, -3), std::pow(phi, 4) * w[0], 1e-14);
  }
}

// phi = theta: the model is white noise; residuals are the series, D = 0.
TEST(Funct, Arma11WithEqualCoefficientsIsWhiteNoise) {
  const auto w = series(25);
  for (double c : {-0.5, 0.4, 0.9}) {
    auto b = blocks(w, 1, 1, {1, 0, 0, 0}, {1, 0, 0, 0});
    const double x[2] = {normalize::flogit(-1.0, 1.0, c), normalize::flogit(-1.0, 1.0, c)};
    double f = 0.0;
    ASSERT_EQ(arma::funct(2, x, f, *b), kOk);
    EXPECT_NEAR(b->v.phi[1], c, 1e-15);
    EXPECT_NEAR(b->v.theta[1], c, 1e-15);
    EXPECT_NEAR(b->d.determinant, 0.0, 1e-12);
    double S = 0.0;
    for (int t = 1; t <= 25; ++t) {
      EXPECT_NEAR(b->d.res[t - 1], w[t - 1], 1e-12) << t;
      S += w[t - 1] * w[t - 1];
    }
    EXPECT_NEAR(f, 25 * std::log(S / 25) + 25.0 * 27.0 / 21.0 + std::max(b->d.determinant, 0.0),
                1e-10);
  }
}

// With p = 1 the AR coefficient is mapped on (-1, 1) whatever follows it in
// the unknowns; with p = 2 the first lies in (R2 - 1, 1 - R2).
TEST(Funct, PairwiseMappingIntoTheStationarityRegion) {
  const auto w = series(20);
  {
    auto b = blocks(w, 1, 2, {1, 0, 0, 0}, {1, 2, 0, 0});
    const double x[3] = {0.8, -0.9, 1.7};
    double f;
    ASSERT_EQ(arma::funct(3, x, f, *b), kOk);
    EXPECT_NEAR(b->v.phi[1], normalize::rev(-1, 1, 0.8), 1e-15);
    const double m2 = normalize::rev(-1, 1, 1.7);
    EXPECT_NEAR(b->v.theta[2], m2, 1e-15);
    EXPECT_NEAR(b->v.theta[1], normalize::rev(m2 - 1, 1 - m2, -0.9), 1e-15);
  }
  {
    auto b = blocks(w, 2, 0, {1, 2, 0, 0}, {});
    const double x[2] = {std::log(1.0 / 0.2), std::log(1.4 / 0.6)};
    double f;
    ASSERT_EQ(arma::funct(2, x, f, *b), kOk);
    EXPECT_NEAR(b->v.phi[2], 0.4, 1e-15);
    EXPECT_NEAR(b->v.phi[1], 0.4, 1e-15);
  }
}

// Four AR factors on lags 1..4 expand into the coefficients of
// (1 - R1 B - R2 B^2)(1 - R3 B^3 - R4 B^4).
TEST(Funct, ProductOfTwoFactorsExpands) {
  const auto w = series(40);
  auto b = blocks(w, 4, 0, {1, 2, 3, 4}, {});
  const double x[4] = {0.3, -0.5, 0.7, 0.2};
  double f;
  ASSERT_EQ(arma::funct(4, x, f, *b), kOk);
  const double R4 = normalize::rev(-1, 1, 0.2);
  const double R3 = normalize::rev(R4 - 1, 1 - R4, 0.7);
  const double R2 = normalize::rev(-1, 1, -0.5);
  const double R1 = normalize::rev(R2 - 1, 1 - R2, 0.3);
  const std::array<double, 3> f1{1, -R1, -R2};
  const std::array<double, 5> f2{1, 0, 0, -R3, -R4};
  std::array<double, 7> prod{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 5; ++j) prod[i + j] += f1[i] * f2[j];
  EXPECT_EQ(b->p.max_ar, 6);
  for (int K = 1; K <= 6; ++K) {
    EXPECT_NEAR(b->v.phi[K], -prod[K], 1e-15) << K;
    EXPECT_EQ(b->p.ar_flag[K], K);
  }
  EXPECT_EQ(b->p.ar_flag[7], 0);
  EXPECT_EQ(b->d.determinant, 0.0);  // no determinant term beyond lag 4
}

// A back-forecast that never dies out stops after 1001 - maxlag values.
class LongBackForecast : public ::testing::TestWithParam<int> {};

TEST_P(LongBackForecast, StopsAtMaxlagMinus1000) {
  const int maxlag = GetParam();
  std::vector<double> w(30, 1.0e6);
  auto b = blocks(w, maxlag, 0, {1, 2, 0, 0}, {});
  // AR(1): phi = 0.999; AR(2): phi1 = 0.5, phi2 = 0.499 (a root near 1).
  const double x1 =
      maxlag == 1 ? normalize::flogit(-1, 1, 0.999) : normalize::flogit(0.499 - 1, 1 - 0.499, 0.5);
  const double x[2] = {x1, normalize::flogit(-1, 1, 0.499)};
  double f;
  ASSERT_EQ(arma::funct(maxlag, x, f, *b), kOk);
  EXPECT_EQ(b->p.t0, maxlag - 1000);
  EXPECT_GT(std::fabs(at(b->w.w, maxlag - 1000)), 1.0);
  EXPECT_TRUE(std::isfinite(f));
}

INSTANTIATE_TEST_SUITE_P(Lags, LongBackForecast, ::testing::Values(1, 2),
                         rivan6_test::ReadableName());

struct LagCase {
  int n, np, L1, L3;
  bool refused;
};

void PrintTo(const LagCase& c, std::ostream* os) {
  *os << "n" << c.n << " np" << c.np << " lags " << c.L1 << " " << c.L3
      << (c.refused ? " refused" : " accepted");
}

class LagCheck : public ::testing::TestWithParam<LagCase> {};

TEST_P(LagCheck, LargestLagMustBeBelowNAndAtMost20) {
  const LagCase c = GetParam();
  auto b = blocks(series(c.n), c.np, 0, {c.L1, 0, c.L3, 0}, {});
  const double x[3] = {0.1, 0.0, 0.2};
  double f = 123.0;
  const arma::ObjectiveStatus status = arma::funct(c.np, x, f, *b);
  EXPECT_EQ(status != kOk, c.refused);
  EXPECT_EQ(b->p.lag_refused, c.refused);
  if (c.refused) {
    EXPECT_EQ(f, 0.0);
    EXPECT_EQ(b->p.refusal.np, c.np);
    EXPECT_GE(b->p.refusal.lag, std::min(c.n, 21));
  } else {
    EXPECT_TRUE(std::isfinite(f));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, LagCheck,
                         ::testing::Values(LagCase{21, 1, 20, 0, false},
                                           LagCase{30, 1, 21, 0, true}, LagCase{5, 1, 5, 0, true},
                                           LagCase{6, 1, 5, 0, false},
                                           // L3 + L1 = 21 has no slot: refused, no overrun
                                           LagCase{40, 3, 1, 20, true},
                                           LagCase{40, 3, 1, 19, false}),
                         rivan6_test::ReadableName());

// Models on lags 1..p and 1..q (p, q <= 2) take a fast path; it must give the
// general loops' numbers bit for bit, the stale values that one call leaves
// below the back-forecast origin for the next included. Each order runs a
// chain of calls over unknowns from near zero to the edges of their regions
// (back-forecasts that die at once, and ones that run to the cap).
TEST(Funct, FastPathEqualsTheGeneralLoopsBitForBit) {
  for (const int n : {5, 46, 300}) {
    const auto w = series(n);
    for (int p = 0; p <= 2; ++p)
      for (int q = 0; q <= 2; ++q) {
        if (p + q == 0) continue;
        auto fast = blocks(w, p, q, {p >= 1, p >= 2 ? 2 : 0, 0, 0}, {q >= 1, q >= 2 ? 2 : 0, 0, 0});
        auto general =
            blocks(w, p, q, {p >= 1, p >= 2 ? 2 : 0, 0, 0}, {q >= 1, q >= 2 ? 2 : 0, 0, 0});
        fast->p.t0 = general->p.t0 = -100;
        for (int call = 0; call < 40; ++call) {
          std::array<double, 4> u{};
          for (int i = 0; i < p + q; ++i) u[i] = 12.0 * std::sin(1.7 * call + 2.3 * i + 0.1 * n);
          double f1 = 0.0, f2 = 0.0;
          ASSERT_EQ(arma::funct(p + q, u.data(), f1, *fast), kOk);
          ASSERT_EQ(arma::funct_general(p + q, u.data(), f2, *general), kOk);
          const std::string where = "n " + std::to_string(n) + " p " + std::to_string(p) + " q " +
                                    std::to_string(q) + " call " + std::to_string(call);
          ASSERT_EQ(std::memcmp(&f1, &f2, sizeof f1), 0) << where << ": " << f1 << " " << f2;
          ASSERT_EQ(fast->p.t0, general->p.t0) << where;
          ASSERT_EQ(std::memcmp(&fast->w, &general->w, sizeof fast->w), 0) << where;
          ASSERT_EQ(std::memcmp(fast->d.res.data(), general->d.res.data(), sizeof(double) * n), 0)
              << where;
        }
      }
  }
}

}  // namespace
