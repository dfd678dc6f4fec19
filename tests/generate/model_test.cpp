#include "generate/model.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "helpers.hpp"

namespace {

using generate::Model;
using generate_test::kNileYer;
using generate_test::model_json;
using nlohmann::json;

Model from_json(const json& j) {
  std::istringstream in(j.dump());
  return generate::read_model(in, "T.json");
}

Model from_year_file(const std::string& text) {
  std::istringstream in(text);
  return generate::read_model(in, "T.YER");
}

// The message of the files::Error that reading throws ("" when none).
std::string error_of(const std::function<Model()>& read) {
  try {
    read();
  } catch (const files::Error& e) {
    return e.what();
  }
  return "";
}

TEST(Model, ReadsTheResultsFile) {
  const Model m = from_json(model_json());
  EXPECT_EQ(m.name, "TESTRIVER");
  EXPECT_EQ(m.first_year, 1931);
  EXPECT_EQ(m.last_year(), 1970);
  EXPECT_EQ(m.distribution.itype(), 2);
  EXPECT_EQ(m.distribution.family(), 1);
  EXPECT_DOUBLE_EQ(m.distribution.GAMMA, -36.77);
  EXPECT_EQ(m.p, 1);
  EXPECT_EQ(m.q, 1);
  EXPECT_DOUBLE_EQ(m.phi[0], 0.6);
  EXPECT_DOUBLE_EQ(m.theta[0], 0.3);
  EXPECT_TRUE(m.arma_identified);
  ASSERT_EQ(m.flows.size(), 40u);
  EXPECT_NEAR(m.record_mean, 958.5, 20.0);
}

TEST(Model, WithoutAnArmaModelTheYearsAreIndependent) {
  json j = model_json();
  j["arma"] = nullptr;
  j["gauge"]["zero_flows"] = 4;
  j["gauge"]["zero_fraction"] = 0.1;
  const Model m = from_json(j);
  EXPECT_FALSE(m.arma_identified);
  EXPECT_EQ(m.phi, (std::array<double, 2>{0.0, 0.0}));
  EXPECT_EQ(m.theta, (std::array<double, 2>{0.0, 0.0}));
  EXPECT_DOUBLE_EQ(m.distribution.zero_share, 0.1);
}

TEST(Model, CoefficientsAboveTheOrderAreIgnored) {
  json j = model_json();
  j["arma"]["chosen"] = {{"p", 1}, {"q", 0}, {"phi", {0.5, 0.9}}, {"theta", {0.7, 0.2}}};
  const Model m = from_json(j);
  EXPECT_EQ(m.phi, (std::array<double, 2>{0.5, 0.0}));
  EXPECT_EQ(m.theta, (std::array<double, 2>{0.0, 0.0}));
}

struct JsonFault {
  const char* name;
  std::function<void(json&)> change;
  const char* message;  // part of the error message
};
void PrintTo(const JsonFault& f, std::ostream* os) {
  *os << f.name;
}

class JsonFaults : public ::testing::TestWithParam<JsonFault> {};

TEST_P(JsonFaults, AreRefusedWithAMessageNamingTheKey) {
  json j = model_json();
  GetParam().change(j);
  const std::string e = error_of([&] { return from_json(j); });
  EXPECT_NE(e.find("T.json"), std::string::npos) << e;
  EXPECT_NE(e.find(GetParam().message), std::string::npos) << e;
}

INSTANTIATE_TEST_SUITE_P(
    Model, JsonFaults,
    ::testing::Values(
        JsonFault{"OtherSchema", [](json& j) { j["schema_version"] = 2; }, "schema_version"},
        JsonFault{"NoFlows", [](json& j) { j["gauge"].erase("flows"); }, "gauge.flows: missing"},
        JsonFault{"FlowsShort", [](json& j) { j["gauge"]["flows"].erase(0); }, "39 entries"},
        JsonFault{"FlowNull", [](json& j) { j["gauge"]["flows"][3] = nullptr; }, "gauge.flows[3]"},
        JsonFault{"YearsDisagree", [](json& j) { j["gauge"]["last_year"] = 1999; },
                  "gauge.last_year"},
        JsonFault{"NoTransform", [](json& j) { j["transform"] = nullptr; },
                  "nothing to generate from"},
        JsonFault{"GammaNull", [](json& j) { j["transform"]["chosen"]["GAMMA"] = nullptr; },
                  "transform.chosen.GAMMA: is null"},
        JsonFault{"DeltaZero", [](json& j) { j["transform"]["chosen"]["DELTA"] = 0.0; },
                  "DELTA must be a positive number"},
        JsonFault{"BadItype", [](json& j) { j["transform"]["chosen"]["ITYPE"] = 5; }, "ITYPE"},
        JsonFault{"FamilyDisagrees", [](json& j) { j["transform"]["chosen"]["family"] = 3; },
                  "does not agree with ITYPE"},
        JsonFault{"OrderTooHigh", [](json& j) { j["arma"]["chosen"]["p"] = 3; }, "arma.chosen.p"},
        JsonFault{"PhiShort", [](json& j) { j["arma"]["chosen"]["phi"] = json::array(); },
                  "fewer than 1 entries"},
        JsonFault{"NotStationary",
                  [](json& j) {
                    j["arma"]["chosen"]["phi"] = {1.0, 0.0};
                  },
                  "not stationary"},
        JsonFault{"NotInvertible",
                  [](json& j) {
                    j["arma"]["chosen"]["theta"] = {-1.2, 0.0};
                  },
                  "not invertible"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Model, ABrokenJsonFileIsRefusedWithItsLine) {
  std::istringstream in("{\n  \"schema_version\": 1,\n  \"gauge\": [1,,2]\n}\n");
  const std::string e = error_of([&] { return generate::read_model(in, "T.json"); });
  EXPECT_NE(e.find("T.json: not a valid JSON file"), std::string::npos) << e;
  EXPECT_NE(e.find("line 3"), std::string::npos) << e;
}

TEST(Model, ReadsTheNileYearFile) {
  const Model m = from_year_file(kNileYer);
  EXPECT_EQ(m.name, "NILE");
  EXPECT_EQ(m.N, 100);
  EXPECT_EQ(m.first_year, 1871);
  EXPECT_EQ(m.distribution.family(), 1);
  EXPECT_EQ(m.distribution.itype(), 0);
  EXPECT_DOUBLE_EQ(m.distribution.GAMMA, -36.7712101);
  EXPECT_DOUBLE_EQ(m.distribution.DELTA, 5.4021626);
  EXPECT_DOUBLE_EQ(m.distribution.XLAM, 1.0);
  EXPECT_EQ(m.p, 2);
  EXPECT_EQ(m.q, 1);
  EXPECT_DOUBLE_EQ(m.phi[1], -0.21896);
  EXPECT_DOUBLE_EQ(m.theta[0], 0.86118);
  EXPECT_TRUE(m.arma_identified);
  EXPECT_DOUBLE_EQ(m.record_mean, 919.35);
  EXPECT_DOUBLE_EQ(m.record_sd, 168.37924);
  // 1871-1900 have no slot in the decade table.
  EXPECT_TRUE(m.flows.empty());
  EXPECT_NE(m.flows_note.find("1871"), std::string::npos);
}

// The Nile's year file with its header saying the record is `n` years from
// `first` (the decade table unchanged).
std::string nile_as(int first, int n) {
  std::string t = kNileYer;
  char head[16];
  std::snprintf(head, sizeof head, "%5d%5d", n, first);
  t.replace(t.find('\n') + 1, 10, head);
  return t;
}

TEST(Model, TheRecordsFlowsComeFromTheirDecadeSlots) {
  // Slot j holds 1900 + j: 1905-1907 are the 5th to 7th values.
  const Model m = from_year_file(nile_as(1905, 3));
  EXPECT_EQ(m.flows, (std::vector<double>{701.0, 916.0, 692.0}));
  const Model last = from_year_file(nile_as(1970, 1));
  EXPECT_EQ(last.flows, (std::vector<double>{740.0}));
  EXPECT_TRUE(from_year_file(nile_as(2900, 2)).flows.empty());
}

struct YearFault {
  const char* name;
  std::function<std::string()> text;
  const char* message;
};
void PrintTo(const YearFault& f, std::ostream* os) {
  *os << f.name;
}

class YearFaults : public ::testing::TestWithParam<YearFault> {};

// The line of text in the Nile's year file that starts with `start`,
// replaced by `by`.
std::string nile_with(const std::string& start, const std::string& by) {
  std::string t = kNileYer;
  const auto b = t.find(start);
  t.replace(b, t.find('\n', b) - b, by);
  return t;
}

TEST_P(YearFaults, AreRefusedWithAMessageNamingTheLine) {
  const std::string e = error_of([&] { return from_year_file(GetParam().text()); });
  EXPECT_NE(e.find(GetParam().message), std::string::npos) << e;
}

INSTANTIATE_TEST_SUITE_P(
    Model, YearFaults,
    ::testing::Values(
        YearFault{"TooShort", [] { return std::string("NILE\n  100 1871\n"); }, "at least 5 lines"},
        YearFault{"BlankYears", [] { return nile_with("  100 1871", "      1871"); },
                  "T.YER:2: the number of years (columns 1-5) is blank"},
        YearFault{"NoTransform",
                  [] {
                    std::string zeros = " 0 ";
                    for (int k = 0; k < 4; ++k) zeros += "           0.0000000";
                    return nile_with(" 1   ", zeros);
                  },
                  "T.YER:3: family 0"},
        YearFault{"OtherFamily",
                  [] {
                    return nile_with(" 1   ",
                                     " 2          -36.7712101           5.4021626"
                                     "           1.0000000           0.0000000");
                  },
                  "T.YER:3: family 2"},
        YearFault{"GammaTooWide",
                  [] {
                    return nile_with(" 1   ",
                                     " 1 ********************           5.4021626"
                                     "           1.0000000           0.0000000");
                  },
                  "T.YER:3: GAMMA (columns 4-23) is too wide"},
        YearFault{"DeltaNotANumber",
                  [] {
                    return nile_with(" 1   ",
                                     " 1          -36.7712101           5.40x1626"
                                     "           1.0000000           0.0000000");
                  },
                  "T.YER:3: DELTA (columns 24-43) is not a number"},
        YearFault{"NotStationary",
                  [] {
                    return nile_with("     0.00000     1.00000",
                                     "     0.00000     1.00000     1.19825     0.00000     "
                                     "0.86118     0.00000     0.00000   0");
                  },
                  "T.YER:4: the ARMA model is not stationary"},
        YearFault{"ZeroFractionDisagrees",
                  [] {
                    return nile_with("     0.00000     1.00000",
                                     "     0.00000     1.00000     1.19825    -0.21896     "
                                     "0.86118     0.00000     0.10000   0");
                  },
                  "T.YER:4: the zero fraction"},
        YearFault{"TableTooShort",
                  [] {
                    // The first 7 lines of the decade table (1901-1970) and the last line.
                    std::istringstream in(nile_as(1965, 10));
                    std::string line, t;
                    for (int k = 1; std::getline(in, line); ++k)
                      if (k <= 11 || k == 15) t += line + "\n";
                    return t;
                  },
                  "the decade table ends before the last year of the record (1974)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
