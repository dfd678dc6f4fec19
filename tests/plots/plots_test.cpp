#include "plots/plots.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "stats/chisq.hpp"
#include "support/files.hpp"

namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

// The three calls the driver makes for one plot: fitted, fitted again, observed.
using PlotFn = decltype(&plots::scplot);
std::vector<std::string> draw(PlotFn fn, std::span<const double> p, std::span<const double> fit,
                              std::span<const double> obs, double top,
                              std::string_view title = " TEST TITLE",
                              std::string_view caption = " FLOW") {
  std::ostringstream os;
  format::Writer screen(os);
  plots::Plot plot;
  fn(plot, p, fit, title, caption, 1, 1, 2, 2, top, 0.0, 100.0, 0.0, screen);
  fn(plot, p, fit, " ", " ", 1, 2, 2, 2, top, 0.0, 100.0, 0.0, screen);
  fn(plot, p, obs, " ", " ", 3, 3, 2, 2, top, 0.0, 100.0, 0.0, screen);
  return lines_of(os.str());
}

// Cells holding c in the plotting area (rows 4..20, columns 12..72) of a
// drawn scatter or probability plot.
int count(const std::vector<std::string>& lines, char c) {
  int k = 0;
  for (std::size_t r = 4; r < 21 && r < lines.size(); ++r) {
    const std::string cells = lines[r].substr(12, plots::kCols);
    k += static_cast<int>(std::count(cells.begin(), cells.end(), c));
  }
  return k;
}

// Three plotting positions 25, 50, 75 %; fitted and observed flows meet at the
// median (one cell with both symbols), the others lie apart.
const std::array<double, 3> kP{25.0, 50.0, 75.0};
const std::array<double, 3> kFit{10.0, 20.0, 30.0};
const std::array<double, 3> kObs{12.0, 20.0, 35.0};

TEST(Scplot, GoldenSmallPlot) {
  const std::vector<std::string> expected{
      "",
      " TEST TITLE",
      " FLOW",
      "           +-------------------------------------------------------------+",
      "     40.00 +                                                             |",
      "           |                                                             |",
      "           |               X                                             |",
      "           |                                                             |",
      "     30.00 +               *                                             |",
      "           |                                                             |",
      "           |                                                             |",
      "           |                                                             |",
      "     20.00 +                              #                              |",
      "           |                                                             |",
      "           |                                                             |",
      "           |                                             X               |",
      "     10.00 +                                             *               |",
      "           |                                                             |",
      "           |                                                             |",
      "           |                                                             |",
      "      0.00 +                                                             |",
      "           +------+-----+-----+-----+-----+-----+-----+-----+-----+------+",
      "            0     10    20    30    40    50    60    70    80    90   100",
      "            EXCEEDANCE PROBABILITY (%)   * FITTED  X OBSERVED  # BOTH",
  };
  EXPECT_EQ(draw(plots::scplot, kP, kFit, kObs, 40.0), expected);
}

TEST(Prplot, GoldenSmallPlot) {
  // Exceedance 25 % and 75 % lie at -0.674 and +0.674 standard deviations.
  const std::vector<std::string> expected{
      "",
      " TEST TITLE",
      " FLOW",
      "           +-------------------------------------------------------------+",
      "     40.00 +                                                             |",
      "           |                                                             |",
      "           |                       X                                     |",
      "           |                                                             |",
      "     30.00 +                       *                                     |",
      "           |                                                             |",
      "           |                                                             |",
      "           |                                                             |",
      "     20.00 +                              #                              |",
      "           |                                                             |",
      "           |                                                             |",
      "           |                                     X                       |",
      "     10.00 +                                     *                       |",
      "           |                                                             |",
      "           |                                                             |",
      "           |                                                             |",
      "      0.00 +                                                             |",
      "           +-------+------+---+---+-------+-------+---+---+------+-------+",
      "           0.1     1      5   10  20      50      80  90  95     99    99.9",
      "            EXCEEDANCE PROBABILITY (%)   * FITTED  X OBSERVED  # BOTH",
  };
  EXPECT_EQ(draw(plots::prplot, kP, kFit, kObs, 40.0), expected);
}

