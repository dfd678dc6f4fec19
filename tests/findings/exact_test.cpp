#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "findings/gauges.hpp"
#include "findings/parts.hpp"
#include "support/files.hpp"

namespace findings {
namespace {

using findings_test::nile;

struct TailCase {
  double x, df, expected;  // R: pchisq(x, df, lower.tail = FALSE)
};

void PrintTo(const TailCase& c, std::ostream* os) {
  *os << "x " << c.x << " df " << c.df;
}

class ChiSquareTail : public ::testing::TestWithParam<TailCase> {};

TEST_P(ChiSquareTail, EqualsRsPchisq) {
  const TailCase& c = GetParam();
  EXPECT_NEAR(chi_square_upper(c.x, c.df), c.expected, 1e-10);
  EXPECT_NEAR(chi_square_upper(c.x, c.df) / c.expected, 1.0, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Values, ChiSquareTail,
                         ::testing::Values(TailCase{12.7, 4, 0.012838591451519233},
                                           TailCase{6.82, 3, 0.07786173950584567},
                                           TailCase{0.5, 1, 0.47950012218695348},
                                           TailCase{95.811242262915314, 20, 7.0228790748861721e-12},
                                           TailCase{12.663110507276382, 17, 0.75843026990559193},
                                           TailCase{250, 200, 0.0093791316688260976},
                                           TailCase{0.001, 2, 0.99950012497916929},
                                           TailCase{40, 5, 1.4933679000503954e-07}),
                         rivan6_test::ReadableName());

TEST(ChiSquareTail, OutsideTheDomainIsMissing) {
  EXPECT_TRUE(std::isnan(chi_square_upper(3.0, 0.0)));
  EXPECT_TRUE(std::isnan(chi_square_upper(3.0, -2.0)));
  EXPECT_TRUE(std::isnan(chi_square_upper(std::nan(""), 2.0)));
  EXPECT_EQ(chi_square_upper(0.0, 2.0), 1.0);
}

TEST(ExactChiSquare, NileTestsEqualRsClassingAndPchisq) {
  // R: k = 7 classes with bounds mean + sd qnorm(1:6 / 7) (sd with divisor
  // n), counts by findInterval(left.open = TRUE), pchisq with k - 3 (flows)
  // and k - 4 (normalised flows) degrees of freedom.
  const results::GaugeResult& r = nile();
  std::vector<double> x, z;
  for (const results::RankedFlow& row : r.ranked) {
    x.push_back(row.flow);
    z.push_back(row.normalised);
  }
  const ExactChiSquare flows = exact_chi_square(x, r.raw.mean, r.raw.sd, r.chi_flows);
  ASSERT_TRUE(flows.available);
  EXPECT_EQ(flows.k, 7);
  EXPECT_EQ(flows.df, 4);
  const std::array<int, 7> cx{11, 22, 16, 12, 10, 8, 21};
  for (int j = 0; j < 7; ++j) EXPECT_EQ(flows.counts_exact[j], cx[j]) << j;
  EXPECT_NEAR(flows.statistic_exact, 12.7, 1e-12);
  EXPECT_NEAR(flows.probability_exact, 0.0128385914515192, 1e-10);
  EXPECT_EQ(flows.probability_report, r.chi_flows.probability);

  const ExactChiSquare norm =
      exact_chi_square(z, r.normalised.mean, r.normalised.sd, r.chi_normalised);
  const std::array<int, 7> cz{12, 17, 20, 9, 12, 12, 18};
  for (int j = 0; j < 7; ++j) EXPECT_EQ(norm.counts_exact[j], cz[j]) << j;
  EXPECT_EQ(norm.df, 3);
  EXPECT_NEAR(norm.probability_exact, 0.0778617395058457, 1e-10);
}

TEST(ExactChiSquare, AValueOnABoundGoesToTheLowerClass) {
  // Four values, k = 2 (Sturges), the bound at the mean.
  stats::ChiSquareTest report;
  report.k = 2;
  report.df = -1;
  const std::vector<double> x{-1.0, 0.0, 0.0, 1.0};
  const ExactChiSquare e = exact_chi_square(x, 0.0, 1.0, report);
  EXPECT_EQ(e.counts_exact[0], 3);
  EXPECT_EQ(e.counts_exact[1], 1);
  EXPECT_DOUBLE_EQ(e.statistic_exact, 1.0);
  EXPECT_TRUE(std::isnan(e.probability_exact));
  EXPECT_FALSE(e.probability_note.empty());
}

TEST(ExactPortmanteau, SameQWithTheExactTail) {
  const results::GaugeResult& r = nile();
  const ExactPortmanteau e = exact_portmanteau(r.correlogram);
  ASSERT_TRUE(e.available);
  EXPECT_EQ(e.Q, r.correlogram.Q);
  EXPECT_EQ(e.df, 20);
  EXPECT_NEAR(e.probability_exact, 7.0228790748861721e-12, 1e-20);
  stats::Correlogram none;
  EXPECT_FALSE(exact_portmanteau(none).available);
  stats::Correlogram no_df;
  no_df.n = 10;
  no_df.L = 3;
  no_df.df = 0;
  no_df.Q = 4.0;
  const ExactPortmanteau z = exact_portmanteau(no_df);
  EXPECT_TRUE(std::isnan(z.probability_exact));
  EXPECT_FALSE(z.probability_note.empty());
}

// The exact log-likelihood of the chosen model on the normalised flows and
// that of white noise, from R: arima(z, order = c(p, 0, q), include.mean =
// FALSE, fixed = c(phi[1:p], -theta[1:q]), transform.pars = FALSE)$loglik
// (R's MA coefficients are minus the program's theta), and the same with
// order c(0, 0, 0).
struct LoglikCase {
  const char* name;
  int p, q;
  double model, white_noise, sigma2;
};

void PrintTo(const LoglikCase& c, std::ostream* os) {
  *os << c.name;
}

class ExactLoglik : public ::testing::TestWithParam<LoglikCase> {};

TEST_P(ExactLoglik, EqualsRsArima) {
  const LoglikCase& c = GetParam();
  std::optional<results::GaugeResult> shared;
  const results::GaugeResult* r = &nile();
  if (std::string(c.name) != "NILE") {
    shared = findings_test::shared(c.name);
    if (!shared) GTEST_SKIP() << "../shared/data is absent";
    r = &*shared;
  }
  ASSERT_TRUE(r->complete());
  ASSERT_EQ(r->p, c.p);
  ASSERT_EQ(r->q, c.q);
  const Likelihood l = likelihood(*r);
  EXPECT_NEAR(l.model, c.model, 1e-6);
  EXPECT_NEAR(l.white_noise, c.white_noise, 1e-6);
  EXPECT_NEAR(l.sigma2, c.sigma2, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Records, ExactLoglik,
    ::testing::Values(
        LoglikCase{"NILE", 2, 1, -126.378505462963, -141.893853320467, 0.727605232400},
        LoglikCase{"A3301010", 0, 1, -59.599460627023, -65.271172527415, 0.776216931255},
        LoglikCase{"K2523010", 0, 2, -40.074756098372, -42.568155996140, 0.840320994751},
        LoglikCase{"A5261010", 1, 0, -51.414780753220, -52.500725728573, 0.941394414303},
        LoglikCase{"A2332110", 1, 1, -51.996371611283, -53.919664261778, 0.892881893318},
        LoglikCase{"A4200630", 1, 2, -48.170252311685, -49.662848662164, 0.804293988519},
        LoglikCase{"E4306010", 2, 0, -35.003049465837, -42.568155996140, 0.585257316039},
        LoglikCase{"J2603010", 2, 1, -36.726429575635, -43.987094529345, 0.561195088206},
        LoglikCase{"H9021010", 2, 2, -34.398851206429, -41.149217462936, 0.535505657008},
        LoglikCase{"Y1105010", 2, 2, -31.357035293344, -29.797709197298, 1.063718534062}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExactLoglik, WhiteNoiseHasItsClosedForm) {
  const std::vector<double> z{0.3, -1.2, 0.8, 0.1, -0.4};
  double s2 = 0.0;
  std::string why;
  const double ll = exact_loglik(z, 0, 0, {}, {}, s2, why);
  double ss = 0.0;
  for (const double v : z) ss += v * v;
  EXPECT_DOUBLE_EQ(s2, ss / 5.0);
  EXPECT_NEAR(ll, -2.5 * (std::log(2.0 * std::numbers::pi * ss / 5.0) + 1.0), 1e-12);
}

TEST(ExactLoglik, NonStationaryArOrEmptySeriesIsMissingWithAReason) {
  const std::vector<double> z{0.3, -1.2, 0.8};
  double s2 = 0.0;
  std::string why;
  EXPECT_TRUE(std::isnan(exact_loglik(z, 1, 0, {1.0, 0.0}, {}, s2, why)));
  EXPECT_FALSE(why.empty());
  EXPECT_TRUE(std::isnan(exact_loglik(z, 2, 0, {0.5, 0.6}, {}, s2, why)));
  EXPECT_FALSE(why.empty());
  EXPECT_TRUE(std::isnan(exact_loglik(std::vector<double>{}, 0, 0, {}, {}, s2, why)));
  EXPECT_FALSE(why.empty());
  // A non-invertible MA part still has an exact likelihood.
  EXPECT_FALSE(std::isnan(exact_loglik(z, 0, 1, {}, {1.5, 0.0}, s2, why)));
}

struct RootCase {
  const char* name;
  int m;
  std::array<double, 2> c;
  std::vector<std::pair<double, double>> roots;
};

void PrintTo(const RootCase& c, std::ostream* os) {
  *os << c.name;
}

class ReciprocalRoots : public ::testing::TestWithParam<RootCase> {};

TEST_P(ReciprocalRoots, SolveTheCharacteristicEquation) {
  const RootCase& c = GetParam();
  const auto roots = reciprocal_roots(c.m, c.c);
  ASSERT_EQ(roots.size(), c.roots.size());
  for (std::size_t i = 0; i < roots.size(); ++i) {
    EXPECT_NEAR(roots[i].first, c.roots[i].first, 1e-12);
    EXPECT_NEAR(roots[i].second, c.roots[i].second, 1e-12);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Orders, ReciprocalRoots,
    ::testing::Values(RootCase{"None", 0, {0.5, 0.5}, {}},
                      RootCase{"First", 1, {0.7, 0.3}, {{0.7, 0.0}}},
                      // (1 - 0.5 B)(1 - 0.3 B) = 1 - 0.8 B + 0.15 B^2
                      RootCase{"RealPair", 2, {0.8, -0.15}, {{0.5, 0.0}, {0.3, 0.0}}},
                      // L^2 - L + 0.5 = 0: L = 0.5 +- 0.5 i
                      RootCase{"ComplexPair", 2, {1.0, -0.5}, {{0.5, 0.5}, {0.5, -0.5}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ModelRoots, ModulusAndClosestPair) {
  const Roots r = model_roots(1, 1, {0.6, 0.0}, {0.55, 0.0});
  EXPECT_DOUBLE_EQ(r.ar_modulus, 0.6);
  EXPECT_DOUBLE_EQ(r.ma_modulus, 0.55);
  EXPECT_NEAR(r.closest, 0.05, 1e-15);
  // A zero coefficient is no factor: nothing to cancel.
  const Roots z = model_roots(1, 1, {0.0, 0.0}, {0.01, 0.0});
  EXPECT_TRUE(std::isnan(z.closest));
  EXPECT_TRUE(std::isnan(model_roots(2, 0, {0.5, 0.1}, {}).closest));
}

}  // namespace
}  // namespace findings
