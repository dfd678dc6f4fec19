#include "generate/generate.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <regex>

#include "generate/process.hpp"
#include "helpers.hpp"

namespace {

using generate_test::kNileYer;
using generate_test::model_json;
using generate_test::read_file;
using generate_test::run;
using generate_test::TempDir;
using generate_test::write_file;

// A folder with the test model as M.json and the Nile's year file as
// NILE.YER.
struct Models {
  TempDir dir;
  std::string json = dir / "M.json";
  std::string yer = dir / "NILE.YER";
  Models() {
    write_file(json, model_json().dump(2));
    write_file(yer, kNileYer);
  }
};

// Equal texts; on a difference, where it starts (gtest's own diff of two
// texts of megabytes would take gigabytes).
::testing::AssertionResult same_bytes(const std::string& a, const std::string& b) {
  if (a == b) return ::testing::AssertionSuccess();
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return ::testing::AssertionFailure()
         << "sizes " << a.size() << " and " << b.size() << ", first difference at byte " << i;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

TEST(Generate, WritesOneLinePerYearOfEverySeriesInOrder) {
  Models m;
  const auto r = run({m.json, "--series", "3", "--years=4", "--seed", "11"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const auto lines = lines_of(r.out);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], "series,year,flow");
  // Series from 1, years from the record's last (1970) + 1.
  EXPECT_EQ(lines[1].substr(0, 7), "1,1971,");
  EXPECT_EQ(lines[4].substr(0, 7), "1,1974,");
  EXPECT_EQ(lines[12].substr(0, 7), "3,1974,");
}

// Every flow written reads back as the very double the process made.
TEST(Generate, FlowsAreWrittenWithoutLoss) {
  Models m;
  const auto r = run({m.yer, "--series", "2", "--years", "50", "--seed", "8", "--warmup", "7"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::ifstream f(m.yer);
  const generate::Model model = generate::read_model(f, m.yer);
  const generate::Process p(model);
  const auto lines = lines_of(r.out);
  std::vector<double> z(50), x(50);
  for (int s = 0; s < 2; ++s) {
    stats::RandomStream stream(8, s);
    p.run(stream, 7, z, x);
    for (int t = 0; t < 50; ++t) {
      const std::string& l = lines[1 + s * 50 + t];
      const std::string field = l.substr(l.rfind(',') + 1);
      double v = 0.0;
      std::from_chars(field.data(), field.data() + field.size(), v);
      ASSERT_EQ(v, x[t]) << l;
    }
  }
}

TEST(Generate, SameSeedSameBytesForAnyNumberOfThreads) {
  Models m;
  // 2000 years make blocks of 32 series: 100 series are 4 blocks.
  const std::vector<std::string> args = {m.json, "--series", "100", "--years", "2000"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> a = args;
    a.insert(a.end(), extra.begin(), extra.end());
    const auto r = run(a);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  };
  const std::string one = with({"-j", "1"});
  EXPECT_TRUE(same_bytes(with({"-j", "2"}), one));
  EXPECT_TRUE(same_bytes(with({"--jobs=3"}), one));
  EXPECT_TRUE(same_bytes(with({"-j", "8"}), one));
  EXPECT_FALSE(same_bytes(with({"--seed", "2"}), one));
}

TEST(Generate, SeriesDifferFromEachOther) {
  Models m;
  const auto lines = lines_of(run({m.json, "--series", "2", "--years", "1"}).out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[1].substr(lines[1].rfind(',')), lines[2].substr(lines[2].rfind(',')));
}

struct Usage {
  const char* name;
  std::vector<std::string> args;  // after the model file
};
void PrintTo(const Usage& u, std::ostream* os) {
  *os << u.name;
}

class UsageErrors : public ::testing::TestWithParam<Usage> {};

TEST_P(UsageErrors, GiveStatusTwoAndNoOutput) {
  Models m;
  std::vector<std::string> args = {m.json};
  for (const auto& a : GetParam().args) args.push_back(a);
  const auto r = run(args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("rivan6 generate: "), std::string::npos);
  EXPECT_NE(r.err.find("--help"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Generate, UsageErrors,
    ::testing::Values(Usage{"ZeroSeries", {"--series", "0"}},
                      Usage{"NegativeSeries", {"--series=-3"}},
                      Usage{"SeriesNotANumber", {"--series", "ten"}},
                      Usage{"SeriesWithUnit", {"--series", "10x"}},
                      Usage{"ZeroYears", {"--years", "0"}},
                      Usage{"NegativeWarmup", {"--warmup", "-1"}},
                      Usage{"NegativeSeed", {"--seed", "-1"}}, Usage{"ZeroJobs", {"-j", "0"}},
                      Usage{"UnknownOption", {"--bogus"}}, Usage{"UnknownShortOption", {"-x"}},
                      Usage{"MissingValue", {"--series"}}, Usage{"TwoModels", {"other.json"}},
                      Usage{"CheckJsonToStandardOutput", {"--check-json", "-"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Generate, NoModelIsAUsageError) {
  EXPECT_EQ(run({}).status, 2);
  const auto help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: rivan6 generate MODEL"), std::string::npos);
}

struct Bad {
  const char* name;
  std::string text;  // of the model file; "" for none at all, "/" for a folder
  const char* message;
};
void PrintTo(const Bad& b, std::ostream* os) {
  *os << b.name;
}

class BadModels : public ::testing::TestWithParam<Bad> {};

TEST_P(BadModels, GiveStatusOneAndLeaveNoFile) {
  TempDir dir;
  const std::string model = dir / "B.json";
  if (GetParam().text == "/") {
    std::filesystem::create_directory(model);
  } else if (!GetParam().text.empty()) {
    write_file(model, GetParam().text);
  }
  const auto before = dir.files();
  const auto r = run({model, "-o", dir / "out.csv", "--check-json", dir / "check.json"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(model), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
  EXPECT_EQ(dir.files(), before);
}

nlohmann::json explosive() {
  auto j = model_json();
  j["arma"]["chosen"]["phi"] = {1.02, 0.0};
  return j;
}

INSTANTIATE_TEST_SUITE_P(
    Generate, BadModels,
    ::testing::Values(Bad{"Missing", "", "cannot open"}, Bad{"Folder", "/", "is a folder"},
                      Bad{"NotJson", "{ \"schema_version\": 1,", "line"},
                      Bad{"NotStationary", explosive().dump(), "not stationary"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Generate, AFailedWriteLeavesNoFile) {
  Models m;
  const auto r = run({m.json, "-o", m.dir / "no-such-folder/out.csv"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot create"), std::string::npos) << r.err;
}

TEST(Generate, TheCheckGoesBesideTheFlowsNotIntoThem) {
  Models m;
  // Flows to standard output: the table goes to standard error.
  const auto piped = run({m.json, "--series", "20", "--check"});
  ASSERT_EQ(piped.status, 0) << piped.err;
  const std::regex csv(R"(\d+,\d+,[-+.e\d]+)");
  const auto lines = lines_of(piped.out);
  ASSERT_EQ(lines.size(), 20u * 40 + 1);
  for (std::size_t i = 1; i < lines.size(); ++i) ASSERT_TRUE(std::regex_match(lines[i], csv));
  EXPECT_NE(piped.err.find("Hurst coefficient K"), std::string::npos);

  // Flows to a file: the table goes to standard output, the file is the same
  // CSV as before.
  const std::string file = m.dir / "flows.csv";
  const auto filed = run({m.json, "--series", "20", "--check", "-o", file});
  ASSERT_EQ(filed.status, 0) << filed.err;
  EXPECT_EQ(filed.out, piped.err);
  EXPECT_TRUE(same_bytes(read_file(file), piped.out));
}

TEST(Generate, CheckJsonHoldsEveryStatisticWithTheRecordsPercentile) {
  Models m;
  const std::string file = m.dir / "check.json";
  const auto r = run({m.json, "--series", "50", "--check-json", file, "-o", m.dir / "f.csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");  // no --check: no table
  const auto j = nlohmann::json::parse(read_file(file));
  EXPECT_EQ(j["series"], 50);
  EXPECT_EQ(j["years"], 40);
  ASSERT_EQ(j["statistics"].size(), static_cast<std::size_t>(generate::kStatistics));
  for (const auto& s : j["statistics"]) {
    EXPECT_TRUE(s["record"].is_number()) << s;
    const double pct = s["record_percentile"];
    EXPECT_GE(pct, 0.0);
    EXPECT_LE(pct, 100.0);
    EXPECT_LE(s["p05"].get<double>(), s["p50"].get<double>());
    EXPECT_LE(s["p50"].get<double>(), s["p95"].get<double>());
  }
}

TEST(Generate, WithoutAnArmaModelItSaysSoAndGoesOn) {
  TempDir dir;
  auto j = model_json();
  j["arma"] = nullptr;
  write_file(dir / "W.json", j.dump());
  const auto r = run({dir / "W.json", "--series", "2", "--years", "3"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("no ARMA model was identified"), std::string::npos) << r.err;
  EXPECT_EQ(lines_of(r.out).size(), 7u);
}

TEST(Generate, ReadsTheModelFromStandardInput) {
  Models m;
  const auto from_file = run({m.yer, "--series", "2"});
  const auto from_input = run({"-", "--series", "2"}, kNileYer);
  ASSERT_EQ(from_input.status, 0) << from_input.err;
  EXPECT_TRUE(same_bytes(from_input.out, from_file.out));
}

}  // namespace
