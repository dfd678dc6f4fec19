// Every key that NAME.json holds is described in docs/result.schema.json,
// with the type the schema gives it.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <regex>

#include "driver/gauge_cases.hpp"

namespace driver::testing {
namespace {

using nlohmann::json;

// s[key], or null when s has no such key.
const json& member(const json& s, const char* key) {
  static const json none;
  return s.contains(key) ? s[key] : none;
}

// A validator for the parts of JSON Schema that the layout uses: type,
// const, enum, properties, patternProperties, additionalProperties,
// required, items, prefixItems, oneOf, anyOf and $ref to "#/..." or to a
// sibling schema file (findings.schema.json: anything goes while it does
// not exist).
class Schema {
 public:
  explicit Schema(const fs::path& file) : dir_(file.parent_path()) { root_ = load(file); }

  // The errors of a value, each with the path of the value in it.
  std::vector<std::string> errors(const json& value) const {
    std::vector<std::string> out;
    walk(*root_, *root_, value, "$", out);
    return out;
  }

  const json& root() const { return *root_; }

 private:
  const json* load(const fs::path& file) const {
    auto& doc = files_[file.filename().string()];
    if (!doc) doc = std::make_unique<json>(json::parse(read_file(file)));
    return doc.get();
  }

  static bool has_type(const json& v, const std::string& type) {
    if (type == "integer") return v.is_number_integer();
    if (type == "number") return v.is_number();
    if (type == "string") return v.is_string();
    if (type == "boolean") return v.is_boolean();
    if (type == "null") return v.is_null();
    if (type == "object") return v.is_object();
    if (type == "array") return v.is_array();
    return false;
  }

  void walk(const json& doc, const json& s, const json& v, const std::string& at,
            std::vector<std::string>& out) const {
    auto fail = [&](const std::string& why) { out.push_back(at + ": " + why); };
    if (s.contains("$ref")) {
      const std::string ref = s["$ref"];
      if (ref.rfind("#/", 0) == 0) {
        const json::json_pointer ptr(ref.substr(1));
        if (!doc.contains(ptr))
          fail("unresolved $ref " + ref);
        else
          walk(doc, doc.at(ptr), v, at, out);
      } else if (fs::exists(dir_ / ref)) {
        const json* other = load(dir_ / ref);
        walk(*other, *other, v, at, out);
      } else if (ref != "findings.schema.json") {
        fail("unresolved $ref " + ref);
      }
    }
    if (s.contains("type")) {
      const json& t = s["type"];
      bool ok = false;
      for (const json& one : t.is_array() ? t : json::array({t})) ok = ok || has_type(v, one);
      if (!ok) return fail("is " + std::string(v.type_name()) + ", not " + t.dump());
    }
    if (s.contains("const") && v != s["const"]) fail(v.dump() + " is not " + s["const"].dump());
    if (s.contains("enum") && std::find(s["enum"].begin(), s["enum"].end(), v) == s["enum"].end())
      fail(v.dump() + " is not one of " + s["enum"].dump());
    for (const char* key : {"oneOf", "anyOf"}) {
      if (!s.contains(key)) continue;
      int matched = 0;
      std::vector<std::string> all;
      for (const json& alt : s[key]) {
        std::vector<std::string> e;
        walk(doc, alt, v, at, e);
        matched += e.empty();
        all.insert(all.end(), e.begin(), e.end());
      }
      if (matched == 0 || (matched > 1 && std::string(key) == "oneOf")) {
        fail(std::string(key) + " matched " + std::to_string(matched) + " alternatives");
        out.insert(out.end(), all.begin(), all.end());
      }
    }
    if (v.is_object()) {
      for (const json& key : member(s, "required"))
        if (!v.contains(key.get<std::string>())) fail("lacks required key " + key.dump());
      for (const auto& [key, item] : v.items()) {
        bool described = false;
        if (s.contains("properties") && s["properties"].contains(key)) {
          described = true;
          walk(doc, s["properties"][key], item, at + "." + key, out);
        }
        for (const auto& [pattern, sub] : member(s, "patternProperties").items())
          if (std::regex_search(key, std::regex(pattern))) {
            described = true;
            walk(doc, sub, item, at + "." + key, out);
          }
        if (!described && member(s, "additionalProperties") == json(false))
          fail("key \"" + key + "\" is not in the schema");
      }
    }
    if (v.is_array()) {
      std::size_t first = 0;
      if (s.contains("prefixItems"))
        for (; first < s["prefixItems"].size() && first < v.size(); ++first)
          walk(doc, s["prefixItems"][first], v[first], at + "[" + std::to_string(first) + "]", out);
      if (s.contains("items"))
        for (std::size_t i = first; i < v.size(); ++i)
          walk(doc, s["items"], v[i], at + "[" + std::to_string(i) + "]", out);
    }
  }

