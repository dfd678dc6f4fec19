// The HTML page of one gauge and the index page of a run. Both are single
// self-contained files: the figures inline as <svg>, the style sheet inline,
// no script and nothing fetched from the network. Both are well-formed XML
// as well as HTML, and print on A4.
#pragma once

#include <string>
#include <vector>

#include "report/figures.hpp"
#include "results/result.hpp"

namespace report {

// A warning about a gauge: a short code and a sentence.
struct Warning {
  std::string code, sentence;
};

// Where an extra section goes: after the part of the page it belongs to.
enum class Place {
  kSummary,       // the findings at the top
  kSeries,        // the annual series (trend, change point)
  kDistribution,  // the fitted distribution (return-period flows)
  kTests,         // the tests of normality (exact probabilities)
  kCorrelation,   // the correlograms
  kModel,         // the ARMA model
  kCrossings,     // the level crossings (drought and surplus events)
  kEnd,
};

// A section the caller adds: a title, a short text, and a table (no table
// when the header is empty). A section whose subject does not exist for
// this gauge says so in its text, with no table.
struct Section {
  Place place = Place::kEnd;
  std::string title;
  std::string text;
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

// What the page shows beyond the result value: findings as sentences,
// warnings, extra sections and the overlays of the figures.
struct PageExtras {
  std::vector<std::string> findings;
  std::vector<Warning> warnings;
  std::vector<Section> sections;
  SeriesOverlay series;
  ProbabilityOverlay probability;
};

// The files the page links to, relative to the page ("" when there is none).
struct Links {
  std::string ans, cor, yer, json;
  std::string index;  // the index page of the run
};
// The usual links of a gauge: NAME.ANS, NAME.COR (only when the analysis
// wrote one), NAME.YER, NAME.json, and index.html when `with_index`.
Links links_for(const results::GaugeResult& r, bool with_index);

// The page of one gauge, NAME.html.
std::string gauge_page(const results::GaugeResult& r, const PageExtras& extras, const Links& links);

// One row of the index page.
struct IndexRow {
  std::string name;
  std::string page;     // link to the gauge's page ("" when it has none)
  std::string failure;  // why the gauge failed; empty when it was analysed
  int first_year = 0, last_year = 0, years = 0;
  std::string transform;  // "LN3", ... ("" when none was fitted)
  bool model = false;     // an ARMA model was chosen
  int p = 0, q = 0;
  std::vector<double> flows;  // the annual flows for the sparkline
  int warnings = 0;
};
// The row of an analysed gauge.
IndexRow index_row(const results::GaugeResult& r, const std::string& page, int warnings);
// The row of a gauge that failed.
IndexRow failed_row(const std::string& name, const std::string& reason);

// index.html: one row per gauge in the order given.
std::string index_page(const std::vector<IndexRow>& rows, const std::string& title = "");

}  // namespace report
