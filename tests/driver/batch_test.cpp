#include "driver/batch.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver/cli.hpp"
#include "driver/cli_run.hpp"
#include "driver/session.hpp"
#include "support/files.hpp"

namespace driver {
namespace {

namespace fs = std::filesystem;

using rivan6_test::read_file;
using testing::Outcome;
using testing::run_rivan6;

std::string record(int year, double month) {
  return rivan6_test::flow_record(year, month) + "\n";
}

std::string gauge(int first, int n, const char* eol = "\n", double scale = 1.0) {
  return rivan6_test::varied_flow_file(first, n, eol, scale);
}

using rivan6_test::test_name;

class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "in");
    fs::create_directories(root_ / "out");
  }
  void put(const std::string& name, const std::string& text) {
    rivan6_test::write_file(root_ / "in" / (name + ".INC"), text);
  }
  Outcome run(const std::vector<std::string>& args, bool err_is_terminal = false) {
    return run_rivan6(args, "", err_is_terminal);
  }
  Outcome analyse(const std::string& name, std::string out_dir = "") {
    if (out_dir.empty()) out_dir = (root_ / "out").string();
    return run({"-d", (root_ / "in").string(), "-o", out_dir, "-j", "1", name});
  }
  std::string in() const { return (root_ / "in").string(); }
  std::string out() const { return (root_ / "out").string(); }
  rivan6_test::TempDir tmp_;
  const fs::path& root_ = tmp_.path();
};

// ---- bad input ---------------------------------------------------------------

// How the flow file G.INC of a case is made.
enum class Made { text, missing, fifo, directory, endless_device };

