#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "findings/gauges.hpp"
#include "findings/parts.hpp"
#include "stats/random_stream.hpp"

namespace findings {
namespace {

using findings_test::analysed;
using findings_test::nile;

TEST(ReturnPeriods, NileLn2EqualsLognormalQuantiles) {
  // R: qlnorm(1 / T, m, s) and qlnorm(1 / T, m, s, lower.tail = FALSE) with
  // m = -GAMMA / DELTA = 6.8067574183499513, s = 1 / DELTA = 0.18511105292731289.
  const std::array<double, 10> dry{903.93496673316952, 773.5296686442673,  713.03325385272035,
                                   666.65777384576677, 653.72454410877424, 618.06015756262173,
                                   587.64599302351201, 561.12457730856352, 530.58377801639585,
                                   510.15839828286005};
  const std::array<double, 10> wet{903.93496673316952, 1056.3246080980837, 1145.9471485626825,
                                   1225.6639855398046, 1249.9124156288951, 1322.0370445899644,
                                   1390.4603005609258, 1456.1800661131479, 1539.9988803608819,
                                   1601.6563224934928};
  const results::GaugeResult& r = nile();
  ASSERT_EQ(r.normalisation.fitted.model, normalize::Model::LN2);
  const ReturnPeriods rp = return_periods(r, Options{0});
  ASSERT_TRUE(rp.available);
  ASSERT_EQ(rp.periods.size(), kReturnPeriods.size());
  for (std::size_t k = 0; k < rp.periods.size(); ++k) {
    EXPECT_EQ(rp.periods[k].T, kReturnPeriods[k]);
    EXPECT_NEAR(rp.periods[k].dry.flow, dry[k], 1e-9 * dry[k]) << "T = " << kReturnPeriods[k];
    EXPECT_NEAR(rp.periods[k].wet.flow, wet[k], 1e-9 * wet[k]) << "T = " << kReturnPeriods[k];
  }
}

TEST(ReturnPeriods, ZeroFlowsMakeTheDryYearsZero) {
  std::vector<double> flows = findings_test::wavy(40);
  for (int i = 0; i < 40; i += 3) flows[i] = 0.0;  // 14 zero years of 40
  const results::GaugeResult r = analysed("ZEROS", 1950, flows);
  ASSERT_EQ(r.record.nz, 14);
  const ReturnPeriods rp = return_periods(r, Options{50});
  ASSERT_TRUE(rp.available);
  EXPECT_DOUBLE_EQ(rp.zero_probability, 0.35);
  for (const ReturnPeriod& p : rp.periods) {
    if (1.0 / p.T <= 0.35) {
      EXPECT_EQ(p.dry.flow, 0.0) << p.T;
      EXPECT_EQ(p.dry.lower, 0.0) << p.T;
    } else {
      EXPECT_GT(p.dry.flow, 0.0) << p.T;
    }
    EXPECT_GT(p.wet.flow, 0.0) << p.T;
  }
}

TEST(Bootstrap, BoundsBracketTheFlowsAndRepeatExactly) {
  const results::GaugeResult& r = nile();
  const ReturnPeriods a = return_periods(r, Options{100, 7});
  const ReturnPeriods b = return_periods(r, Options{100, 7});
  ASSERT_TRUE(a.bounds_note.empty()) << a.bounds_note;
  EXPECT_EQ(a.refitted + a.failed, 100);
  for (std::size_t k = 0; k < a.periods.size(); ++k) {
    const ReturnPeriod& p = a.periods[k];
    EXPECT_LT(p.dry.lower, p.dry.flow) << p.T;
    EXPECT_GT(p.dry.upper, p.dry.flow) << p.T;
    EXPECT_LT(p.wet.lower, p.wet.flow) << p.T;
    EXPECT_GT(p.wet.upper, p.wet.flow) << p.T;
    EXPECT_EQ(p.dry.lower, b.periods[k].dry.lower);
    EXPECT_EQ(p.wet.upper, b.periods[k].wet.upper);
  }
  // The bounds widen with the return period.
  const ReturnPeriod& p10 = a.periods[2];
  const ReturnPeriod& p1000 = a.periods[9];
  EXPECT_GT(p1000.wet.upper - p1000.wet.lower, p10.wet.upper - p10.wet.lower);
  // Another seed, other samples.
  const ReturnPeriods c = return_periods(r, Options{100, 8});
  EXPECT_NE(a.periods[2].dry.lower, c.periods[2].dry.lower);
}

TEST(Bootstrap, SameFindingsOnAnyThread) {
  const std::string here = to_json(compute(nile(), Options{40})).dump();
  std::string a, b;
  std::thread ta([&a] { a = to_json(compute(nile(), Options{40})).dump(); });
  std::thread tb([&b] { b = to_json(compute(nile(), Options{40})).dump(); });
  ta.join();
  tb.join();
  EXPECT_EQ(a, here);
  EXPECT_EQ(b, here);
}

TEST(Bootstrap, OffOrTooFewRefitsGiveNoBoundsAndSayWhy) {
  const ReturnPeriods off = return_periods(nile(), Options{0});
  EXPECT_EQ(off.samples, 0);
  EXPECT_FALSE(off.bounds_note.empty());
  EXPECT_TRUE(std::isnan(off.periods[0].dry.lower));
  EXPECT_FALSE(std::isnan(off.periods[0].dry.flow));

  // Two years: most samples of two flows cannot be refitted into bounds that
  // mean anything, and those that fail are counted.
  const results::GaugeResult two = analysed("TWO", 2000, {10.0, 30.0});
  const ReturnPeriods rp = return_periods(two, Options{5});
  EXPECT_EQ(rp.refitted + rp.failed, 5);
  EXPECT_FALSE(rp.bounds_note.empty());  // fewer than 10 usable refits
  EXPECT_TRUE(std::isnan(rp.periods[3].wet.upper));
}

TEST(Bootstrap, SeedDependsOnTheGaugeNotOnItsNeighbours) {
  results::Record a;
  a.name = "A";
  a.first_year = 1900;
  a.flows = {1.0, 2.0, 3.0};
  results::Record b = a;
  EXPECT_EQ(gauge_seed(1, a), gauge_seed(1, b));
  b.name = "B";
  EXPECT_NE(gauge_seed(1, a), gauge_seed(1, b));
  b = a;
  b.flows[2] = 3.0000000001;
  EXPECT_NE(gauge_seed(1, a), gauge_seed(1, b));
  EXPECT_NE(gauge_seed(1, a), gauge_seed(2, a));
}

TEST(Stream, UniformStaysInsideTheOpenInterval) {
  auto s = stats::RandomStream::from_seed(42);
  auto t = stats::RandomStream::from_seed(42);
  double sum = 0.0;
  for (int i = 0; i < 10000; ++i) {
    const double u = s.uniform_open();
    ASSERT_GT(u, 0.0);
    ASSERT_LT(u, 1.0);
    ASSERT_EQ(u, t.uniform_open());
    sum += u;
  }
  EXPECT_NEAR(sum / 10000.0, 0.5, 0.01);
}

}  // namespace
}  // namespace findings
