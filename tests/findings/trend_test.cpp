#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "findings/gauges.hpp"
#include "findings/parts.hpp"

namespace findings {
namespace {

// A series without ties.
const std::vector<double> kSeries{3.1, 0.4, 5.9, 2.6, 5.3, 5.8, 9.7, 9.3, 2.3, 8.4, 6.2, 6.4};

// Mann-Kendall S, Z and p against R's cor.test(years, flows, method =
// "kendall", exact = FALSE, continuity = TRUE) (S = tau n (n - 1) / 2).
struct KendallCase {
  const char* name;
  double S, z, p;
};

void PrintTo(const KendallCase& c, std::ostream* os) {
  *os << c.name;
}

class MannKendallMatchesR : public ::testing::TestWithParam<KendallCase> {};

TEST_P(MannKendallMatchesR, SZAndProbability) {
  const KendallCase& c = GetParam();
  std::vector<double> x;
  if (std::string(c.name) == "Crafted") {
    x = kSeries;
  } else {
    const auto r = findings_test::shared(c.name);
    if (!r) GTEST_SKIP() << "../shared/data is absent";
    x = r->record.flows;
  }
  const MannKendall mk = mann_kendall(x);
  EXPECT_EQ(mk.S, c.S);
  EXPECT_NEAR(mk.Z, c.z, 1e-12);
  EXPECT_NEAR(mk.p, c.p, 1e-12);
  EXPECT_TRUE(mk.note.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Records, MannKendallMatchesR,
    ::testing::Values(KendallCase{"Crafted", 24, 1.57716860704461, 0.114756734318649},
                      KendallCase{"A2332110", -227, -2.84125047879109, 0.00449370021923198},
                      KendallCase{"A4200630", 37, 0.511251553797643, 0.609174923535674},
                      KendallCase{"A4250640", -93, -0.871069966534226, 0.383715951592705},
                      KendallCase{"A6051020", -129, -1.21192343169979, 0.225541691731951},
                      KendallCase{"B2220010", -5, -0.0378726072406185, 0.969789253629965}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MannKendall, NileWithTiedFlowsMatchesR) {
  // R: cor.test(1:100, Nile, method = "kendall", exact = FALSE, continuity =
  // TRUE): z = -4.1281, p = 3.658e-05 (the years have no ties, the flows do).
  const MannKendall mk = mann_kendall(findings_test::nile().record.flows);
  EXPECT_NEAR(mk.Z, -4.1281, 5e-5);
  EXPECT_NEAR(mk.p, 3.658e-05, 5e-9);
}

TEST(MannKendall, TiesReduceTheVariance) {
  // n = 6 with one pair and one triple tied: (6*5*17 - 2*1*9 - 3*2*11) / 18.
  const MannKendall mk = mann_kendall(std::vector<double>{1, 2, 2, 3, 3, 3});
  EXPECT_DOUBLE_EQ(mk.variance, (6.0 * 5 * 17 - 2 * 1 * 9 - 3 * 2 * 11) / 18.0);
  EXPECT_EQ(mk.S, 11.0);  // 1<2 (2), 1<3 (3), 2<3 (6), ties 0
}

TEST(MannKendall, NoVarianceOrNoPairIsMissingWithAReason) {
  for (const std::vector<double>& x :
       {std::vector<double>{}, std::vector<double>{5.0}, std::vector<double>{2.0, 2.0, 2.0}}) {
    const MannKendall mk = mann_kendall(x);
    EXPECT_TRUE(std::isnan(mk.Z));
    EXPECT_TRUE(std::isnan(mk.p));
    EXPECT_FALSE(mk.note.empty());
  }
}

TEST(SenSlope, MedianAndRankIntervalOfTheCraftedSeries) {
  // Computed in R from the definitions: the median of the 66 pairwise
  // slopes, the ranks (66 -+ qnorm(0.95) sqrt(Var S)) / 2 (+ 1), interpolated.
  const SenSlope s = sen_slope(kSeries, mann_kendall(kSeries).variance);
  EXPECT_NEAR(s.slope, 0.48750000000000004, 1e-14);
  EXPECT_NEAR(s.lower, -0.032874938652426897, 1e-12);
  EXPECT_NEAR(s.upper, 0.96655880909468872, 1e-12);
}

TEST(SenSlope, ALineHasItsSlopeAndShortRecordsNoInterval) {
  std::vector<double> line;
  for (int i = 0; i < 30; ++i) line.push_back(100.0 - 2.5 * i);
  const SenSlope s = sen_slope(line, mann_kendall(line).variance);
  EXPECT_DOUBLE_EQ(s.slope, -2.5);
  EXPECT_DOUBLE_EQ(s.lower, -2.5);
  EXPECT_DOUBLE_EQ(s.upper, -2.5);

  const std::vector<double> three{1.0, 3.0, 2.0};
  const SenSlope t = sen_slope(three, mann_kendall(three).variance);
  EXPECT_DOUBLE_EQ(t.slope, 0.5);  // slopes 2, 0.5, -1
  EXPECT_TRUE(std::isnan(t.lower));
  EXPECT_FALSE(t.interval_note.empty());

  const SenSlope one = sen_slope(std::vector<double>{4.0}, 0.0);
  EXPECT_TRUE(std::isnan(one.slope));
  EXPECT_FALSE(one.note.empty());
}

// A record of n years with many tied flows: rounded, with a small trend.
std::vector<double> tied_record(int n) {
  std::vector<double> x;
  for (int i = 0; i < n; ++i)
    x.push_back(std::round(50.0 + 30.0 * std::sin(0.37 * i * i)) + 0.2 * i);
  return x;
}

// The order statistics are selected, not sorted: on longer series, with
// tied slopes and both parities of their count, they must be the values a
// full sort gives. From about 180 years the selection first narrows the
// slopes to a band (300, 1000), and a record whose slopes are mostly one
// value (the steps) must not lose a rank at the band's edge.
TEST(SenSlope, SelectedRanksAreThoseOfTheSortedSlopes) {
  std::vector<double> steps;
  for (int i = 0; i < 400; ++i) steps.push_back(i % 97 == 0 ? 10.0 * i : 0.0);
  for (const int n : {40, 59, 60, 62, 200, 300, 1000, -400}) {
    const std::vector<double> x = n > 0 ? tied_record(n) : steps;
    const int years = static_cast<int>(x.size());
    std::vector<double> d;
    for (int i = 0; i + 1 < years; ++i)
      for (int j = i + 1; j < years; ++j) d.push_back((x[j] - x[i]) / (j - i));
    std::sort(d.begin(), d.end());
    const std::size_t m = d.size();
    const double variance = mann_kendall(x).variance;
    const double C = normal_quantile(0.5 + findings::kBoundLevel / 2.0) * std::sqrt(variance);
    const auto at = [&d](double rank) {
      const double i = rank - 1.0;
      const auto lo = static_cast<std::size_t>(std::floor(i));
      return d[lo] + (i - static_cast<double>(lo)) * (d[lo + 1] - d[lo]);
    };
    const SenSlope s = sen_slope(x, variance);
    EXPECT_EQ(s.slope, m % 2 ? d[m / 2] : 0.5 * (d[m / 2 - 1] + d[m / 2])) << n;
    EXPECT_EQ(s.lower, at((m - C) / 2.0)) << n;
    EXPECT_EQ(s.upper, at((m + C) / 2.0 + 1.0)) << n;
  }
}

TEST(Pettitt, NileChangesAfter1898) {
  // R, from the definition: K = 1617 at t = 28 (1898).
  const results::GaugeResult& r = findings_test::nile();
  const Pettitt p = pettitt(r.record.flows, r.record.first_year);
  EXPECT_EQ(p.K, 1617.0);
  EXPECT_EQ(p.last_year_before, 1898);
  EXPECT_EQ(p.first_year_after, 1899);
  EXPECT_LT(p.p, 1e-6);
  EXPECT_GT(p.mean_before, 1050.0);
  EXPECT_LT(p.mean_after, 900.0);
}

TEST(Pettitt, CraftedSeriesAndAStep) {
  // R, from the definition: K = 26 at t = 6, p = 2 exp(-6 K^2 / (n^3 + n^2)).
  const Pettitt c = pettitt(kSeries, 2001);
  EXPECT_EQ(c.K, 26.0);
  EXPECT_EQ(c.last_year_before, 2006);
  EXPECT_NEAR(c.p, 0.22911768798537546, 1e-14);

  const Pettitt step = pettitt(std::vector<double>{5, 6, 5, 6, 1, 2, 1, 2}, 1990);
  EXPECT_EQ(step.last_year_before, 1993);
  EXPECT_DOUBLE_EQ(step.mean_before, 5.5);
  EXPECT_DOUBLE_EQ(step.mean_after, 1.5);
}

// Mann-Kendall's S and Pettitt's U_t are counted from the sorted flows; on
// tied flows they must equal the double sums of signs.
TEST(SumsOfSigns, TiedFlowsGiveTheDoubleSums) {
  for (const int n : {7, 46, 300}) {
    const std::vector<double> x = tied_record(n);
    long long S = 0;
    for (int i = 0; i + 1 < n; ++i)
      for (int j = i + 1; j < n; ++j) S += (x[j] > x[i]) - (x[j] < x[i]);
    EXPECT_EQ(mann_kendall(x).S, static_cast<double>(S)) << n;
    long long K = 0;
    int at = 0;
    for (int t = 0; t + 1 < n; ++t) {
      long long U = 0;
      for (int i = 0; i <= t; ++i)
        for (int j = t + 1; j < n; ++j) U += (x[i] > x[j]) - (x[i] < x[j]);
      if (std::llabs(U) > K) {
        K = std::llabs(U);
        at = t;
      }
    }
    const Pettitt p = pettitt(x, 1900);
    EXPECT_EQ(p.K, static_cast<double>(K)) << n;
    EXPECT_EQ(p.last_year_before, 1900 + at) << n;
  }
}

TEST(Pettitt, FlatOrSingleYearHasNoChangeYear) {
  const Pettitt flat = pettitt(std::vector<double>{3, 3, 3, 3}, 1950);
  EXPECT_EQ(flat.K, 0.0);
  EXPECT_EQ(flat.p, 1.0);
  EXPECT_EQ(flat.last_year_before, 0);
  EXPECT_FALSE(flat.note.empty());
  const Pettitt one = pettitt(std::vector<double>{3}, 1950);
  EXPECT_TRUE(std::isnan(one.K));
  EXPECT_FALSE(one.note.empty());
}

}  // namespace
}  // namespace findings
