// The gauge page and the index page: well-formed, self-contained, every
// section present or said to be absent, and what the caller adds placed
// where it belongs.
#include "report/page.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>

#include "report/test_data.hpp"
#include "report/xml_check.hpp"

namespace report {
namespace {

using testing::analysed;
using testing::count;
using testing::nile;

bool has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

struct PageCase {
  const char* name;
  std::function<results::GaugeResult()> make;
  std::vector<const char*> figures;  // the figures the page holds
  int absent = 0;                    // sections said to be absent
  std::vector<const char*> reasons;  // what they say
};
void PrintTo(const PageCase& c, std::ostream* os) {
  *os << c.name;
}

const std::vector<const char*> kAllFigures{"series", "probability", "acf", "pacf",
                                           "arma",   "deficit",     "racf"};

class GaugePage : public ::testing::TestWithParam<PageCase> {};

TEST_P(GaugePage, IsWellFormedSelfContainedAndComplete) {
  const PageCase& c = GetParam();
  const results::GaugeResult r = c.make();
  const std::string page = gauge_page(r, {}, links_for(r, true));
  EXPECT_EQ(testing::xml_error(page), "");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html lang=\"en\">", 0), 0u);
  // Nothing to run and nothing fetched: no script, no external style, no
  // address but the SVG namespace.
  EXPECT_FALSE(has(page, "<script"));
  EXPECT_FALSE(has(page, "<link"));
  EXPECT_FALSE(has(page, "https://"));
  EXPECT_EQ(count(page, "http://"), count(page, "http://www.w3.org/2000/svg"));
  for (const char* f : kAllFigures) {
    const bool expected =
        std::find(c.figures.begin(), c.figures.end(), std::string(f)) != c.figures.end();
    EXPECT_EQ(count(page, std::string("data-figure=\"") + f + "\""), expected ? 1 : 0) << f;
  }
  EXPECT_EQ(count(page, "class=\"absent\""), c.absent);
  for (const char* a : c.reasons) EXPECT_TRUE(has(page, a)) << a;
  // Every section is there, drawn or said to be absent.
  for (const char* id : {"summary", "series", "distribution", "tests", "correlation", "model",
                         "residuals", "crossings"})
    EXPECT_TRUE(has(page, std::string("id=\"") + id + "\"")) << id;
  // Ids are unique on the page, so that every figure keeps its own title.
  std::set<std::string> ids;
  const std::regex id("id=\"([^\"]+)\"");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), id); it != std::sregex_iterator();
       ++it)
    EXPECT_TRUE(ids.insert((*it)[1]).second) << "repeated id " << (*it)[1];
}

