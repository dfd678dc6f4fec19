#include "driver/batch.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/cli.hpp"
#include "driver/test_files.hpp"

namespace driver {
namespace {

namespace fs = std::filesystem;

using testing::read_file;

std::string record(int year, double month, const char* eol = "\n") {
  char buf[200];
  int len = std::snprintf(buf, sizeof buf, "TEST%4d", year);
  for (int m = 0; m < 12; ++m) len += std::snprintf(buf + len, sizeof buf - len, " %7.3f", month);
  return std::string(buf, len) + eol;
}

// Annual flows that vary from year to year (a deterministic pseudo-random
// walk of monthly values around 10).
std::string gauge(int first, int n, const char* eol = "\n", double scale = 1.0) {
  std::string s;
  unsigned x = 777;
  for (int i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    const double u = ((x >> 8) % 10000) / 10000.0;
    s += record(first + i, scale * (5.0 + 10.0 * u * u), eol);
  }
  return s;
}

struct Outcome {
  int status;
  std::string out, err;
};

class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // Short and unique: the dialogue's directory field has 50 columns.
    const std::size_t h =
        std::hash<std::string>{}(std::string(info->test_suite_name()) + "." + info->name());
    root_ = fs::temp_directory_path() / ("r6b-" + std::to_string(h % 100000000));
    fs::remove_all(root_);
    fs::create_directories(root_ / "in");
    fs::create_directories(root_ / "out");
  }
  void TearDown() override {
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(root_);
  }
  void put(const std::string& name, const std::string& text) {
    std::ofstream(root_ / "in" / (name + ".INC"), std::ios::binary) << text;
  }
  Outcome run(std::vector<std::string> args) {
    std::vector<const char*> argv{"rivan6"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::istringstream in;
    std::ostringstream out, err;
    const int status = run_cli(static_cast<int>(argv.size()), argv.data(), in, out, err);
    return {status, out.str(), err.str()};
  }
  Outcome analyse(const std::string& name, std::string out_dir = "") {
    if (out_dir.empty()) out_dir = (root_ / "out").string();
    return run({"-d", (root_ / "in").string(), "-o", out_dir, "-j", "1", name});
  }
  fs::path root_;
};

struct BadInput {
  const char* what;
  std::string text;  // the flow file; absent when empty and missing is set
  bool missing;
  int status;
  const char* message;  // expected in standard error ("" when none)
  const char* summary;  // expected in standard output ("" when the gauge fails)
};

void PrintTo(const BadInput& c, std::ostream* os) {
  *os << c.what;
}

std::string garbage() {
  std::string s;
  for (int i = 0; i < 3000; ++i) s += static_cast<char>((i * 7919) % 256);
  return s;
}

std::string letters_in_a_flow() {
  std::string bad = record(1953, 1.0);
  bad.replace(12, 3, "x.y");
  return gauge(1950, 3) + bad + gauge(1954, 10);
}

std::string constant(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += record(1950 + i, 2.0);
  return s;
}

std::string zeros(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += record(1950 + i, 0.0);
  return s;
}

std::string long_lines() {
  std::string s;
  std::istringstream in(gauge(1950, 30));
  std::string line;
  while (std::getline(in, line)) s += line + "F" + std::string(60, '7') + "\n";
  return s;
}

std::string negative_flows() {
  std::string s = gauge(1950, 30);
  std::string neg = record(1980, -1.0);
  return s + neg + gauge(1981, 5);
}

const std::vector<BadInput>& bad_inputs() {
  static const std::vector<BadInput> cases{
      {"missing file", "", true, 1, "cannot open the flow file", ""},
      {"empty file", "", false, 1, "HOLDS NO RECORD OF FLOWS", ""},
      {"binary garbage", garbage(), false, 1, "HOLDS NO RECORD OF FLOWS", ""},
      {"letters in a flow field", letters_in_a_flow(), false, 0, "warning: RECORD 4 OF",
       "1950-1952  N    3"},
      {"a gap", gauge(1950, 10) + gauge(1962, 5), false, 1,
       "RECORD 11 HAS THE YEAR 1962 AFTER 1959", ""},
      {"a repeated year", gauge(1950, 10) + gauge(1959, 5), false, 1,
       "RECORD 11 HAS THE YEAR 1959 AFTER 1959", ""},
      {"years going back", gauge(1950, 10) + gauge(1900, 5), false, 1,
       "RECORD 11 HAS THE YEAR 1900 AFTER 1959", ""},
      {"more than 1000 records", gauge(1000, 1010), false, 0, "ONLY THE FIRST 1000 ARE READ",
       "1000-1999  N 1000"},
      {"negative flows", negative_flows(), false, 0, "", "zero flows: no ARMA"},
      {"every flow zero", zeros(20), false, 0, "", "ITYPE 0"},
      {"one year", gauge(1950, 1), false, 0, "", "no transform: flows without spread"},
      {"two years", gauge(1950, 2), false, 0, "", "fewer than 3 flows: no ARMA"},
      {"three years", gauge(1950, 3), false, 0, "", "1950-1952  N    3"},
      {"a constant record", constant(30), false, 0, "", "no transform: flows without spread"},
      {"windows line ends", gauge(1950, 30, "\r\n"), false, 0, "", "1950-1979  N   30"},
      {"lines longer than 105 columns", long_lines(), false, 0, "", "1950-1979  N   30"},
  };
  return cases;
}

class BadInputs : public Batch, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadInputs, ClearMessageAndStatusNeverACrash) {
  const BadInput& c = GetParam();
  if (!c.missing) put("G", c.text);
  const Outcome o = analyse("G");
  EXPECT_EQ(o.status, c.status) << c.what << "\n" << o.err;
  if (*c.message) {
    EXPECT_NE(o.err.find(c.message), std::string::npos) << c.what << "\n" << o.err;
  } else {
    EXPECT_EQ(o.err, "") << c.what;
  }
  if (*c.summary) {
    EXPECT_NE(o.out.find(c.summary), std::string::npos) << c.what << "\n" << o.out;
    EXPECT_TRUE(fs::exists(root_ / "out" / "G.ANS"));
    EXPECT_TRUE(fs::exists(root_ / "out" / "G.YER"));
    EXPECT_TRUE(fs::exists(root_ / "out" / "G.LOG"));
  } else {
    EXPECT_FALSE(fs::exists(root_ / "out" / "G.ANS")) << c.what;
    EXPECT_NE(o.out.find("0 of 1 gauges analysed, 1 failed"), std::string::npos) << o.out;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, BadInputs, ::testing::ValuesIn(bad_inputs()),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                           std::string n = info.param.what;
                           for (char& ch : n)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

TEST_F(Batch, ThousandYearRecordIsAnalysed) {
  put("LONG", gauge(1001, 1000));
  const Outcome o = analyse("LONG");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("1001-2000  N 1000"), std::string::npos) << o.out;
}

TEST_F(Batch, RecordsTooShortForATestSayWhatIsUndefined) {
  put("TWO", gauge(1950, 2));
  put("FLAT", constant(30));
  ASSERT_EQ(analyse("TWO").status, 0);
  ASSERT_EQ(analyse("FLAT").status, 0);
  const std::string two = read_file(root_ / "out" / "TWO.ANS");
  // No degrees of freedom: no probability, and no correlogram at all.
  EXPECT_NE(two.find("\nTHE EXCEEDENCE PROBABILITY OF THIS VALUE IS:     N/A\n"), std::string::npos)
      << two;
  EXPECT_NE(two.find("\nWITH ONLY 2 POSITIVE FLOWS THERE IS NO CORRELOGRAM, ARMA NOR CROSSING\n"),
            std::string::npos);
  EXPECT_EQ(two.find("NaN"), std::string::npos);
  EXPECT_FALSE(fs::exists(root_ / "out" / "TWO.COR"));
  // The score of white noise, n^2/(n-2), is not defined for two flows.
  const std::string yer = read_file(root_ / "out" / "TWO.YER");
  EXPECT_NE(yer.find("         N/A         N/A\n"), std::string::npos) << yer;
  EXPECT_EQ(yer.find("Infinity"), std::string::npos);
  const std::string flat = read_file(root_ / "out" / "FLAT.ANS");
  EXPECT_NE(flat.find("\nALL POSITIVE FLOWS OF THIS RECORD ARE EQUAL (    24.000).\n"),
            std::string::npos)
      << flat;
  EXPECT_EQ(flat.find("NaN"), std::string::npos);
}

TEST_F(Batch, BaseNameLongerThanNineteenCharactersIsRefused) {
  const Outcome o = analyse("ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("at most 19 characters"), std::string::npos) << o.err;
}

TEST_F(Batch, UnwritableOutputDirectoryFailsTheGaugeOnly) {
  put("G", gauge(1950, 20));
  const Outcome o = analyse("G", (root_ / "no" / "such" / "dir").string());
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("cannot create"), std::string::npos) << o.err;
}

TEST_F(Batch, OneFailureDoesNotStopTheOthers) {
  put("A", gauge(1950, 20));
  put("C", gauge(1960, 25));
  const Outcome o =
      run({"-d", (root_ / "in").string(), "-o", (root_ / "out").string(), "A", "B", "C"});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("rivan6: B: cannot open the flow file"), std::string::npos) << o.err;
  EXPECT_NE(o.out.find("2 of 3 gauges analysed, 1 failed"), std::string::npos) << o.out;
  EXPECT_TRUE(fs::exists(root_ / "out" / "A.ANS"));
  EXPECT_TRUE(fs::exists(root_ / "out" / "C.ANS"));
  // Summary lines come in the order the gauges were named.
  EXPECT_LT(o.out.find("A "), o.out.find("C "));
}

