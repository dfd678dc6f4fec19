#include <gtest/gtest.h>

#include <functional>

#include "findings/gauges.hpp"
#include "findings/parts.hpp"
#include "normalize/fdnelm.hpp"
#include "normalize/normaliz.hpp"

namespace findings {
namespace {

std::vector<std::string> codes(const std::vector<Warning>& w) {
  std::vector<std::string> c;
  for (const Warning& x : w) c.push_back(x.code);
  return c;
}

bool has(const std::vector<Warning>& w, const std::string& code) {
  for (const Warning& x : w)
    if (x.code == code) return !x.message.empty();
  return false;
}

TEST(Warnings, TheNileHasANearUnitRootATrendAndAChange) {
  const Findings f = compute(findings_test::nile(), Options{0});
  EXPECT_EQ(codes(f.warnings), (std::vector<std::string>{"unit_root", "trend", "change_point"}));
  EXPECT_EQ(warning_count(f), 3);
}

// A change to the Nile's result or findings that must raise one warning.
struct Case {
  const char* code;
  // Changes the result before compute(); then the findings before warnings().
  std::function<void(results::GaugeResult&)> result;
  std::function<void(Findings&)> findings;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.code;
}

class RaisesWarning : public ::testing::TestWithParam<Case> {};

TEST_P(RaisesWarning, WithItsCode) {
  const Case& c = GetParam();
  results::GaugeResult r = findings_test::nile();
  if (c.result) c.result(r);
  Findings f = compute(r, Options{0});
  if (c.findings) {
    c.findings(f);
    f.warnings = warnings(r, f);
  }
  EXPECT_TRUE(has(f.warnings, c.code)) << ::testing::PrintToString(codes(f.warnings));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RaisesWarning,
    ::testing::Values(
        Case{"ended_early", [](results::GaugeResult& r) { r.record.ended_at_line = 57; }, {}},
        Case{"blank_years",
             [](results::GaugeResult& r) {
               r.record.blank_years = {1903, 1904};
             },
             {}},
        Case{"few_flows", [](results::GaugeResult& r) { r.record.npos = 19; }, {}},
        Case{"skewness", [](results::GaugeResult& r) { r.normalised.skewness = -0.6; }, {}},
        Case{"excess", [](results::GaugeResult& r) { r.normalised.excess = 1.2; }, {}},
        // Normalised flows piled at two values: a far worse chi-square fit.
        Case{"less_normal",
             [](results::GaugeResult& r) {
               for (std::size_t i = 0; i < r.ranked.size(); ++i)
                 r.ranked[i].normalised = i < r.ranked.size() / 2 ? -1.0 : 1.0;
               r.normalised.mean = 0.0;
               r.normalised.sd = 1.0;
             },
             {}},
        Case{"bound_edge",
             [](results::GaugeResult& r) {
               r.normalisation.fitted.model = normalize::Model::LN3;
               r.normalisation.fitted.XI = r.ranked.front().flow - 0.01;
             },
             {}},
        Case{"transform_failed", [](results::GaugeResult& r) { r.normalisation.failed = {4}; }, {}},
        Case{"bootstrap_refits",
             {},
             [](Findings& f) {
               f.return_periods.samples = 100;
               f.return_periods.failed = 11;
             }},
        Case{"cancelling_factors",
             [](results::GaugeResult& r) {
               r.p = r.q = 1;
               r.phi = {0.5, 0.0};
               r.theta = {0.45, 0.0};
             },
             {}},
        // An AR(1) of the wrong sign on a persistent series.
        Case{"below_white_noise",
             [](results::GaugeResult& r) {
               r.p = 1;
               r.q = 0;
               r.phi = {-0.8, 0.0};
               r.theta = {};
             },
             {}},
        Case{"fit_stopped",
             [](results::GaugeResult& r) {
               r.arma.refit.status = normalize::SimplexStatus::iteration_limit;
             },
             {}},
        Case{"fit_stopped",
             [](results::GaugeResult& r) {
               r.arma.refit.status = normalize::SimplexStatus::stalled;
             },
             {}},
        Case{"no_transform",
             [](results::GaugeResult& r) {
               r = findings_test::analysed("DRY", 1950, {0.0, 0.0, 0.0});
             },
             {}}),
    [](const auto& info) {
      return std::string(info.param.code) + "_" + std::to_string(info.index);
    });

TEST(Warnings, NoTrendWarningAboveTheLevel) {
  const results::GaugeResult& r = findings_test::nile();
  Findings f = compute(r, Options{0});
  f.mann_kendall.p = 0.051;
  f.pettitt.p = 0.2;
  f.likelihood.roots.ar_modulus = 0.95;
  EXPECT_TRUE(warnings(r, f).empty());
}

// Where the chosen transform's bound lies against its search range.
struct EdgeCase {
  const char* name;
  normalize::FittedDistribution t;
  bool sb4_run;
  bool edge;
};

void PrintTo(const EdgeCase& c, std::ostream* os) {
  *os << c.name;
}

class BoundAtEdge : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(BoundAtEdge, ReportsOnlyBoundsAtALimit) {
  // Positive flows from 100 to 1100: tolerance 1 flow unit.
  const EdgeCase& c = GetParam();
  results::GaugeResult r = findings_test::analysed("EDGE", 1950, {100.0, 600.0, 1100.0});
  r.normalisation.fitted = c.t;
  r.normalisation.sb4 = normalize::Sb4Search{};
  r.normalisation.sb4.run = c.sb4_run;
  r.normalisation.sb4.xi_lo = 0.0001;
  r.normalisation.sb4.xi_hi = 100.0 - 0.0001;
  r.normalisation.sb4.upper_base = 1101.0;
  EXPECT_EQ(!bound_at_edge(r).empty(), c.edge) << bound_at_edge(r);
}

INSTANTIATE_TEST_SUITE_P(
    Models, BoundAtEdge,
    ::testing::Values(
        EdgeCase{"LN3AtStart", {normalize::Model::LN3, 0, 1, 1, 99.99}, false, true},
        EdgeCase{"LN3Inside", {normalize::Model::LN3, 0, 1, 1, 50.0}, false, false},
        EdgeCase{"LN3RunAway", {normalize::Model::LN3, 0, 1, 1, -1e12}, false, true},
        EdgeCase{"LN2NeverAtAnEdge", {normalize::Model::LN2, 0, 1, 1, 0.0}, false, false},
        EdgeCase{"SB4AtZero", {normalize::Model::SB4, 0, 1, 2000, 0.5}, true, true},
        EdgeCase{"SB4BelowSmallest", {normalize::Model::SB4, 0, 1, 2000, 99.5}, true, true},
        EdgeCase{"SB4UpperAtBase", {normalize::Model::SB4, 0, 1, 1051.5, 50.0}, true, true},
        EdgeCase{"SB4Inside", {normalize::Model::SB4, 0, 1, 2000, 50.0}, true, false},
        EdgeCase{"SB4NotSearched", {normalize::Model::SB4, 0, 1, 2000, 0.5}, false, false},
        EdgeCase{"SB3Replaced", {normalize::Model::SB3, 0, 1, 3300.0, 0}, false, true},
        EdgeCase{"SB3AtStart", {normalize::Model::SB3, 0, 1, 1100.5, 0}, false, true},
        EdgeCase{"SB3Inside", {normalize::Model::SB3, 0, 1, 1500.0, 0}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Warnings, RecordOfOneYearOrOfNothingButZeros) {
  const results::GaugeResult one = findings_test::analysed("ONE", 1950, {42.0});
  const Findings f = compute(one, Options{20});
  EXPECT_TRUE(has(f.warnings, "few_flows"));
  EXPECT_TRUE(has(f.warnings, "no_transform"));
  const results::GaugeResult dry = findings_test::analysed("DRY", 1950, {0.0, 0.0});
  EXPECT_TRUE(has(compute(dry, Options{20}).warnings, "no_transform"));
}

}  // namespace
}  // namespace findings