struct BadInput {
  const char* what;
  std::string text;  // the flow file, when made from text
  Made made;
  int status;
  const char* message;  // expected in standard error ("" when none)
  const char* summary;  // expected in standard output ("" when the gauge fails)
  int warned = 0;       // gauges counted with warnings
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

std::string long_lines(std::size_t extra) {
  std::string s;
  std::istringstream in(gauge(1950, 30));
  std::string line;
  while (std::getline(in, line)) s += line + "F" + std::string(extra, '7') + "\n";
  return s;
}

std::string negative_flows() {
  std::string s = gauge(1950, 30);
  std::string neg = record(1980, -1.0);
  return s + neg + gauge(1981, 5);
}

std::string not_finite() {
  std::string huge = record(1960, 1.0);
  for (int m = 0; m < 12; ++m) huge.replace(9 + 8 * m, 7, " 9E+307");
  return gauge(1950, 10) + huge + gauge(1961, 10);
}

const std::vector<BadInput>& bad_inputs() {
  static const std::vector<BadInput> cases{
      {"missing file", "", Made::missing, 1, "No such file or directory", ""},
      {"a FIFO named G.INC", "", Made::fifo, 1, "a FIFO, not a regular file", ""},
      {"a directory named G.INC", "", Made::directory, 1, "a directory, not a regular file", ""},
      {"an endless device named G.INC", "", Made::endless_device, 1,
       "a character device, not a regular file", ""},
      {"empty file", "", Made::text, 1, "HOLDS NO RECORD OF FLOWS", ""},
      {"binary garbage", garbage(), Made::text, 1, "HOLDS NO RECORD OF FLOWS", ""},
      {"letters in a flow field", letters_in_a_flow(), Made::text, 0, "warning: RECORD 4 OF",
       "1950-1952  N    3  ITYPE 3  p 0  q 0  (data end early: record 4 cannot be read", 1},
      {"a gap", gauge(1950, 10) + gauge(1962, 5), Made::text, 1,
       "RECORD 11 HAS THE YEAR 1962 AFTER 1959", ""},
      {"a repeated year", gauge(1950, 10) + gauge(1959, 5), Made::text, 1,
       "RECORD 11 HAS THE YEAR 1959 AFTER 1959", ""},
      {"years going back", gauge(1950, 10) + gauge(1900, 5), Made::text, 1,
       "RECORD 11 HAS THE YEAR 1900 AFTER 1959", ""},
      {"a blank line amid the records", gauge(1950, 10) + "\n" + gauge(1960, 5), Made::text, 1,
       "RECORD 11 IS A BLANK LINE", ""},
      {"an annual sum that is not a finite number", not_finite(), Made::text, 1,
       "THE ANNUAL FLOW OF RECORD 11 OF", ""},
      {"more than 1000 records", gauge(1000, 1010), Made::text, 0, "ONLY THE FIRST 1000 ARE READ",
       "1000-1999  N 1000  ITYPE 3  p 0  q 0  (only the first 1000 records read", 1},
      {"negative flows", negative_flows(), Made::text, 0, "", "zero flows: no ARMA"},
      {"every flow zero", zeros(20), Made::text, 0, "", "ITYPE 0"},
      {"one year", gauge(1950, 1), Made::text, 0, "", "no transform: flows without spread"},
      {"two years", gauge(1950, 2), Made::text, 0, "", "fewer than 3 flows: no ARMA"},
      {"three years", gauge(1950, 3), Made::text, 0, "", "1950-1952  N    3"},
      {"a constant record", constant(30), Made::text, 0, "", "no transform: flows without spread"},
      {"windows line ends", gauge(1950, 30, "\r\n"), Made::text, 0, "", "1950-1979  N   30"},
      {"old Mac line ends", gauge(1950, 30, "\r"), Made::text, 0, "", "1950-1979  N   30"},
      {"a byte-order mark", "\xEF\xBB\xBF" + gauge(1950, 30), Made::text, 0, "",
       "1950-1979  N   30"},
      {"lines longer than 105 columns", long_lines(60), Made::text, 0, "", "1950-1979  N   30"},
      {"lines of 100000 columns", long_lines(100000), Made::text, 0, "", "1950-1979  N   30"},
  };
  return cases;
}

class BadInputs : public Batch, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadInputs, ClearMessageAndStatusNeverACrash) {
  const BadInput& c = GetParam();
  const fs::path file = root_ / "in" / "G.INC";
  switch (c.made) {
    case Made::text:
      put("G", c.text);
      break;
    case Made::missing:
      break;
    case Made::fifo:
      ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
      break;
    case Made::directory:
      fs::create_directory(file);
      break;
    case Made::endless_device:
      if (!fs::exists("/dev/zero")) GTEST_SKIP() << "no /dev/zero";
      fs::create_symlink("/dev/zero", file);
      break;
  }
  const Outcome o = analyse("G");
  EXPECT_EQ(o.status, c.status) << c.what << "\n" << o.err;
  if (*c.message) {
    EXPECT_NE(o.err.find(c.message), std::string::npos) << c.what << "\n" << o.err;
    EXPECT_EQ(o.err.rfind("rivan6: G: ", 0), 0u) << o.err;
  } else {
    EXPECT_EQ(o.err, "") << c.what;
  }
  if (*c.summary) {
    EXPECT_NE(o.out.find(c.summary), std::string::npos) << c.what << "\n" << o.out;
    // A gauge whose reading was doubtful is counted with warnings (its fit
    // may add some of its own).
    EXPECT_TRUE(std::regex_search(o.out, std::regex(c.warned ? "1 of 1 gauges analysed, 1 with "
                                                               "warnings, 0 failed\n"
                                                             : "1 of 1 gauges analysed, [01] with "
                                                               "warnings, 0 failed\n")))
        << o.out;
    EXPECT_TRUE(fs::exists(root_ / "out" / "G.ANS"));
    EXPECT_TRUE(fs::exists(root_ / "out" / "G.YER"));
    EXPECT_TRUE(fs::exists(root_ / "out" / "G.LOG"));
  } else {
    EXPECT_FALSE(fs::exists(root_ / "out" / "G.ANS")) << c.what;
    EXPECT_NE(o.out.find("0 of 1 gauges analysed, 0 with warnings, 1 failed"), std::string::npos)
        << o.out;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, BadInputs, ::testing::ValuesIn(bad_inputs()),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                           return test_name(info.param.what);
                         });