TEST(Scplot, DrawsOnlyOnTheThirdCallAndRestartsOnTheFirst) {
  std::ostringstream os;
  format::Writer screen(os);
  plots::Plot plot;
  plots::scplot(plot, kP, kFit, " A", " B", 1, 1, 2, 2, 40.0, 0.0, 100.0, 0.0, screen);
  plots::scplot(plot, kP, kFit, " ", " ", 1, 2, 2, 2, 40.0, 0.0, 100.0, 0.0, screen);
  EXPECT_EQ(os.str(), "");
  plots::scplot(plot, kP, kObs, " ", " ", 3, 3, 2, 2, 40.0, 0.0, 100.0, 0.0, screen);
  const auto first = lines_of(os.str());
  ASSERT_GE(first.size(), 3u);
  EXPECT_EQ(first[1], " A");  // captions of the starting call, not the later blank ones
  EXPECT_EQ(first[2], " B");
  EXPECT_EQ(count(first, '#'), 1);

  // A new plot in the same struct starts clean: only its own points show.
  os.str("");
  const std::array<double, 1> p{50.0}, y{5.0};
  plots::scplot(plot, p, y, " C", " ", 3, 1, 2, 2, 40.0, 0.0, 100.0, 0.0, screen);
  plots::scplot(plot, p, y, " ", " ", 3, 3, 2, 2, 40.0, 0.0, 100.0, 0.0, screen);
  const auto second = lines_of(os.str());
  EXPECT_EQ(second[1], " C");
  EXPECT_EQ(count(second, 'X'), 1);
  EXPECT_EQ(count(second, '*'), 0);
  EXPECT_EQ(count(second, '#'), 0);
}

// Plots that must come out whole: 24 lines, none wider than 80 columns.
struct Shape {
  const char* name;
  std::vector<double> p, fit, obs;
  double top;
  int symbols;  // cells marked in the plotting area
};

class PlotShapes : public ::testing::TestWithParam<Shape> {};

TEST_P(PlotShapes, DrawWholeWithinEightyColumns) {
  const Shape& s = GetParam();
  for (PlotFn fn : {&plots::scplot, &plots::prplot}) {
    const auto lines = draw(fn, s.p, s.fit, s.obs, s.top);
    ASSERT_EQ(lines.size(), 24u) << s.name;
    for (const auto& l : lines) EXPECT_LE(l.size(), 80u) << s.name << ": " << l;
    EXPECT_EQ(count(lines, '*') + count(lines, 'X') + count(lines, '#'), s.symbols) << s.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Series, PlotShapes,
    ::testing::Values(
        // All flows equal: every point at the same height, fitted on observed.
        Shape{"equal", {25.0, 50.0, 75.0}, {7.0, 7.0, 7.0}, {7.0, 7.0, 7.0}, 8.0, 3},
        // One flow.
        Shape{"one", {50.0}, {3.0}, {3.0}, 3.1, 1},
        // Flows six orders of magnitude apart: the small ones share the zero row,
        // the two largest lie a row apart.
        Shape{"far apart", {25.0, 50.0, 75.0}, {1e-3, 1.0, 9.9e5}, {2e-3, 3.0, 1e6}, 1.1e6, 4},
        // No flows: an empty frame.
        Shape{"none", {}, {}, {}, 1.0, 0}),
    [](const auto& info) {
      std::string n = info.param.name;
      std::replace(n.begin(), n.end(), ' ', '_');
      return n;
    });

class UnusableTop : public ::testing::TestWithParam<double> {};

TEST_P(UnusableTop, DrawsWithATopOfOneAndSaysSo) {
  const std::array<double, 2> p{30.0, 70.0}, fit{0.25, 0.75}, obs{0.5, 0.5};
  for (PlotFn fn : {&plots::scplot, &plots::prplot}) {
    const auto lines = draw(fn, p, fit, obs, GetParam());
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines[4].substr(0, 12), "     1.000 +");
    EXPECT_EQ(lines[20].substr(0, 12), "     0.000 +");
    EXPECT_EQ(lines[24].substr(0, 14), " THE PLOT TOP ");
    EXPECT_NE(lines[24].find("IS NOT A POSITIVE VALUE: DRAWN WITH A TOP OF 1"), std::string::npos)
        << lines[24];
    EXPECT_EQ(count(lines, 'X') + count(lines, '#'), 2);  // both observed points
  }
}

