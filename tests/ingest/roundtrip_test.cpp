// A flow file written out as a wide CSV and imported again gives the same
// records, read by the program's own reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ingest_test_util.hpp"

namespace ingest {
namespace {

namespace fs = std::filesystem;

// The wide CSV of a flow file: the year and the twelve fields as written.
std::string wide_from_flow_file(const std::string& text) {
  std::string csv = "year,jan,feb,mar,apr,may,jun,jul,aug,sep,oct,nov,dec\n";
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find_first_not_of(" \r") == std::string::npos) continue;
    line.resize(105, ' ');
    std::string year = line.substr(4, 4);
    csv += year.substr(year.find_first_not_of(' '));
    for (int m = 0; m < 12; ++m) {
      double v = 0.0;
      EXPECT_TRUE(flowfile::read_real_field(line.substr(9 + 8 * m, 7), v));
      char buf[40];
      std::snprintf(buf, sizeof buf, ",%.17g", v);
      csv += buf;
    }
    csv += "\n";
  }
  return csv;
}

void expect_round_trip(const fs::path& flow_file) {
  SCOPED_TRACE(flow_file.string());
  const std::string original = testing::slurp(flow_file);
  const testing::Read before = testing::read_back(original);
  ASSERT_TRUE(before.ok) << before.message;
  const Result r =
      import_tables({{flow_file.stem().string() + ".csv", wide_from_flow_file(original)}}, {});
  ASSERT_TRUE(r.ok) << r.message;
  const testing::Read after = testing::read_back(r.flow_text());
  ASSERT_TRUE(after.ok) << after.message;
  EXPECT_EQ(after.first_year, before.first_year);
  EXPECT_EQ(after.N, before.N);
  EXPECT_EQ(after.flows, before.flows);
  EXPECT_EQ(testing::months_of(r.flow_text()), testing::months_of(original));
  EXPECT_EQ(r.report.max_rounding, 0.0);
}

TEST(RoundTrip, BundledNile) {
  expect_round_trip(fs::path(RIVAN6_SOURCE_DIR) / "examples/NILE.INC");
}

TEST(RoundTrip, EveryGaugeOfTheSharedData) {
  const fs::path dir = RIVAN6_SHARED_DATA;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) GTEST_SKIP() << dir << " is absent";
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".INC") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  for (const fs::path& f : files) expect_round_trip(f);
}

}  // namespace
}  // namespace ingest