// ---- the forms of a gauge argument ---------------------------------------------

struct ArgumentCase {
  const char* what;
  std::vector<std::string> files;  // made in the folder in/ ("sub/X.INC" in in/sub/)
  std::vector<std::string> args;   // "@" stands for the test's folder
  std::vector<std::string> stems;  // the gauges analysed, in the order of their lines
  int failed;
  const char* message;  // expected in standard error ("" when none)
};

void PrintTo(const ArgumentCase& c, std::ostream* os) {
  *os << c.what;
}

class GaugeArguments : public Batch, public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(GaugeArguments, ResolveToFlowFilesAndStems) {
  const ArgumentCase& c = GetParam();
  int first = 1940;
  for (const std::string& f : c.files) {
    fs::create_directories((root_ / "in" / f).parent_path());
    rivan6_test::write_file(root_ / "in" / f, gauge(first, 20));
    first += 3;
  }
  std::vector<std::string> args{"-o", out(), "-j", "2"};
  for (std::string a : c.args) {
    for (std::size_t p = a.find('@'); p != std::string::npos; p = a.find('@'))
      a.replace(p, 1, root_.string());
    args.push_back(a);
  }
  const Outcome o = run(args);
  EXPECT_EQ(o.status, c.failed == 0 ? 0 : 1) << o.err;
  std::vector<std::string> stems;
  std::istringstream lines(o.out);
  for (std::string line; std::getline(lines, line);)
    if (line.find("  N ") != std::string::npos) stems.push_back(line.substr(0, line.find(' ')));
  EXPECT_EQ(stems, c.stems) << o.out;
  const std::size_t total = c.stems.size() + static_cast<std::size_t>(c.failed);
  EXPECT_TRUE(std::regex_search(
      o.out, std::regex(std::to_string(c.stems.size()) + " of " + std::to_string(total) +
                        " gauges analysed, [0-9]+ with warnings, " + std::to_string(c.failed) +
                        " failed")))
      << o.out;
  if (*c.message) {
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
  } else {
    EXPECT_EQ(o.err, "");
  }
  for (const std::string& stem : c.stems) EXPECT_TRUE(fs::exists(root_ / "out" / (stem + ".ANS")));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, GaugeArguments,
    ::testing::Values(
        ArgumentCase{
            "base name in the data directory", {"G.INC"}, {"-d", "@/in", "G"}, {"G"}, 0, ""},
        ArgumentCase{
            "base name finds a lowercase suffix", {"g.inc"}, {"-d", "@/in", "g"}, {"g"}, 0, ""},
        ArgumentCase{"path to a flow file", {"G.INC"}, {"@/in/G.INC"}, {"G"}, 0, ""},
        ArgumentCase{
            "path with a lowercase suffix", {"nile.inc"}, {"@/in/nile.inc"}, {"nile"}, 0, ""},
        ArgumentCase{"file name in the data directory",
                     {"G.INC"},
                     {"--data-dir=@/in", "G.INC"},
                     {"G"},
                     0,
                     ""},
        ArgumentCase{"path without suffix", {"sub/H.INC"}, {"@/in/sub/H"}, {"H"}, 0, ""},
        ArgumentCase{"directory in sorted order",
                     {"B.INC", "A.INC", "c.inc", "notes.txt", "sub/D.INC"},
                     {"@/in"},
                     {"A", "B", "c"},
                     0,
                     ""},
        ArgumentCase{"the same file by three routes",
                     {"G.INC"},
                     {"-d", "@/in", "G", "@/in/G.INC", "@/in", "G"},
                     {"G"},
                     0,
                     ""},
        ArgumentCase{"two files of one name",
                     {"G.INC", "sub/G.INC"},
                     {"@/in/G.INC", "@/in/sub/G.INC"},
                     {"G"},
                     1,
                     "output files would be overwritten"},
        ArgumentCase{"a directory without flow files",
                     {"sub/readme.txt"},
                     {"@/in/sub"},
                     {},
                     1,
                     "no flow file (NAME.INC) in this directory"},
        ArgumentCase{"a name too long for its field",
                     {"ABCDEFGHIJKLMNOPQRST.INC"},
                     {"@/in/ABCDEFGHIJKLMNOPQRST.INC"},
                     {},
                     1,
                     "at most 19 characters"},
        ArgumentCase{"a name with a blank", {"MY G.INC"}, {"@/in/MY G.INC"}, {}, 1, "no blank"},
        ArgumentCase{"names after --", {"-G.INC"}, {"-d", "@/in", "--", "-G"}, {"-G"}, 0, ""},
        ArgumentCase{"options after names", {"G.INC"}, {"G", "-d", "@/in", "-j1"}, {"G"}, 0, ""}),
    [](const ::testing::TestParamInfo<ArgumentCase>& info) { return test_name(info.param.what); });

