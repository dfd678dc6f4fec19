#include "ingest/command.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ingest_test_util.hpp"

namespace ingest {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

Outcome import_cmd(std::vector<std::string> args) {
  args.insert(args.begin(), "import");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::ostringstream out, err;
  Outcome r;
  r.status = run_import(static_cast<int>(args.size()), argv.data(), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

class Command : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  fs::path in(const std::string& name, const std::string& text) {
    const fs::path p = dir_.path() / name;
    testing::spit(p, text);
    return p;
  }
  std::vector<fs::path> files_in(const fs::path& d) {
    std::vector<fs::path> v;
    for (const auto& e : fs::directory_iterator(d)) v.push_back(e.path().filename());
    return v;
  }
};

TEST_F(Command, WritesNameIncIntoANewFolder) {
  const fs::path csv = in("rhine.csv", testing::daily_csv(1961, 1963));
  const fs::path out = dir_.path() / "new" / "folder";
  const Outcome r = import_cmd({csv.string(), "-o", out.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testing::slurp(out / "RHINE.INC"),
            import_tables({{"rhine.csv", testing::daily_csv(1961, 1963)}}, {}).flow_text());
  EXPECT_EQ(files_in(out), std::vector<fs::path>{"RHINE.INC"});  // no temporary left
  EXPECT_NE(r.out.find("years written: 1961-1963"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("written: " + (out / "RHINE.INC").string()), std::string::npos) << r.out;
}

TEST_F(Command, LongOptionsTakeTheirValueEitherWay) {
  const fs::path csv = in("x.csv", testing::daily_csv(1961, 1965, {"1962-02-02"}));
  for (const std::vector<std::string>& opts :
       {std::vector<std::string>{"--name=Gauge1", "--years=1963-1964", "--scale=2"},
        std::vector<std::string>{"--name", "Gauge1", "--years", "1963-1964", "--scale", "2"}}) {
    std::vector<std::string> args{csv.string(), "-o", dir_.path().string()};
    args.insert(args.end(), opts.begin(), opts.end());
    const Outcome r = import_cmd(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = testing::slurp(dir_.path() / "Gauge1.INC");
    EXPECT_EQ(text.substr(0, 8), "Gaug1963");
    EXPECT_EQ(testing::months_of(text).size(), 2u);
    EXPECT_EQ(testing::months_of(text)[0][0], 2 * testing::totals_of(1963)[0]);
  }
}

TEST_F(Command, ReportIsWrittenAsJson) {
  const fs::path csv = in("g.csv", testing::daily_csv(1961, 1962, {"1961-01-09"}));
  const fs::path report = dir_.path() / "g.json";
  const Outcome r =
      import_cmd({csv.string(), "-o", dir_.path().string(), "--report", report.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(testing::slurp(report));
  EXPECT_EQ(j["ok"], true);
  EXPECT_EQ(j["rows_read"], 729);
  EXPECT_EQ(j["missing_per_year"][0]["year"], 1961);
  EXPECT_EQ(j["years_written"]["count"], 1);
}

TEST_F(Command, FailedImportWritesNoFlowFileButItsReport) {
  const fs::path csv = in("bad.csv", "date,flow\n2001-01-01,1\n2001-01-01,2\n");
  const fs::path report = dir_.path() / "bad.json";
  const Outcome r =
      import_cmd({csv.string(), "-o", dir_.path().string(), "--report=" + report.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("bad.csv line 3: duplicate date 2001-01-01"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_.path() / "BAD.INC"));
  const nlohmann::json j = nlohmann::json::parse(testing::slurp(report));
  EXPECT_EQ(j["ok"], false);
  EXPECT_EQ(j["error"], r.err.substr(15, r.err.size() - 16));
}

TEST_F(Command, UnreadableFileFails) {
  const Outcome r = import_cmd({(dir_.path() / "absent.csv").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot read"), std::string::npos);
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  const char* expected;
  friend void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }
};

class Usage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(Usage, BadOptionsGiveStatusTwo) {
  const Outcome r = import_cmd(GetParam().args);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(GetParam().expected), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Try 'rivan6 import --help'"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Options, Usage,
    ::testing::Values(UsageCase{"NoFile", {}, "no FILE"},
                      UsageCase{
                          "UnknownLong", {"f.csv", "--frobnicate"}, "unknown option --frobnicate"},
                      UsageCase{"UnknownShort", {"-x", "f.csv"}, "unknown option -x"},
                      UsageCase{"MissingValue", {"f.csv", "--scale"}, "--scale needs a value"},
                      UsageCase{"ScaleZero", {"f.csv", "--scale=0"}, "--scale takes a positive"},
                      UsageCase{"ScaleText", {"f.csv", "--scale=x"}, "--scale takes a positive"},
                      UsageCase{"MonthlyOther", {"f.csv", "--monthly=max"}, "sum or mean"},
                      UsageCase{"YearsBackwards", {"f.csv", "--years=1990-1980"}, "FIRST <= LAST"},
                      UsageCase{"YearsOne", {"f.csv", "--years=1990"}, "FIRST-LAST"},
                      UsageCase{"MissingPositive", {"f.csv", "--missing=999"}, "negative number"},
                      UsageCase{"NameTooLong", {"f.csv", "--name=ABCDEFGHIJKLMNOPQRST"}, "1 to 19"},
                      UsageCase{"NameWithBlank", {"f.csv", "--name=A B"}, "1 to 19"},
                      UsageCase{"LayoutOther", {"f.csv", "--layout=tall"}, "--layout takes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandHelp, ListsEveryOption) {
  const Outcome r = import_cmd({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* o : {"--output", "--name", "--layout", "--column", "--scale", "--monthly",
                        "--years", "--missing", "--skip-bad-rows", "--report"})
    EXPECT_NE(r.out.find(o), std::string::npos) << o;
}

}  // namespace
}  // namespace ingest
