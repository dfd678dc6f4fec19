// The figures and the page of the Nile, byte for byte against the kept files
// in tests/report/golden/. Any change of a figure's layout shows here; when
// one is meant, `make golden` rewrites the kept files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "report/page.hpp"
#include "report/test_data.hpp"
#include "support/files.hpp"

namespace report {
namespace {

const std::string kGolden = std::string(RIVAN6_SOURCE_DIR) + "/tests/report/golden/";

using rivan6_test::first_difference;

struct Kept {
  const char* file;
  std::string (*make)(const results::GaugeResult&);
};
void PrintTo(const Kept& k, std::ostream* os) {
  *os << k.file;
}

class NileFigures : public ::testing::TestWithParam<Kept> {};

TEST_P(NileFigures, EqualTheKeptFiles) {
  const Kept& k = GetParam();
  // `make golden` runs this test with RIVAN6_WRITE_GOLDEN set: it then
  // rewrites the kept files instead of comparing with them.
  if (std::getenv("RIVAN6_WRITE_GOLDEN") != nullptr) {
    std::ofstream(kGolden + k.file, std::ios::binary) << k.make(testing::nile());
    GTEST_SKIP() << "rewrote " << k.file;
  }
  const std::string kept = testing::read_text(kGolden + k.file);
  ASSERT_FALSE(kept.empty()) << "no kept file " << k.file << " (make golden writes it)";
  const std::string written = k.make(testing::nile());
  EXPECT_TRUE(written == kept) << k.file << " differs from the kept file at "
                               << first_difference(kept, written)
                               << "\n(if the change is meant: make golden)";
}

INSTANTIATE_TEST_SUITE_P(
    Nile, NileFigures,
    ::testing::Values(
        Kept{"NILE-series.svg", [](const results::GaugeResult& r) { return series_figure(r, {}); }},
        Kept{"NILE-probability.svg",
             [](const results::GaugeResult& r) { return probability_figure(r, {}); }},
        Kept{"NILE-acf.svg",
             [](const results::GaugeResult& r) {
               return correlogram_figure(r.correlogram, CorrelogramKind::kSerial, r.record.name);
             }},
        Kept{"NILE-pacf.svg",
             [](const results::GaugeResult& r) {
               return correlogram_figure(r.correlogram, CorrelogramKind::kPartial, r.record.name);
             }},
        Kept{"NILE-racf.svg",
             [](const results::GaugeResult& r) {
               return correlogram_figure(r.residual_correlogram, CorrelogramKind::kResidual,
                                         r.record.name, "ARMA(2,1)");
             }},
        Kept{"NILE-arma.svg",
             [](const results::GaugeResult& r) { return arma_figure(r.arma, r.record.name); }},
        Kept{"NILE-deficit.svg",
             [](const results::GaugeResult& r) {
               return deficit_figure(r.arma.fits[r.p][r.q], r.raw.mean, r.record.name);
             }},
        Kept{"NILE.html",
             [](const results::GaugeResult& r) { return gauge_page(r, {}, links_for(r, true)); }}),
    [](const auto& info) {
      std::string n = info.param.file;
      for (char& c : n)
        if (c == '-' || c == '.') c = '_';
      return n;
    });

}  // namespace
}  // namespace report