  fs::path dir_;
  const json* root_ = nullptr;
  mutable std::map<std::string, std::unique_ptr<json>> files_;
};

const Schema& schema() {
  static const Schema s(fs::path(RIVAN6_SOURCE_DIR) / "docs" / "result.schema.json");
  return s;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

bool holds_null(const json& v) {
  return v.is_null() || (v.is_array() && std::any_of(v.begin(), v.end(), holds_null));
}

// Every "<key>_note" stands beside a key that is null or holds a null.
void expect_notes_explain_nulls(const json& v, const std::string& at) {
  if (v.is_object()) {
    for (const auto& [key, item] : v.items()) {
      if (key.size() > 5 && key.ends_with("_note")) {
        const std::string base = key.substr(0, key.size() - 5);
        EXPECT_TRUE(v.contains(base) && holds_null(v[base]))
            << at << "." << key << " stands beside no null";
      }
      expect_notes_explain_nulls(item, at + "." + key);
    }
  } else if (v.is_array()) {
    for (std::size_t i = 0; i < v.size(); ++i)
      expect_notes_explain_nulls(v[i], at + "[" + std::to_string(i) + "]");
  }
}

// A field is described by its own description or by that of its $ref.
bool described(const json& field) {
  if (field.contains("description")) return true;
  if (!field.contains("$ref")) return false;
  const json::json_pointer ptr(field["$ref"].get<std::string>().substr(1));
  return schema().root().contains(ptr) && schema().root().at(ptr).contains("description");
}

// The schema itself: every object closed, every field described.
void expect_closed_and_described(const json& s, const std::string& at) {
  if (s.is_array())
    for (std::size_t i = 0; i < s.size(); ++i)
      expect_closed_and_described(s[i], at + "[" + std::to_string(i) + "]");
  if (!s.is_object()) return;
  if (s.contains("properties") || member(s, "type") == "object") {
    EXPECT_EQ(member(s, "additionalProperties"), json(false)) << at << " is not closed";
  }
  for (const auto& [key, field] : member(s, "properties").items())
    EXPECT_TRUE(described(field)) << at << ".properties." << key << " has no description";
  for (const auto& [key, sub] : s.items()) expect_closed_and_described(sub, at + "." + key);
}

TEST(ResultSchema, EveryObjectIsClosedAndEveryFieldDescribed) {
  expect_closed_and_described(schema().root(), "$");
}

class WrittenJson : public ::testing::TestWithParam<GaugeCase> {};

TEST_P(WrittenJson, MatchesTheSchemaAndItsNotesExplainItsNulls) {
  const json j = written_json(analyse_text(GetParam().name, GetParam().text));
  EXPECT_EQ(joined(schema().errors(j)), "");
  expect_notes_explain_nulls(j, "$");
}

INSTANTIATE_TEST_SUITE_P(Gauges, WrittenJson, ::testing::ValuesIn(gauge_cases()), case_name);

// Results the crafted records do not reach: values that are not finite,
// and identifications stopped by the lag check.
struct Variant {
  const char* name;
  std::function<void(results::GaugeResult&)> change;
  std::function<void(const json&)> check;
};

void PrintTo(const Variant& v, std::ostream* os) {
  *os << v.name;
}

const results::GaugeResult& nile() {
  static const results::GaugeResult r = analyse_text("NILE", read_file(nile_file()));
  return r;
}

const std::vector<Variant>& variants() {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  static const std::vector<Variant> v{
      {"NumbersThatAreNotFinite",
       [](results::GaugeResult& r) {
         r.raw.skewness = nan;
         r.normalisation.candidates[2].CR = inf;
         r.normalisation.t.GAMMA = nan;
         r.ranked[3].fitted = inf;
         r.z[5] = nan;
         r.chi_flows.statistic = nan;
         r.correlogram.r[1] = nan;
         r.correlogram.Q = inf;
         r.arma.fits[1][1].dist = nan;
         r.arma.fits[2][0].deficits[1].simulated[4] = nan;
         r.arma.table[0][2] = inf;
         r.arma.min_score = nan;
         r.arma.refit.fff = nan;
         r.arma.residuals[0] = nan;
       },
       [](const json& j) {
         EXPECT_TRUE(j["raw_moments"]["skewness"].is_null());
         EXPECT_EQ(j["raw_moments"]["skewness_note"], "not a number");
         EXPECT_EQ(
             j["transform"]["candidates"][2]["criterion_note"].get<std::string>().substr(0, 14),
             "the likelihood");
         EXPECT_EQ(j["ranked_flows"]["fitted_flow_note"], "value 4 and maybe others: infinite");
         EXPECT_TRUE(j["arma"].contains("score_table_note"));
       }},
      {"LagCheckRefusedTheFifthFit",
       [](results::GaugeResult& r) {
         r.extent = results::Extent::kLagRefused;
         r.arma.refused = 4;
         r.arma.refitted = false;
         r.arma.refusal = "*** lag is too big : reduce np and/or mq ***\n";
       },
       [](const json& j) {
         const json& fits = j["arma"]["fits"];
         ASSERT_EQ(fits.size(), 4u);
         for (int k = 0; k < 4; ++k) {
           EXPECT_EQ(fits[k]["p"], k / 3);
           EXPECT_EQ(fits[k]["q"], k % 3);
         }
         EXPECT_TRUE(j["arma"]["chosen"].is_null());
         EXPECT_EQ(j["arma"]["refused"]["at"], "fit");
         EXPECT_TRUE(j["residual_correlogram"].is_null());
       }},
      {"LagCheckRefusedTheRefit",
       [](results::GaugeResult& r) {
         r.extent = results::Extent::kLagRefused;
         r.arma.refused = 9;
         r.arma.refitted = false;
       },
       [](const json& j) {
         EXPECT_EQ(j["arma"]["fits"].size(), 9u);
         EXPECT_EQ(j["arma"]["chosen"]["p"], 2);
         EXPECT_EQ(j["arma"]["refused"]["at"], "refit");
         EXPECT_FALSE(j["arma"].contains("residuals"));
       }},
      {"SB4OutOfRange",
       [](results::GaugeResult& r) {
         r.normalisation.sb4.out_of_range = true;
         r.normalisation.sb4.range_x = 456.0;
         r.normalisation.candidates[2].fault = normalize::CandidateFault::kOutOfRange;
       },
       [](const json& j) {
         EXPECT_EQ(j["transform"]["sb4_search"]["out_of_range"]["flow"], 456.0);
         EXPECT_EQ(j["transform"]["candidates"][2]["fault"], "out_of_range");
       }},
  };
  return v;
}

class ResultVariants : public ::testing::TestWithParam<Variant> {};

TEST_P(ResultVariants, MatchTheSchema) {
  results::GaugeResult r = nile();
  GetParam().change(r);
  const json j = written_json(r);
  EXPECT_EQ(joined(schema().errors(j)), "");
  expect_notes_explain_nulls(j, "$");
  GetParam().check(j);
}

INSTANTIATE_TEST_SUITE_P(Nile, ResultVariants, ::testing::ValuesIn(variants()),
                         [](const auto& info) { return std::string(info.param.name); });

// The validator must see an undocumented key and a wrong type anywhere.
struct Fault {
  const char* name;
  std::function<void(json&)> change;
  const char* error;  // part of the error expected
};

void PrintTo(const Fault& f, std::ostream* os) {
  *os << f.name;
}

const std::vector<Fault>& faults() {
  static const std::vector<Fault> f{
      {"KeyAtTheTop", [](json& j) { j["river"] = "Nile"; }, "$: key \"river\""},
      {"KeyInTheGauge", [](json& j) { j["gauge"]["area"] = 1.0; }, "$.gauge: key \"area\""},
      {"KeyInAnArrayItem", [](json& j) { j["crossings"][3]["mean"] = 1.0; },
       "$.crossings[3]: key \"mean\""},
      {"KeyInADefinition", [](json& j) { j["arma"]["fits"][4]["sigma"] = 1.0; },
       "$.arma.fits[4]: key \"sigma\""},
      {"KeyInANullableSection", [](json& j) { j["correlogram"]["lag1"] = 0.4; },
       "$.correlogram: key \"lag1\""},
      {"StringForAnInteger", [](json& j) { j["gauge"]["years"] = "100"; },
       "$.gauge.years: is string"},
      {"FractionForAnInteger", [](json& j) { j["arma"]["chosen"]["p"] = 1.5; },
       "$.arma.chosen.p: is number"},
      {"StringForANumber", [](json& j) { j["transform"]["chosen"]["GAMMA"] = "-36.8"; },
       "$.transform.chosen.GAMMA: is string"},
      {"ObjectForAnArrayEntry", [](json& j) { j["ranked_flows"]["flow"][7] = json::object(); },
       "$.ranked_flows.flow[7]: is object"},
      {"NullForAnObject", [](json& j) { j["program"] = nullptr; }, "$.program: is null"},
      {"UnknownExtent", [](json& j) { j["extent"] = "partial"; }, "$.extent: \"partial\""},
      {"MissingKey", [](json& j) { j["gauge"].erase("flows"); }, "lacks required key \"flows\""},
      {"WrongVersion", [](json& j) { j["schema_version"] = 2; }, "$.schema_version: 2"},
  };
  return f;
}

class SchemaFaults : public ::testing::TestWithParam<Fault> {};

TEST_P(SchemaFaults, AreFound) {
  json j = written_json(nile());
  GetParam().change(j);
  const std::string errors = joined(schema().errors(j));
  EXPECT_NE(errors.find(GetParam().error), std::string::npos) << errors;
}

INSTANTIATE_TEST_SUITE_P(Nile, SchemaFaults, ::testing::ValuesIn(faults()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace driver::testing
