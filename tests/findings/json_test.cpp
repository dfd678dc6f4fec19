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

namespace findings {
namespace {

using Json = nlohmann::ordered_json;

const Json& schema() {
  static const Json s = [] {
    std::ifstream in(std::string(RIVAN6_SOURCE_DIR) + "/docs/findings.schema.json");
    return Json::parse(in);
  }();
  return s;
}

// A small validator of the parts of JSON Schema the fragment uses: type,
// enum, properties, patternProperties, required, items, anyOf and "$ref"
// within the fragment. Every key of an object must be described.
class Walker {
 public:
  explicit Walker(const Json& root) : root_(root) {}

  void walk(const Json& v, const Json& s, const std::string& path,
            std::vector<std::string>& errors) const {
    if (s.contains("$ref")) {
      const std::string ref = s["$ref"];
      if (ref.rfind("#/", 0) != 0) {
        errors.push_back(path + ": reference outside the fragment " + ref);
        return;
      }
      walk(v, root_.at(Json::json_pointer(ref.substr(1))), path, errors);
    }
    if (s.contains("anyOf")) {
      // None fits: the errors of the alternative that came nearest.
      std::vector<std::string> nearest;
      bool first = true;
      for (const Json& alt : s["anyOf"]) {
        std::vector<std::string> e;
        walk(v, alt, path, e);
        if (e.empty()) return;
        if (first || e.size() < nearest.size()) nearest = e;
        first = false;
      }
      errors.insert(errors.end(), nearest.begin(), nearest.end());
      return;
    }
    if (s.contains("type") && !type_ok(v, s["type"])) {
      errors.push_back(path + ": " + v.dump() + " is not of type " + s["type"].dump());
      return;
    }
    if (s.contains("enum") && std::find(s["enum"].begin(), s["enum"].end(), v) == s["enum"].end())
      errors.push_back(path + ": " + v.dump() + " is not one of " + s["enum"].dump());
    if (v.is_object() && (s.contains("properties") || s.contains("patternProperties"))) {
      for (const auto& [key, value] : v.items()) {
        const std::string p = path + "/" + key;
        if (s.contains("properties") && s["properties"].contains(key)) {
          walk(value, s["properties"][key], p, errors);
          continue;
        }
        bool matched = false;
        if (s.contains("patternProperties"))
          for (const auto& [pattern, sub] : s["patternProperties"].items())
            if (std::regex_search(key, std::regex(pattern))) {
              matched = true;
              walk(value, sub, p, errors);
            }
        if (!matched) errors.push_back(p + ": key not in the schema");
      }
      if (s.contains("required"))
        for (const std::string key : s["required"])
          if (!v.contains(key)) errors.push_back(path + ": required key " + key + " is missing");
    }
    if (v.is_array() && s.contains("items"))
      for (std::size_t i = 0; i < v.size(); ++i)
        walk(v[i], s["items"], path + "/" + std::to_string(i), errors);
  }

 private:
  static bool one_type(const Json& v, const std::string& t) {
    if (t == "null") return v.is_null();
    if (t == "object") return v.is_object();
    if (t == "array") return v.is_array();
    if (t == "string") return v.is_string();
    if (t == "boolean") return v.is_boolean();
    if (t == "integer") return v.is_number_integer();
    if (t == "number") return v.is_number();
    return false;
  }
  static bool type_ok(const Json& v, const Json& t) {
    if (t.is_string()) return one_type(v, t);
    for (const std::string x : t)
      if (one_type(v, x)) return true;
    return false;
  }
  const Json& root_;
};

// Every null has a "<key>_note" saying why, and every note stands beside a
// null.
void notes(const Json& v, const std::string& path, std::vector<std::string>& errors) {
  if (v.is_array()) {
    for (std::size_t i = 0; i < v.size(); ++i) notes(v[i], path + "/" + std::to_string(i), errors);
    return;
  }
  if (!v.is_object()) return;
  for (const auto& [key, value] : v.items()) {
    if (value.is_null() && !(v.contains(key + "_note") && v[key + "_note"].is_string() &&
                             !v[key + "_note"].get<std::string>().empty()))
      errors.push_back(path + "/" + key + ": null without a note");
    const std::string suffix = "_note";
    if (key.size() > suffix.size() && key.ends_with(suffix)) {
      const std::string base = key.substr(0, key.size() - suffix.size());
      if (!v.contains(base) || !v[base].is_null())
        errors.push_back(path + "/" + key + ": note beside a value");
    }
    notes(value, path + "/" + key, errors);
  }
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
  std::vector<std::string> errors;
  Walker(schema()).walk(j, schema(), "", errors);
  notes(j, "", errors);
  for (const std::string& e : errors) ADD_FAILURE() << e;
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

// The schema describes every property for the reader and admits no key it
// does not describe.
void described(const Json& s, const std::string& path, std::vector<std::string>& errors) {
  if (s.is_array()) {
    for (std::size_t i = 0; i < s.size(); ++i)
      described(s[i], path + "/" + std::to_string(i), errors);
    return;
  }
  if (!s.is_object()) return;
  if (s.contains("properties")) {
    if (!s.contains("additionalProperties") || s["additionalProperties"] != false)
      errors.push_back(path + ": object without additionalProperties false");
    for (const auto& [key, sub] : s["properties"].items())
      if (!sub.contains("description") || sub["description"].get<std::string>().size() < 5)
        errors.push_back(path + "/properties/" + key + ": no description");
  }
  for (const auto& [key, sub] : s.items()) described(sub, path + "/" + key, errors);
}

TEST(FindingsSchema, EveryPropertyIsDescribed) {
  std::vector<std::string> errors;
  described(schema(), "", errors);
  for (const std::string& e : errors) ADD_FAILURE() << e;
  EXPECT_EQ(schema()["type"], "object");
}

TEST(FindingsSchema, TheWalkerCatchesAnUndescribedKeyAndAWrongType) {
  Json j = to_json(compute(findings_test::nile(), Options{0}));
  j["trend"]["pettitt"]["year_of_change"] = 1898;
  j["return_periods"]["periods"][0]["T"] = "two";
  std::vector<std::string> errors;
  Walker(schema()).walk(j, schema(), "", errors);
  ASSERT_EQ(errors.size(), 2u) << ::testing::PrintToString(errors);
  const std::string all = errors[0] + "|" + errors[1];
  EXPECT_NE(all.find("/trend/pettitt/year_of_change: key not in the schema"), std::string::npos);
  EXPECT_NE(all.find("/return_periods/periods/0/T: \"two\" is not of type"), std::string::npos);
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