// ---- the output directory ---------------------------------------------------------

TEST_F(Batch, OutputDirectoryIsCreatedWithItsParents) {
  put("G", gauge(1950, 20));
  const fs::path deep = root_ / "new" / "deeper" / "out";
  const Outcome o = analyse("G", deep.string());
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(fs::exists(deep / "G.ANS"));
}

TEST_F(Batch, OutputDirectoryThatCannotBeMadeIsAUsageErrorBeforeAnyGauge) {
  put("G", gauge(1950, 20));
  rivan6_test::write_file(root_ / "file", "not a folder");
  for (const fs::path& bad : {root_ / "file" / "sub", root_ / "file"}) {
    const Outcome o = analyse("G", bad.string());
    EXPECT_EQ(o.status, 2) << bad;
    EXPECT_EQ(o.err, "rivan6: cannot create the output directory " + bad.string() + ": " +
                         std::make_error_code(std::errc::not_a_directory).message() +
                         "\nTry 'rivan6 --help'.\n");
    EXPECT_EQ(o.out, "") << "no gauge is analysed";
  }
}

TEST_F(Batch, OutputDirectoryWithoutWritePermissionIsAUsageError) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  put("G", gauge(1950, 20));
  fs::create_directory(root_ / "locked");
  fs::permissions(root_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  const Outcome o = analyse("G", (root_ / "locked").string());
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("cannot write in the output directory"), std::string::npos) << o.err;
  EXPECT_EQ(o.out, "");
}

// ---- progress line and summary --------------------------------------------------------

struct ProgressCase {
  std::size_t done, failed, total;
  double elapsed;
  const char* line;
};

void PrintTo(const ProgressCase& c, std::ostream* os) {
  *os << c.line;
}

