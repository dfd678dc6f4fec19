#include "generate/check.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using namespace generate;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Check, RunsDeficitsAndStorageOfAHandSeries) {
  // Below 4: the runs {1, 2} (deficit 5) and {1, 1, 1} (deficit 9). With a
  // draft of 4 the store falls 0, 3, 5, 1, 4, 7, 10, 5 below full.
  const std::vector<double> x = {5, 1, 2, 8, 1, 1, 1, 9};
  EXPECT_EQ(longest_run_below(x, 4.0), 3);
  EXPECT_DOUBLE_EQ(largest_deficit_below(x, 4.0), 9.0);
  EXPECT_DOUBLE_EQ(sequent_peak(x, 4.0), 10.0);
  EXPECT_DOUBLE_EQ(sequent_peak(x, 0.5), 0.0);
  // A value equal to the level ends a run.
  EXPECT_EQ(longest_run_below(std::vector<double>{1, 4, 1, 1}, 4.0), 2);
}

TEST(Check, MomentsCorrelationAndHurstOfAHandSeries) {
  // Departures -1.5 -0.5 0.5 1.5: cumulative -1.5 -2 -1.5 0, so R = 2 and
  // S = sqrt(1.25); lag-1 sum of products 1.25 over a sum of squares 5.
  const std::vector<double> x = {1, 2, 3, 4};
  const SeriesStatistics s = series_statistics(x, 2.5);
  EXPECT_DOUBLE_EQ(s[kMean], 2.5);
  EXPECT_DOUBLE_EQ(s[kSd], std::sqrt(1.25));
  EXPECT_DOUBLE_EQ(s[kSkewness], 0.0);
  EXPECT_DOUBLE_EQ(s[kLag1], 0.25);
  EXPECT_DOUBLE_EQ(s[kMinimum], 1.0);
  EXPECT_DOUBLE_EQ(s[kMaximum], 4.0);
  EXPECT_NEAR(s[kHurst], std::log(2.0 / std::sqrt(1.25)) / std::log(2.0), 1e-15);
  EXPECT_EQ(s[kLongestRun], 2.0);
  EXPECT_DOUBLE_EQ(s[kLargestDeficit], 2.0);
  // Drafts 1.25, 1.75, 2.25: the store falls 0.25, 0, 0 / 0.75, 0.5 / 1.25, 1.5, 0.75.
  EXPECT_DOUBLE_EQ(s[kStorage50], 0.25);
  EXPECT_DOUBLE_EQ(s[kStorage70], 0.75);
  EXPECT_DOUBLE_EQ(s[kStorage90], 1.5);
}

TEST(Check, ASeriesWithoutSpreadHasNoShapeStatistics) {
  const SeriesStatistics s = series_statistics(std::vector<double>{3, 3, 3, 3}, 3.0);
  EXPECT_EQ(s[kMean], 3.0);
  EXPECT_TRUE(std::isnan(s[kSkewness]));
  EXPECT_TRUE(std::isnan(s[kLag1]));
  EXPECT_TRUE(std::isnan(s[kHurst]));
  EXPECT_TRUE(std::isnan(hurst_k(std::vector<double>{1, 2})));
}

TEST(Check, PercentileCountsHalfOfTheTies) {
  const std::vector<double> v = {1, 2, 2, 4};
  EXPECT_DOUBLE_EQ(percentile_of(v, 0.0), 0.0);
  EXPECT_DOUBLE_EQ(percentile_of(v, 2.0), 50.0);
  EXPECT_DOUBLE_EQ(percentile_of(v, 3.0), 75.0);
  EXPECT_DOUBLE_EQ(percentile_of(v, 9.0), 100.0);
  EXPECT_TRUE(std::isnan(percentile_of(v, kNaN)));
}

TEST(Check, SummaryLeavesOutSeriesWithoutAValue) {
  std::vector<SeriesStatistics> values(4);
  for (int i = 0; i < 4; ++i) values[i].fill(i + 1.0);
  values[1][kHurst] = kNaN;
  SeriesStatistics record;
  record.fill(kNaN);
  record[kMean] = 2.0;
  const Check c = summarise(values, record, 2.0);
  EXPECT_EQ(c.rows[kMean].count, 4);
  EXPECT_DOUBLE_EQ(c.rows[kMean].mean, 2.5);
  EXPECT_DOUBLE_EQ(c.rows[kMean].p50, 2.5);
  EXPECT_DOUBLE_EQ(c.rows[kMean].record_percentile, 37.5);
  EXPECT_EQ(c.rows[kHurst].count, 3);
  EXPECT_DOUBLE_EQ(c.rows[kHurst].mean, 8.0 / 3.0);
  EXPECT_TRUE(std::isnan(c.rows[kSd].record_percentile));
}

TEST(Check, NotesSayWhatTheRecordColumnCannotShow) {
  Model m;
  m.N = 4;
  m.record_mean = 2.0;
  m.record_sd = 1.0;
  m.flows_note = "no slot";
  std::vector<SeriesStatistics> values(3, series_statistics(std::vector<double>{1, 2, 3}, 2.0));
  const Check c = make_check(m, values, 3);
  EXPECT_FALSE(c.record_flows);
  EXPECT_DOUBLE_EQ(c.rows[kSd].record, 1.0);
  EXPECT_TRUE(std::isnan(c.rows[kMaximum].record));
  ASSERT_EQ(c.notes.size(), 2u);
  EXPECT_NE(c.notes[0].find("no slot"), std::string::npos);
  EXPECT_NE(c.notes[1].find("3 years and the record 4"), std::string::npos);
}

}  // namespace