TEST_F(Batch, UsageErrorsHelpAndVersion) {
  EXPECT_EQ(run({"-j"}).status, 2);
  EXPECT_EQ(run({"-j", "0", "X"}).status, 2);
  EXPECT_EQ(run({"--frobnicate"}).status, 2);
  const Outcome help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: rivan6"), std::string::npos);
  const Outcome version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("rivan6 ", 0), 0u);
}

TEST_F(Batch, FilesAreTheSameWhateverTheNumberOfJobsAndTheSameAsTheDialogue) {
  const std::vector<std::string> names{"G1", "G2", "G3", "G4", "G5"};
  for (std::size_t i = 0; i < names.size(); ++i)
    put(names[i], gauge(1940 + static_cast<int>(i), 30 + 7 * static_cast<int>(i), "\n",
                        1.0 + static_cast<double>(i)));
  fs::create_directories(root_ / "j1");
  fs::create_directories(root_ / "j8");
  std::vector<std::string> a1{"-d", (root_ / "in").string(), "-o", (root_ / "j1").string(), "-j",
                              "1"};
  std::vector<std::string> a8{"-d", (root_ / "in").string(), "-o", (root_ / "j8").string(), "-j",
                              "8"};
  a1.insert(a1.end(), names.begin(), names.end());
  a8.insert(a8.end(), names.begin(), names.end());
  const Outcome o1 = run(a1);
  const Outcome o8 = run(a8);
  ASSERT_EQ(o1.status, 0) << o1.err;
  ASSERT_EQ(o8.status, 0) << o8.err;
  EXPECT_EQ(o1.out, o8.out);
  for (const std::string& n : names)
    for (const char* ext : {".ANS", ".COR", ".YER", ".LOG"})
      EXPECT_EQ(read_file(root_ / "j1" / (n + ext)), read_file(root_ / "j8" / (n + ext)))
          << n << ext;

  // The dialogue writes the same three files.
  fs::create_directories(root_ / "dialogue");
  std::istringstream in((root_ / "in").string() + "/\nN\nG3\nN\n");
  std::ostringstream screen, err;
  const std::string od = (root_ / "dialogue").string();
  const char* argv[] = {"rivan6", "-o", od.c_str()};
  ASSERT_EQ(run_cli(3, argv, in, screen, err), 0);
  for (const char* ext : {".ANS", ".COR", ".YER"})
    EXPECT_EQ(read_file(root_ / "dialogue" / (std::string("G3") + ext)),
              read_file(root_ / "j1" / (std::string("G3") + ext)))
        << ext;
}

}  // namespace
}  // namespace driver