class ProgressLine : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressLine, SaysDoneFailedElapsedAndRemaining) {
  const ProgressCase& c = GetParam();
  EXPECT_EQ(progress_line(c.done, c.failed, c.total, c.elapsed), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ProgressLine,
    ::testing::Values(
        ProgressCase{0, 0, 10, 0.2, "rivan6: 0 of 10 gauges done, 0 failed, 0:00 elapsed"},
        ProgressCase{5, 1, 10, 30.0,
                     "rivan6: 5 of 10 gauges done, 1 failed, 0:30 elapsed, about 0:30 remaining"},
        ProgressCase{3, 0, 192, 62.6,
                     "rivan6: 3 of 192 gauges done, 0 failed, 1:03 elapsed, about 1:05:44 "
                     "remaining"},
        ProgressCase{10, 2, 10, 3725.0, "rivan6: 10 of 10 gauges done, 2 failed, 1:02:05 elapsed"}),
    [](const ::testing::TestParamInfo<ProgressCase>& info) {
      return std::to_string(info.param.done) + "_of_" + std::to_string(info.param.total);
    });

TEST(Progress, OnlyOnATerminalWithoutQuietForMoreThanAFewGauges) {
  EXPECT_TRUE(wants_progress(true, false, 4));
  EXPECT_TRUE(wants_progress(true, false, 192));
  EXPECT_FALSE(wants_progress(true, false, 3));
  EXPECT_FALSE(wants_progress(false, false, 192));
  EXPECT_FALSE(wants_progress(true, true, 192));
}

TEST_F(Batch, ProgressLineIsRewrittenAndClearedOnATerminalOnly) {
  for (const char* n : {"A", "B", "C", "D", "E"}) put(n, gauge(1950, 15));
  const std::vector<std::string> args{"-d", in(), "-o", out(), "A", "B", "C", "D", "E"};
  const Outcome terminal = run(args, true);
  ASSERT_EQ(terminal.status, 0) << terminal.err;
  EXPECT_EQ(terminal.err.rfind("\rrivan6: 0 of 5 gauges done, 0 failed", 0), 0u) << terminal.err;
  EXPECT_NE(terminal.err.find("\rrivan6: 5 of 5 gauges done, 0 failed"), std::string::npos);
  // The last thing on the terminal is a cleared line.
  const std::size_t last = terminal.err.rfind('\r');
  ASSERT_NE(last, std::string::npos);
  const std::size_t before = terminal.err.rfind('\r', last - 1);
  EXPECT_EQ(terminal.err.substr(before + 1, last - before - 1).find_first_not_of(' '),
            std::string::npos);
  EXPECT_EQ(last, terminal.err.size() - 1);

  const Outcome stream = run(args, false);
  EXPECT_EQ(stream.err, "");
  EXPECT_EQ(stream.out, terminal.out);
  std::vector<std::string> quiet{"-q"};
  quiet.insert(quiet.end(), args.begin(), args.end());
  EXPECT_EQ(run(quiet, true).err, "");
}

// An output stream that fails as a full disk would.
class FullDisk : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(Batch, SummaryThatCannotBeWrittenFailsTheRun) {
  put("G", gauge(1950, 20));
  const std::string d = in(), o = out();
  const char* argv[] = {"rivan6", "-d", d.c_str(), "-o", o.c_str(), "G"};
  FullDisk full;
  std::ostream out(&full);
  std::istringstream input;
  std::ostringstream err;
  EXPECT_EQ(run_cli(6, argv, input, out, err), 1);
  EXPECT_EQ(err.str(), "rivan6: cannot write the summary to standard output\n");
}

// ---- whole records ------------------------------------------------------------------

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

TEST_F(Batch, OneFailureDoesNotStopTheOthers) {
  put("A", gauge(1950, 20));
  put("C", gauge(1960, 25));
  const Outcome o =
      run({"-d", (root_ / "in").string(), "-o", (root_ / "out").string(), "A", "B", "C"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "rivan6: B: CANNOT READ " + in() + "/B.INC: No such file or directory\n");
  EXPECT_TRUE(
      std::regex_search(o.out, std::regex("2 of 3 gauges analysed, [0-2] with warnings, 1 failed")))
      << o.out;
  EXPECT_TRUE(fs::exists(root_ / "out" / "A.ANS"));
  EXPECT_TRUE(fs::exists(root_ / "out" / "C.ANS"));
  // Summary lines come in the order the gauges were named.
  EXPECT_LT(o.out.find("A "), o.out.find("C "));
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
  std::istringstream answers(in() + "\nN\nG3\n\nN\n");
  std::ostringstream screen;
  Console console(answers, screen);
  SessionOptions options;
  options.out_dir = (root_ / "dialogue").string();
  ASSERT_EQ(run_session(console, options), 0);
  for (const char* ext : {".ANS", ".COR", ".YER"})
    EXPECT_EQ(read_file(root_ / "dialogue" / (std::string("G3") + ext)),
              read_file(root_ / "j1" / (std::string("G3") + ext)))
        << ext;
}

}  // namespace
}  // namespace driver

