// The figures: well-formed, titled and described, with known points at the
// coordinates worked out by hand, and the overlays of the findings drawn
// when given and absent when not.
#include "report/figures.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <regex>

#include "report/test_data.hpp"
#include "report/xml_check.hpp"

namespace report {
namespace {

using testing::analysed;
using testing::count;
using testing::nile;

// The plot area of the series figure is x 78..740, y 46..280.
const std::vector<double> kFourYears{100, 200, 300, 400};

bool has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

// ---- Every figure of every kind of record is a described, well-formed SVG.

struct RecordCase {
  const char* name;
  std::function<results::GaugeResult()> make;
};
void PrintTo(const RecordCase& c, std::ostream* os) {
  *os << c.name;
}

std::vector<std::pair<std::string, std::string>> figures_of(const results::GaugeResult& r) {
  std::vector<std::pair<std::string, std::string>> f;
  const std::string& n = r.record.name;
  f.emplace_back("series", series_figure(r, {}));
  if (r.transformed()) f.emplace_back("probability", probability_figure(r, {}));
  if (r.correlated()) {
    f.emplace_back("acf", correlogram_figure(r.correlogram, CorrelogramKind::kSerial, n));
    f.emplace_back("pacf", correlogram_figure(r.correlogram, CorrelogramKind::kPartial, n));
    f.emplace_back("arma", arma_figure(r.arma, n));
  }
  if (r.complete()) {
    f.emplace_back("racf", correlogram_figure(r.residual_correlogram, CorrelogramKind::kResidual, n,
                                              "ARMA(1,0)"));
    f.emplace_back("deficit", deficit_figure(r.arma.fits[r.p][r.q], r.raw.mean, n));
  }
  f.emplace_back("sparkline", sparkline(r.record.flows, n, r.record.first_year, "spark-1"));
  return f;
}

class EveryFigure : public ::testing::TestWithParam<RecordCase> {};

TEST_P(EveryFigure, IsWellFormedWithTitleAndDescription) {
  const results::GaugeResult r = GetParam().make();
  for (const auto& [kind, svg] : figures_of(r)) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(testing::xml_error(svg), "");
    EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
    const std::regex title("<title id=\"[-a-z0-9]+-title\">[^<]+</title>");
    const std::regex desc("<desc id=\"[-a-z0-9]+-desc\">[^<]+</desc>");
    EXPECT_TRUE(std::regex_search(svg, title));
    EXPECT_TRUE(std::regex_search(svg, desc));
    // Coordinates carry at most two decimals.
    EXPECT_FALSE(std::regex_search(svg, std::regex("=\"-?[0-9]+\\.[0-9]{3,}\"")));
    EXPECT_FALSE(has(svg, "nan")) << "a coordinate that is not a number";
    EXPECT_FALSE(has(svg, "inf\""));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Records, EveryFigure,
    ::testing::Values(
        RecordCase{"nile", [] { return nile(); }},
        RecordCase{"zero_flows",
                   [] {
                     return analysed("ZEROS", 1961, {40.1, 22.6, 0.0, 15.3, 0.0, 31.9, 27.2});
                   }},
        RecordCase{"six_years",
                   [] {
                     return analysed("SHORT", 1995, {681, 765, 550, 710, 588, 638});
                   }},
        RecordCase{"two_years",
                   [] {
                     return analysed("TWO", 2000, {5.0, 9.0});
                   }},
        RecordCase{"no_spread",
                   [] {
                     return analysed("FLAT", 1980, {7.0, 7.0, 7.0, 7.0});
                   }},
        RecordCase{"all_zero",
                   [] {
                     return analysed("DRY", 1980, {0.0, 0.0, 0.0});
                   }},
        RecordCase{"one_year", [] { return analysed("ONE", 1990, {12.0}); }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Known points.

TEST(SeriesFigure, PutsAYearAndItsFlowWhereTheAxesSay) {
  // Years 1999.5..2003.5 over x 78..740; flows 0..400 (ticks of 100) over
  // y 280..46. 2001 lies 1.5/4 of the way: 78 + 248.25; 200 half way up.
  const std::string svg = series_figure(analysed("KNOWN", 2000, kFourYears), {});
  EXPECT_TRUE(has(svg, "<circle cx=\"326.25\" cy=\"163\"")) << svg;
  EXPECT_TRUE(has(svg, "<circle cx=\"160.75\" cy=\"221.5\""));  // 2000: 100
  EXPECT_TRUE(has(svg, ">400</text>"));
  // The mean 250 as a dashed line across the plot.
  EXPECT_TRUE(has(svg, "<line x1=\"78\" y1=\"133.75\" x2=\"740\" y2=\"133.75\""));
}

TEST(SeriesFigure, MarksYearsWithoutFlow) {
  // 2001 without flow: a ring at x 326.25 on flow 0 (y 280), and no dot.
  const std::string svg = series_figure(analysed("KNOWN", 2000, {100, 0, 300, 400}), {});
  EXPECT_TRUE(has(svg, "<circle cx=\"326.25\" cy=\"280\" r=\"4\" fill=\"#FFFFFF\"")) << svg;
  EXPECT_FALSE(has(svg, "<circle cx=\"326.25\" cy=\"280\" r=\"2.5\""));
  EXPECT_TRUE(has(svg, "year without flow (1)"));
  EXPECT_FALSE(has(series_figure(analysed("KNOWN", 2000, kFourYears), {}), "without flow"));
}

TEST(ProbabilityFigure, PutsTheMedianFlowAtTheCentre) {
  // Three flows: the middle one has plotting position 1/2, quantile 0, the
  // centre of x 78..740.
  const std::string svg = probability_figure(analysed("KNOWN", 2000, {100, 200, 300}), {});
  EXPECT_TRUE(std::regex_search(svg, std::regex("<circle cx=\"409\" cy=\"[0-9.]+\" r=\"3\"")));
}

TEST(ProbabilityFigure, ShiftsThePositiveFlowsPastTheZeroFlowMass) {
  // One year of four without flow: the median positive flow has
  // probability 0.25 + 0.75 / 2 = 0.625 among all years, quantile
  // 0.318639, x = 78 + (0.318639 + 3.4) / 6.8 * 662.
  const std::string svg = probability_figure(analysed("KNOWN", 2000, {0, 100, 200, 300}), {});
  EXPECT_TRUE(std::regex_search(svg, std::regex("<circle cx=\"440.02\" cy=\"[0-9.]+\" r=\"3\"")))
      << svg;
  // The zero-flow mass: along flow 0 up to the quantile of 0.25
  // (-0.674490): x = 78 + 2.72551 / 6.8 * 662 = 343.34.
  EXPECT_TRUE(has(svg, "x2=\"343.34\"")) << svg;
  EXPECT_TRUE(has(svg, "zero flows: 1 of 4 years"));
}

TEST(ProbabilityFigure, MarksNoZeroFlowMassWithoutZeroFlows) {
  EXPECT_FALSE(has(probability_figure(nile(), {}), "zero flows"));
}

TEST(ProbabilityFigure, LabelsBothTailsWithReturnPeriods) {
  const std::string svg = probability_figure(nile(), {});
  // 2 years once at the centre, the others on each side (in the small
  // type of the top axis; the flow axis has a 1000 too).
  EXPECT_EQ(count(svg, "\"11\">2</text>"), 1);
  for (const char* t :
       {"\"11\">5</text>", "\"11\">10</text>", "\"11\">100</text>", "\"11\">1000</text>"})
    EXPECT_EQ(count(svg, t), 2) << t;
  for (const char* p : {">0.1 %</text>", ">50 %</text>", ">99.9 %</text>"})
    EXPECT_EQ(count(svg, p), 1) << p;
}

// ---- Overlays.

TEST(SeriesFigure, DrawsChangePointTrendAndRuns) {
  SeriesOverlay o;
  o.change = ChangePoint{2001, 150.0, 350.0};
  o.trend = TrendLine{100.0, 2000.0, 100.0};
  o.levels = {{120.0, "20 % level", RunKind::kDrought}};
  o.runs = {{2000, 2000, RunKind::kDrought}, {2002, 2003, RunKind::kSurplus}};
  const std::string svg = series_figure(analysed("KNOWN", 2000, kFourYears), o);
  EXPECT_EQ(testing::xml_error(svg), "");
  // The change between 2001 and 2002: x of 2001.5 is 409.
  EXPECT_TRUE(has(svg, "<line x1=\"409\" y1=\"46\" x2=\"409\" y2=\"280\"")) << svg;
  // The mean before, 150, from the left edge to the change: y 192.25.
  EXPECT_TRUE(has(svg, "<line x1=\"78\" y1=\"192.25\" x2=\"409\" y2=\"192.25\""));
  // The runs: 1999.5..2000.5 and 2001.5..2003.5.
  EXPECT_TRUE(has(svg, "<rect x=\"78\" y=\"46\" width=\"165.5\" height=\"234\" fill=\"#E69F00\""));
  EXPECT_TRUE(has(svg, "<rect x=\"409\" y=\"46\" width=\"331\" height=\"234\" fill=\"#56B4E9\""));
  for (const char* legend : {"trend 100 per year", "means before and after 2002", "drought run",
                             "surplus run", "crossing level", "20 % level"})
    EXPECT_TRUE(has(svg, legend)) << legend;
}

TEST(SeriesFigure, DrawsNothingOfAnEmptyOverlay) {
  const std::string svg = series_figure(analysed("KNOWN", 2000, kFourYears), {});
  for (const char* legend :
       {"trend", "means before", "drought run", "surplus run", "crossing level"})
    EXPECT_FALSE(has(svg, legend)) << legend;
}

TEST(ProbabilityFigure, DrawsBandAndReturnPeriodFlows) {
  ProbabilityOverlay o;
  o.band = ConfidenceBand{90.0, {0.1, 0.5, 0.9}, {600, 850, 1100}, {700, 950, 1300}};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  o.points = {{0.99, 1500, 1400, 1650, "100 y wet"}, {0.5, 900, nan, nan, "2 y"}};
  const std::string svg = probability_figure(nile(), o);
  EXPECT_EQ(testing::xml_error(svg), "");
  EXPECT_EQ(count(svg, "<polygon"), 1 + 2 + 1);  // the band, two points, the legend's diamond
  EXPECT_TRUE(has(svg, "fill=\"#56B4E9\" fill-opacity=\"0.35\""));
  EXPECT_TRUE(has(svg, "90 % confidence band"));
  EXPECT_TRUE(has(svg, ">100 y wet</text>"));
  EXPECT_TRUE(has(svg, "return-period flow with bounds"));
  // The y axis grows to hold the upper bound 1650.
  EXPECT_TRUE(has(svg, ">1800</text>") || has(svg, ">2000</text>"));
}

TEST(ProbabilityFigure, DrawsNoBandOrPointsWhenNoneAreGiven) {
  const std::string svg = probability_figure(nile(), {});
  EXPECT_EQ(count(svg, "<polygon"), 0);
  EXPECT_FALSE(has(svg, "confidence band"));
}

// ---- Correlograms, ARMA grid, deficits.

TEST(CorrelogramFigure, DrawsOneBarPerLagAndColoursThoseOutsideTheBand) {
  const stats::Correlogram& c = nile().correlogram;
  const std::string svg = correlogram_figure(c, CorrelogramKind::kSerial, "NILE");
  int outside = 0;
  for (int k = 0; k < c.L; ++k) outside += std::fabs(c.r[k]) > c.c;
  ASSERT_GT(outside, 0);
  // Bars and the legend's bar swatches.
  EXPECT_EQ(count(svg, "fill=\"#D55E00\"/>"), outside + 1);
  EXPECT_EQ(count(svg, "fill=\"#0072B2\"/>"), c.L - outside + 1);
  EXPECT_TRUE(has(svg, "band \u00b11.96/\u221an = \u00b10.196 (n = 100)"));
}

TEST(CorrelogramFigure, PartialShowsThePartialCoefficients) {
  stats::Correlogram c;
  c.n = 30;
  c.L = 3;
  c.c = 1.96 / std::sqrt(30.0);
  c.r = {0.9, 0.8, 0.7};
  c.phi = {0.9, -0.1, 0.05};
  const std::string partial = correlogram_figure(c, CorrelogramKind::kPartial, "X");
  const std::string serial = correlogram_figure(c, CorrelogramKind::kSerial, "X");
  EXPECT_EQ(count(partial, "fill=\"#D55E00\"/>"), 1 + 1);
  EXPECT_EQ(count(serial, "fill=\"#D55E00\"/>"), 3 + 1);
  EXPECT_TRUE(has(partial, "id=\"fig-pacf\""));
  EXPECT_TRUE(has(serial, "id=\"fig-acf\""));
}

TEST(ArmaFigure, MarksTheChosenModel) {
  const std::string svg = arma_figure(nile().arma, "NILE");
  EXPECT_EQ(count(svg, "\u2605 chosen"), 1);
  EXPECT_TRUE(has(svg, "chosen: ARMA(2,1)"));
  EXPECT_FALSE(has(svg, "not fitted"));
  // The thick frame of the chosen cell: p = 2, q = 1.
  EXPECT_TRUE(has(svg, "<rect x=\"251.5\" y=\"269.5\" width=\"137\" height=\"85\""));
}

TEST(ArmaFigure, ShowsModelsWithoutAicc) {
  // Five flows: n - p - q - 2 <= 0 for p + q >= 3.
  const results::GaugeResult r = analysed("FIVE", 2000, {3.1, 4.7, 2.2, 5.9, 4.0});
  ASSERT_TRUE(r.correlated());
  const std::string svg = arma_figure(r.arma, "FIVE");
  EXPECT_EQ(count(svg, ">not fitted</text>"), 3);
  EXPECT_TRUE(has(svg, ">no score</text>"));
}

TEST(ArmaFigure, ShowsWhereTheLagCheckStopped) {
  arma::Identification id;
  for (int k = 0; k < 4; ++k) {
    arma::ArmaFit& f = id.fits[k / 3][k % 3];
    f.fitted = true;
    f.score = 40.0 + k;
  }
  id.refused = 4;
  const std::string svg = arma_figure(id, "X");
  EXPECT_EQ(count(svg, ">not reached</text>"), 4);
  EXPECT_EQ(count(svg, ">refused</text>"), 1);
  EXPECT_FALSE(has(svg, "chosen"));
  EXPECT_EQ(testing::xml_error(svg), "");
}

TEST(DeficitFigure, PutsTheObservedDeficitOnItsLevelsScale) {
  arma::ArmaFit fit;
  fit.p = 1;
  for (int k = 0; k < 41; ++k) fit.deficits[0].simulated[k] = k;
  fit.deficits[0].observed = 5.0;
  // Ticks 0..40 over x 176..730: 5 lies at 176 + 554 / 8; the first
  // panel's centre is y 69.
  const std::string svg = deficit_figure(fit, 100.0, "X");
  EXPECT_TRUE(has(svg, "<polygon points=\"245.25,60 252.25,69 245.25,78 238.25,69\"")) << svg;
  EXPECT_TRUE(has(svg, "observed exceeds 5 of 41"));
  EXPECT_TRUE(has(svg, "= 50</text>"));  // 0.5 of the mean flow 100
  EXPECT_TRUE(has(svg, "synthetic series of ARMA(1,0)"));
}

TEST(Sparkline, SpansItsBoxFromSmallestToLargest) {
  const std::string svg = sparkline({1, 2, 3}, "S", 2000, "spark-1");
  EXPECT_TRUE(has(svg, "points=\"2,26 60,14 118,2\"")) << svg;
  EXPECT_EQ(testing::xml_error(svg), "");
}

}  // namespace
}  // namespace report