INSTANTIATE_TEST_SUITE_P(Tops, UnusableTop,
                         ::testing::Values(0.0, -1e8, std::numeric_limits<double>::quiet_NaN(),
                                           std::numeric_limits<double>::infinity()),
                         rivan6_test::ReadableName());

TEST(Scplot, PointsOutsideTheRangeAreCountedNotDrawn) {
  // Above the top, below zero, not a number, and a probability beyond 100 %.
  const std::array<double, 5> p{20.0, 40.0, 60.0, 80.0, 120.0};
  const std::array<double, 5> fit{1.0, 2.0, 3.0, 4.0, 5.0};
  const std::array<double, 5> obs{11.0, -1.0, std::numeric_limits<double>::quiet_NaN(), 4.0, 5.0};
  const auto lines = draw(plots::scplot, p, fit, obs, 10.0);
  ASSERT_EQ(lines.size(), 25u);
  // The fitted series is marked twice but counted once.
  EXPECT_EQ(lines[24], " POINTS OUTSIDE THE PLOT, NOT SHOWN:    1 FITTED,    4 OBSERVED");
}

TEST(Prplot, ExtremePositionsOfALongRecordStayOnThePaper) {
  // 1000 years: plotting positions 1/1001 and 1000/1001 fall just beyond
  // 0.1 % and 99.9 % and still land on the end columns.
  const std::array<double, 2> p{100.0 / 1001.0, 100000.0 / 1001.0};
  const std::array<double, 2> fit{1.0, 9.0}, obs{1.0, 9.0};
  const auto lines = draw(plots::prplot, p, fit, obs, 10.0);
  ASSERT_EQ(lines.size(), 24u);  // no note of points outside
  // Highest flow: smallest exceedance, leftmost column; lowest flow rightmost.
  EXPECT_EQ(lines[6][12], '#');
  EXPECT_EQ(lines[18][12 + plots::kCols - 1], '#');
}

// Correlogram bar plot.

std::vector<std::string> bars(int n, std::span<const double> r, std::span<const double> phi) {
  std::ostringstream os;
  format::Writer screen(os);
  plots::plotb(1.0, n, r, phi, 0.9999, n, screen);
  return lines_of(os.str());
}

TEST(Plotb, GoldenTwoLags) {
  const std::array<double, 2> r{0.5, -0.25}, phi{0.5, -0.6};
  const std::vector<std::string> expected{
      "",
      "",
      "                    + IS S.C.C. & * IS P.S.C.C.",
      "",
      "",
      "                  -1.000    -0.800    -0.600    -0.400    -0.200     0.000     0.200     "
      "0.400     0.600     0.800     1.000",
      "              1.00                                                    I                   "
      "     &                         ",
      "              2.00                      *                +            I                   "
      "                               ",
  };
  EXPECT_EQ(bars(2, r, phi), expected);
}