namespace driver {
namespace {

// A daily CSV table given as a gauge is imported in memory: the gauge is
// analysed under the import's name, and its log keeps the import report. A
// table that cannot be imported fails with the import's message.
TEST_F(Batch, CsvTablesAreImportedAndAnalysed) {
  std::string daily = "date,discharge\n";
  char line[64];
  for (int y = 1961; y <= 1990; ++y)
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= 28; ++d) {
        std::snprintf(line, sizeof line, "%d-%02d-%02d,%.2f\n", y, m, d,
                      2.0 + ((y * 7 + m * 3) % 11) * 0.5);
        daily += line;
      }
  // Only 28 days a month: every month lacks days, so nothing is complete.
  rivan6_test::write_file(root_ / "in" / "short months.csv", daily);
  std::string full = "year,month,flow\n";
  for (int y = 1961; y <= 1990; ++y)
    for (int m = 1; m <= 12; ++m)
      full += std::to_string(y) + "," + std::to_string(m) + ",1" + std::to_string((y + m) % 9) +
              ".0123456789\n";
  rivan6_test::write_file(root_ / "in" / "Monthly.csv", full);
  const Outcome o = run({"-d", in(), "-o", out(), "-j", "1", "Monthly.csv", "short months.csv"});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.out.find("MONTHLY             1961-1990  N   30"), std::string::npos) << o.out;
  EXPECT_NE(o.err.find("rivan6: SHORT_MONTHS: "), std::string::npos) << o.err;
  const std::string log = read_file(root_ / "out" / "MONTHLY.LOG");
  EXPECT_NE(log.find("years written: 1961-1990"), std::string::npos) << log;
  EXPECT_TRUE(fs::exists(root_ / "out" / "MONTHLY.ANS"));
  EXPECT_FALSE(fs::exists(root_ / "out" / "SHORT_MONTHS.ANS"));
  // The record analysed in memory is the one the flow file of an import holds.
  const std::string imp = (root_ / "imp").string();
  ASSERT_EQ(run({"import", in() + "/Monthly.csv", "-o", imp}).status, 0);
  ASSERT_EQ(run({"-o", imp, imp + "/MONTHLY.INC"}).status, 0);
  EXPECT_EQ(read_file(root_ / "imp" / "MONTHLY.ANS"), read_file(root_ / "out" / "MONTHLY.ANS"));
}

}  // namespace
}  // namespace driver

namespace driver {
namespace {

// Any file of a gauge that cannot be written, the log as well, fails the
// gauge with the file's name and the reason.
TEST_F(Batch, AFileThatCannotBeWrittenFailsTheGauge) {
  put("G", gauge(1950, 30));
  fs::create_directories(root_ / "out" / "G.LOG" / "in the way");
  const Outcome o = analyse("G");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("rivan6: G: cannot write " + out() + "/G.LOG: Is a directory"),
            std::string::npos)
      << o.err;
  EXPECT_NE(o.out.find("0 of 1 gauges analysed"), std::string::npos) << o.out;
  for (const auto& e : fs::directory_iterator(root_ / "out"))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

}  // namespace
}  // namespace driver

namespace driver {
namespace {

// A record that now has zero flows leaves no correlogram file of an earlier
// analysis behind, and batch mode says so.
TEST_F(Batch, AnOlderCorrelogramFileIsRemovedAndSaidSo) {
  put("G", gauge(1950, 30));
  ASSERT_EQ(analyse("G").status, 0);
  ASSERT_TRUE(fs::exists(root_ / "out" / "G.COR"));
  put("G", gauge(1950, 30) + record(1980, 0.0));
  const Outcome o = analyse("G");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_FALSE(fs::exists(root_ / "out" / "G.COR"));
  EXPECT_NE(o.err.find("rivan6: G: removed the older " + out() + "/G.COR"), std::string::npos)
      << o.err;
}

}  // namespace
}  // namespace driver