INSTANTIATE_TEST_SUITE_P(
    Records, GaugePage,
    ::testing::Values(
        PageCase{"nile", [] { return nile(); }, kAllFigures, 0, {}},
        PageCase{
            "zero_flows",
            [] {
              return analysed("ZEROS", 1961, {40.1, 22.6, 0.0, 15.3, 0.0, 31.9, 27.2});
            },
            {"series", "probability"},
            4,
            {"Absent: a record with zero flows gets no correlogram, ARMA model or level-crossing "
             "analysis."}},
        PageCase{"six_years",
                 [] {
                   return analysed("SHORT", 1995, {681, 765, 550, 710, 588, 638});
                 },
                 kAllFigures,
                 0,
                 {}},
        PageCase{"two_years",
                 [] {
                   return analysed("TWO", 2000, {5.0, 9.0});
                 },
                 {"series", "probability"},
                 4,
                 {"Absent: fewer than 3 positive flows."}},
        PageCase{"no_spread",
                 [] {
                   return analysed("FLAT", 1980, {7.0, 7.0, 7.0, 7.0});
                 },
                 {"series"},
                 6,
                 {"Absent: with no spread among the positive flows no distribution can be fitted.",
                  "Absent: no transform, so no test of the normalised flows.",
                  "Absent: no normalised flows."}},
        PageCase{
            "all_zero",
            [] {
              return analysed("DRY", 1980, {0.0, 0.0, 0.0});
            },
            {"series"},
            6,
            {"Absent: with no spread", "Absent: no transform", "Absent: no normalised flows."}},
        PageCase{
            "one_year",
            [] { return analysed("ONE", 1990, {12.0}); },
            {"series"},
            6,
            {"Absent: with no spread", "Absent: no transform", "Absent: no normalised flows."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GaugePage, LinksTheFilesOfTheGauge) {
  const std::string page = gauge_page(nile(), {}, links_for(nile(), true));
  for (const char* href : {"NILE.ANS", "NILE.COR", "NILE.YER", "NILE.json", "index.html"})
    EXPECT_TRUE(has(page, std::string("<a href=\"") + href + "\">")) << href;
}

TEST(GaugePage, LinksNoCorrelogramFileWhereNoneIsWritten) {
  const results::GaugeResult r = analysed("ZEROS", 1961, {40.1, 22.6, 0.0, 15.3, 0.0, 31.9});
  const std::string page = gauge_page(r, {}, links_for(r, false));
  EXPECT_FALSE(has(page, ".COR"));
  EXPECT_FALSE(has(page, "index.html"));
  EXPECT_TRUE(has(page, "<a href=\"ZEROS.ANS\">"));
}

TEST(GaugePage, ShowsFindingsWarningsAndSectionsWhereTheyBelong) {
  PageExtras e;
  e.findings = {"Mann-Kendall trend: none at 5 %."};
  e.warnings = {{"W<1>", "Flows & levels \"odd\"."}};
  e.sections = {
      {Place::kCrossings,
       "Drought events",
       "Runs below the 20 % level.",
       {"first year", "last year", "deficit"},
       {{"1913", "1914", "321.5"}, {"1940", "1942", "n/a"}}},
      {Place::kDistribution, "Return periods", "No bounds: the record is too short.", {}, {}},
      {Place::kEnd,
       "Exact probabilities",
       "",
       {"test", "probability"},
       {{"chi-square", "0.0801"}}}};
  e.series.trend = TrendLine{-1.0, 1920.0, 919.0};
  e.probability.band = ConfidenceBand{90.0, {0.1, 0.9}, {700, 1100}, {760, 1200}};
  const std::string page = gauge_page(nile(), e, links_for(nile(), true));
  EXPECT_EQ(testing::xml_error(page), "");
  EXPECT_TRUE(has(page, "<li>Mann-Kendall trend: none at 5 %.</li>"));
  EXPECT_TRUE(has(page, "<code>W&lt;1&gt;</code> Flows &amp; levels &quot;odd&quot;."));
  EXPECT_FALSE(has(page, "No warnings."));
  // Each extra section after its own part of the page, before the next.
  const auto at = [&](const std::string& s) { return page.find(s); };
  EXPECT_GT(at(">Drought events<"), at("id=\"crossings\""));
  EXPECT_LT(at(">Drought events<"), at(">Exact probabilities<"));
  EXPECT_GT(at(">Return periods<"), at("data-figure=\"probability\""));
  EXPECT_LT(at(">Return periods<"), at("id=\"tests\""));
  EXPECT_GT(at(">Exact probabilities<"), at(">Drought events<"));
  // A section without a table is a note; numeric columns are right-aligned.
  EXPECT_TRUE(has(page, "<p class=\"absent\">No bounds: the record is too short.</p>"));
  EXPECT_TRUE(has(page, "<td class=\"n\">321.5</td>"));
  EXPECT_TRUE(has(page, "<td class=\"n\">n/a</td>"));
  // The overlays reach the figures.
  EXPECT_TRUE(has(page, "trend -1 per year"));
  EXPECT_TRUE(has(page, "90 % confidence band"));
}

TEST(GaugePage, SaysWhenThereAreNoWarnings) {
  EXPECT_TRUE(has(gauge_page(nile(), {}, {}), "No warnings."));
}

TEST(GaugePage, MarksTheChosenTransformAndStatesTheModel) {
  const std::string page = gauge_page(nile(), {}, {});
  EXPECT_EQ(count(page, "<tr class=\"chosen\">"), 1);
  EXPECT_TRUE(has(page, "<tr class=\"chosen\"><td>LN2</td>"));
  EXPECT_TRUE(has(page, "Chosen model: ARMA(2,1)"));
  // The probability the report gives is shown as N/A when the test has no
  // degrees of freedom.
  const std::string six =
      gauge_page(analysed("SHORT", 1995, {681, 765, 550, 710, 588, 638}), {}, {});
  EXPECT_TRUE(has(six, "<td class=\"n\">N/A</td>"));
}

TEST(IndexPage, ListsEveryGaugeInOrderWithFailures) {
  const results::GaugeResult zeros = analysed("Z&1", 1961, {40.1, 22.6, 0.0, 15.3});
  const std::vector<IndexRow> rows{index_row(nile(), "NILE.html", 2),
                                   failed_row("GONE", "cannot open the flow file data/GONE.INC"),
                                   index_row(zeros, "Z&1.html", 0)};
  const std::string page = index_page(rows);
  EXPECT_EQ(testing::xml_error(page), "");
  EXPECT_LT(page.find(">NILE</a>"), page.find(">GONE<"));
  EXPECT_LT(page.find(">GONE<"), page.find(">Z&amp;1</a>"));
  EXPECT_TRUE(has(page,
                  "<td colspan=\"6\" class=\"failed\">failed: cannot open the flow file "
                  "data/GONE.INC</td>"));
  EXPECT_TRUE(has(page, "3 gauges: 2 analysed, 1 failed."));
  EXPECT_EQ(count(page, "<svg "), 2);  // no sparkline for the failed gauge
  EXPECT_TRUE(
      has(page, "<td>1871\u20131970</td><td class=\"n\">100</td><td>LN2</td><td>(2,1)</td>"));
  EXPECT_TRUE(has(page, "<td>none</td><td>"));  // no ARMA model with zero flows
  EXPECT_TRUE(has(page, "<td class=\"n\">2</td></tr>"));
  EXPECT_FALSE(has(page, "<script"));
}

}  // namespace
}  // namespace report