TEST(Plotb, RangeWidensToTheValuesAndSkipsNonNumbers) {
  const std::array<double, 2> r{0.3, std::numeric_limits<double>::quiet_NaN()};
  const std::array<double, 2> phi{-1.2, 0.9999};
  const auto lines = bars(2, r, phi);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[5],
            "                  -1.200    -0.980    -0.760    -0.540    -0.320    -0.100     0.120  "
            "   0.340     0.560     0.780     1.000");
  EXPECT_EQ(lines[6],
            "              1.00  *                                                      I          "
            "  +                                ");
  EXPECT_EQ(lines[7],
            "              2.00                                                         I          "
            "                                  *");
}

TEST(Plotb, RowsAreLabelledByLagAndOneHundredAndOneWide) {
  std::array<double, 20> r{}, phi{};
  for (int k = 0; k < 20; ++k) {
    r[k] = 0.9 - 0.09 * k;
    phi[k] = -0.5 + 0.05 * k;
  }
  const auto lines = bars(20, r, phi);
  ASSERT_EQ(lines.size(), 5u + 1u + 20u);
  for (int k = 1; k <= 20; ++k) {
    const std::string& l = lines[5 + k];
    ASSERT_EQ(l.size(), 121u);
    char label[400];
    std::snprintf(label, sizeof label, "%18.2f", static_cast<double>(k));
    EXPECT_EQ(l.substr(0, 18), label);
    EXPECT_EQ(l.substr(18, 2), "  ");
    // One '+' and one '*' (or a single '&'), and the zero line unless covered.
    const std::string cells = l.substr(20);
    const auto plus = std::count(cells.begin(), cells.end(), '+');
    const auto star = std::count(cells.begin(), cells.end(), '*');
    const auto both = std::count(cells.begin(), cells.end(), '&');
    EXPECT_TRUE((plus == 1 && star == 1 && both == 0) || (plus == 0 && star == 0 && both == 1))
        << l;
    EXPECT_TRUE(cells[50] == 'I' || cells[50] == '+' || cells[50] == '*' || cells[50] == '&') << l;
  }
}

TEST(Plotb, ZeroRangeAndZeroValuesFallBackToPlusMinusOne) {
  const std::array<double, 1> zero{0.0};
  std::ostringstream os;
  format::Writer screen(os);
  plots::plotb(1.0, 1, zero, zero, 0.0, 1, screen);
  const auto lines = lines_of(os.str());
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[5].substr(14, 20), "    -1.000    -0.800");
  EXPECT_EQ(lines[6].substr(20 + 49, 3), " & ");
}

TEST(Plotb, NoLagsGivesOneLine) {
  const std::array<double, 0> none{};
  EXPECT_EQ(bars(0, none, none), std::vector<std::string>{" THERE ARE NO LAGS TO PLOT"});
}

// The Nile: 100 annual flows against a two-parameter lognormal.
TEST(Plots, NileRecordDrawsEveryPoint) {
  std::vector<double> xs = rivan6_test::shared_annual_flows("NILE.INC");
  if (xs.empty()) GTEST_SKIP() << "no shared data";
  ASSERT_EQ(xs.size(), 100u);
  std::sort(xs.begin(), xs.end());
  double mu = 0.0, ss = 0.0;
  for (double v : xs) mu += std::log(v);
  mu /= 100.0;
  for (double v : xs) ss += (std::log(v) - mu) * (std::log(v) - mu);
  const double sigma = std::sqrt(ss / 100.0);
  std::vector<double> p(100), fit(100);
  for (int i = 0; i < 100; ++i) {
    p[i] = 100.0 * (i + 1) / 101.0;
    fit[i] = std::exp(mu + sigma * stats::xnorm((i + 1) / 101.0));
  }
  for (PlotFn fn : {&plots::scplot, &plots::prplot}) {
    const auto lines = draw(fn, p, fit, xs, 1400.0);
    ASSERT_EQ(lines.size(), 24u);  // no point outside
    for (const auto& l : lines) EXPECT_LE(l.size(), 80u);
    // The largest flow (1370) is in the top row, at the smallest exceedance.
    EXPECT_NE(lines[4].find_first_of("X#"), std::string::npos);
  }
}

}  // namespace
