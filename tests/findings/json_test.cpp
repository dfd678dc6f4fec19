// The JSON of the findings against docs/findings.schema.json, the network
// table's columns and the screen block, over results of every extent.
#include <gtest/gtest.h>

#include <charconv>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>

#include "findings/gauges.hpp"
#include "findings/parts.hpp"
#include "support/json_schema.hpp"

namespace findings {
namespace {

using Json = nlohmann::ordered_json;

const rivan6_test::JsonSchema& schema() {
  static const rivan6_test::JsonSchema s(std::filesystem::path(RIVAN6_SOURCE_DIR) / "docs" /
                                         "findings.schema.json");
  return s;
}

// The results the JSON is checked on: every extent, zero flows, short and
// flat records.
struct Gauge {
  const char* name;
  std::function<results::GaugeResult()> make;
  int bootstrap;
};

std::vector<double> with_zeros() {
  std::vector<double> x = findings_test::wavy(30);
  for (int i = 1; i < 30; i += 5) x[i] = 0.0;
  return x;
}

void PrintTo(const Gauge& g, std::ostream* os) {
  *os << g.name;
}

const std::vector<Gauge>& gauges() {
  static const std::vector<Gauge> g{
      {"Nile", [] { return findings_test::nile(); }, 30},
      {"NileWithoutBootstrap", [] { return findings_test::nile(); }, 0},
      {"ZeroFlows", [] { return findings_test::analysed("ZEROS", 1950, with_zeros()); }, 30},
      {"Short",
       [] {
         return findings_test::analysed("SHORT", 1990, {12, 30, 18, 25, 9});
       },
       30},
      {"TwoYears",
       [] {
         return findings_test::analysed("TWO", 1990, {12, 30});
       },
       30},
      {"OneYear", [] { return findings_test::analysed("ONE", 1990, {12}); }, 30},
      {"NoSpread",
       [] {
         return findings_test::analysed("FLAT", 1990, {7, 7, 7, 7, 7, 7});
       },
       30},
      {"AllZero",
       [] {
         return findings_test::analysed("DRY", 1990, {0, 0, 0, 0});
       },
       30},
      {"OnePositive",
       [] {
         return findings_test::analysed("WET1", 1990, {0, 0, 5, 0});
       },
       30},
      {"ThousandYears",
       [] {
         // Pseudo-random flows with some persistence.
         std::vector<double> x;
         double u = 0.3, prev = 0.0;
         for (int i = 0; i < 1000; ++i) {
           u = std::fmod(u * 9301.0 + 0.49297, 1.0);
           prev = 0.5 * prev + (u - 0.5);
           x.push_back(1000.0 + 400.0 * prev);
         }
         return findings_test::analysed("LONG", 1001, x);
       },
       20},
      {"ReaderNotes",
       [] {
         results::GaugeResult r = findings_test::analysed("NOTES", 1950, findings_test::wavy(25));
         r.record.ended_at_line = 26;
         r.record.blank_years = {1960};
         return r;
       },
       30},
  };
  return g;
}

class FindingsJson : public ::testing::TestWithParam<Gauge> {};

TEST_P(FindingsJson, EveryKeyIsInTheSchemaAndEveryNullHasANote) {
  const results::GaugeResult r = GetParam().make();
  const Json j = to_json(compute(r, Options{GetParam().bootstrap}));
  for (const std::string& e : schema().errors(j)) ADD_FAILURE() << e;
  rivan6_test::expect_notes_explain_nulls(j, "$", true);
}

TEST_P(FindingsJson, CsvColumnsFollowTheHeaders) {
  const results::GaugeResult r = GetParam().make();
  const Findings f = compute(r, Options{GetParam().bootstrap});
  const auto columns = csv_columns(f);
  const auto headers = csv_headers();
  ASSERT_EQ(columns.size(), headers.size());
  for (std::size_t i = 0; i < headers.size(); ++i) {
    EXPECT_EQ(columns[i].first, headers[i]);
    EXPECT_EQ(columns[i].second.find_first_of(",\"\n"), std::string::npos) << columns[i].second;
  }
  EXPECT_EQ(columns[0].second.empty(), f.warnings.empty());
}

TEST_P(FindingsJson, BlockIsShortNarrowAndIndented) {
  const results::GaugeResult r = GetParam().make();
  const Findings f = compute(r, Options{GetParam().bootstrap});
  const std::string block = findings_block(r, f);
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(block.back(), '\n');
  std::istringstream in(block);
  std::string line;
  int lines = 0;
  while (std::getline(in, line)) {
    ++lines;
    EXPECT_LT(line.size(), 80u) << line;
    EXPECT_EQ(line.rfind(" ", 0), 0u) << line;
  }
  EXPECT_LE(lines, 25);
  for (const Warning& w : f.warnings) EXPECT_NE(block.find(w.code + ":"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Gauges, FindingsJson, ::testing::ValuesIn(gauges()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FindingsSchema, EveryPropertyIsDescribed) {
  rivan6_test::expect_closed_and_described(schema(), schema().root(), "$");
  EXPECT_EQ(schema().root()["type"], "object");
}

TEST(FindingsSchema, TheCheckCatchesAnUndescribedKeyAndAWrongType) {
  Json j = to_json(compute(findings_test::nile(), Options{0}));
  j["trend"]["pettitt"]["year_of_change"] = 1898;
  j["return_periods"]["periods"][0]["T"] = "two";
  std::string all;
  for (const std::string& e : schema().errors(j)) all += e + "|";
  EXPECT_NE(all.find("$.trend.pettitt: key \"year_of_change\" is not in the schema"),
            std::string::npos)
      << all;
  EXPECT_NE(all.find("$.return_periods.periods[0].T: is string, not"), std::string::npos) << all;
}

TEST(Csv, NileValuesRoundTrip) {
  const Findings f = compute(findings_test::nile(), Options{0});
  const auto columns = csv_columns(f);
  std::map<std::string, std::string> c(columns.begin(), columns.end());
  EXPECT_EQ(c["warnings"], "unit_root;trend;change_point");
  EXPECT_EQ(c["pettitt_year"], "1898");
  double v = 0.0;
  const std::string& dry = c["dry_flow_T100"];
  std::from_chars(dry.data(), dry.data() + dry.size(), v);
  EXPECT_EQ(v, f.return_periods.periods[6].dry.flow);
  EXPECT_EQ(c["mk_z"], round_trip(f.mann_kendall.Z));

  const Findings flat =
      compute(findings_test::analysed("FLAT", 1990, {7, 7, 7, 7, 7, 7}), Options{0});
  const auto flat_columns = csv_columns(flat);
  std::map<std::string, std::string> flat_map(flat_columns.begin(), flat_columns.end());
  EXPECT_EQ(flat_map["pettitt_p"], "1");
  for (const auto& [header, value] : flat_columns) {
    // No change: Pettitt's K is 0 and its probability 1.
    if (header != "warnings" && header != "sen_slope" && header != "pettitt_p") {
      EXPECT_EQ(value, "") << header;
    }
  }
}

TEST(Block, NileShowsTheMainFindings) {
  const results::GaugeResult& r = findings_test::nile();
  const std::string block = findings_block(r, compute(r, Options{20}));
  for (const char* text : {"Dry-year flow", "Wet-year flow", "90 % bounds", "Mann-Kendall",
                           "between 1898 and 1899", "Longest drought", "Largest drought"})
    EXPECT_NE(block.find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace findings
