#include <gtest/gtest.h>

#include <cmath>

#include "findings/gauges.hpp"
#include "findings/parts.hpp"
#include "stats/cross.hpp"
#include "support/files.hpp"

namespace findings {
namespace {

//                                1990 91  92 93  94 95  96 97 98
const std::vector<double> kFlows{8, 12, 7, 6, 10, 9, 11, 4, 3};

struct RunCase {
  const char* name;
  bool drought;
  std::vector<std::array<int, 3>> runs;     // first year, last year, complete
  std::vector<std::array<double, 2>> sums;  // volume, extreme
  int longest, largest;
};

void PrintTo(const RunCase& c, std::ostream* os) {
  *os << c.name;
}

class Runs : public ::testing::TestWithParam<RunCase> {};

TEST_P(Runs, BeyondTheLevelWithVolumeExtremeAndEnds) {
  const RunCase& c = GetParam();
  LevelEvents L;
  L.flow = 10.0;  // 1994's flow is on the level: in no run
  L.drought = c.drought;
  find_runs(kFlows, 1990, L);
  ASSERT_EQ(L.events.size(), c.runs.size());
  for (std::size_t k = 0; k < c.runs.size(); ++k) {
    const Event& e = L.events[k];
    EXPECT_EQ(e.first_year, c.runs[k][0]) << k;
    EXPECT_EQ(e.last_year, c.runs[k][1]) << k;
    EXPECT_EQ(e.duration, c.runs[k][1] - c.runs[k][0] + 1) << k;
    EXPECT_EQ(e.complete, c.runs[k][2] == 1) << k;
    EXPECT_DOUBLE_EQ(e.volume, c.sums[k][0]) << k;
    EXPECT_DOUBLE_EQ(e.extreme, c.sums[k][1]) << k;
  }
  EXPECT_EQ(L.longest, c.longest);
  EXPECT_EQ(L.largest, c.largest);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Runs,
    ::testing::Values(
        // Runs at both ends of the record are incomplete; the first of two
        // equally long runs is the longest.
        RunCase{"Droughts",
                true,
                {{1990, 1990, 0}, {1992, 1993, 1}, {1995, 1995, 1}, {1997, 1998, 0}},
                {{2, 8}, {7, 6}, {1, 9}, {13, 3}},
                1,
                3},
        RunCase{"Surpluses", false, {{1991, 1991, 1}, {1996, 1996, 1}}, {{2, 12}, {1, 11}}, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Runs, NoLevelFlowNoRuns) {
  LevelEvents L;
  L.flow = kMissing;
  find_runs(kFlows, 1990, L);
  EXPECT_TRUE(L.events.empty());
  EXPECT_EQ(L.longest, -1);
}

// The complete runs in flow units are the runs that the crossing table counts.
class EventsAgreeWithCrossings : public ::testing::TestWithParam<const char*> {};

TEST_P(EventsAgreeWithCrossings, CountsAndLengths) {
  std::optional<results::GaugeResult> shared;
  const results::GaugeResult* r = &findings_test::nile();
  if (std::string(GetParam()) != "NILE") {
    shared = findings_test::shared(GetParam());
    if (!shared) GTEST_SKIP() << "../shared/data is absent";
    r = &*shared;
  }
  ASSERT_TRUE(r->complete());
  const Events ev = events(*r);
  ASSERT_TRUE(ev.available);
  ASSERT_EQ(ev.levels.size(), 12u);
  const normalize::FittedDistribution& t = r->normalisation.fitted;
  for (int j = 0; j < 12; ++j) {
    const LevelEvents& L = ev.levels[j];
    EXPECT_EQ(L.drought, j < 6);
    double flow = L.flow, z = 0.0;
    EXPECT_EQ(t.to_normal(flow, z), normalize::kTransformDone);
    EXPECT_NEAR(z, r->crossings.levels[j], 1e-9);
    int count = 0, length = 0;
    for (const Event& e : L.events) {
      if (!e.complete) continue;
      ++count;
      length += e.duration;
    }
    EXPECT_EQ(count, r->crossings.crossings[j]) << "level " << j + 1;
    EXPECT_EQ(length, r->crossings.length[j]) << "level " << j + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(Records, EventsAgreeWithCrossings,
                         ::testing::Values("NILE", "A2332110", "H9021010", "Y1105010"),
                         rivan6_test::ReadableName());

TEST(Events, ZeroFlowsKeepTheLevelsProbabilityInTheMixedDistribution) {
  std::vector<double> flows = findings_test::wavy(40);
  for (int i = 0; i < 40; i += 4) flows[i] = 0.0;  // 10 of 40: probability 0.25
  const results::GaugeResult r = findings_test::analysed("ZEROS", 1950, flows);
  const Events ev = events(r);
  ASSERT_TRUE(ev.available);
  // The 80 % drought level (probability 0.2 below it) lies inside the zero mass.
  EXPECT_EQ(ev.levels[0].flow, 0.0);
  EXPECT_TRUE(ev.levels[0].events.empty());
  // The 99.9 % surplus level is the flow exceeded with probability 0.001.
  EXPECT_DOUBLE_EQ(ev.levels[11].flow,
                   r.normalisation.fitted.exceeded(normal_upper(ev.levels[11].z)));
  EXPECT_GT(ev.levels[6].flow, 0.0);
}

TEST(Events, WithoutATransformThereAreNoLevels) {
  const results::GaugeResult r = findings_test::analysed("FLAT", 1950, {5, 5, 5, 5});
  const Events ev = events(r);
  EXPECT_FALSE(ev.available);
  EXPECT_FALSE(ev.note.empty());
}

}  // namespace
}  // namespace findings
