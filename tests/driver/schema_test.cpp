// Every key that NAME.json holds is described in docs/result.schema.json,
// with the type the schema gives it.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <regex>

#include "driver/gauge_cases.hpp"
#include "support/json_schema.hpp"

namespace driver::testing {
namespace {

using nlohmann::json;

using rivan6_test::expect_notes_explain_nulls;
using rivan6_test::JsonSchema;
using rivan6_test::member;

const JsonSchema& schema() {
  static const JsonSchema s(fs::path(RIVAN6_SOURCE_DIR) / "docs" / "result.schema.json");
  return s;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

TEST(ResultSchema, EveryObjectIsClosedAndEveryFieldDescribed) {
  rivan6_test::expect_closed_and_described(schema(), schema().root(), "$");
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
         r.normalisation.fitted.GAMMA = nan;
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
         r.arma.refusal = {21, 21, 0, 2, 0};
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
