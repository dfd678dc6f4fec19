#include "flowfile/reader.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "files/error.hpp"
#include "files/input.hpp"
#include "flowfile/fields.hpp"
#include "support/files.hpp"

namespace flowfile {
namespace {

namespace fs = std::filesystem;

std::string record(int year, double month_value) {
  return rivan6_test::flow_record(year, month_value, "ANNU");
}

std::string years(int first, int last, double v = 1.0, const char* eol = "\n") {
  return rivan6_test::flat_years(first, last, v, eol);
}

using rivan6_test::test_name;
using files::OpenFailure;

// The reader's outcome as these tests look at it: what was noticed, or the
// refusal's message, the kind of failure to open, and the annual flows.
struct Outcome {
  bool ok = false;
  std::string message;
  std::vector<std::string> notes;
  std::vector<int> blank_years;
  int unreadable_record = 0;
  OpenFailure open_failure = OpenFailure::none;
};
struct Flows {
  int N = 0, first_year = 0;
  std::vector<double> flows;
};

template <typename Read>
Outcome outcome(Read read, Flows& r) {
  Outcome o;
  r = Flows{};
  try {
    const FlowRead got = read();
    r = {got.record.years(), got.record.first_year, got.record.annual()};
    o = {true, "", got.notes.notes, got.notes.blank_years, got.notes.unreadable_record};
  } catch (const files::Error& e) {
    o.message = e.what();
    o.notes = e.notes();
    if (e.code() == std::errc::no_such_file_or_directory) o.open_failure = OpenFailure::missing;
    else if (o.message.find("not a regular file") != std::string::npos)
      o.open_failure = OpenFailure::not_regular;
  }
  return o;
}
Outcome read_flows(std::istream& in, const char* name, Flows& r) {
  return outcome([&] { return flowfile::read_flows(in, name); }, r);
}
Outcome read_flow_file(const std::string& path, Flows& r) {
  return outcome([&] { return flowfile::read_flow_file(path); }, r);
}

struct FieldCase {
  const char* name;
  const char* field;
  bool ok;
  double value;
};

void PrintTo(const FieldCase& c, std::ostream* os) {
  *os << '"' << c.field << '"';
}

class RealField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(RealField, ReadsLikeAFormattedRead) {
  double v = -99.0;
  EXPECT_EQ(read_real_field(GetParam().field, v), GetParam().ok) << GetParam().field;
  if (GetParam().ok) {
    EXPECT_DOUBLE_EQ(v, GetParam().value) << GetParam().field;
  }
}

INSTANTIATE_TEST_SUITE_P(Fields, RealField,
                         ::testing::Values(FieldCase{"blank", "       ", true, 0.0},
                                           FieldCase{"decimals", " 93.333", true, 93.333},
                                           FieldCase{"whole_right", "   1234", true, 1234.0},
                                           FieldCase{"whole_left", "1234   ", true, 1234.0},
                                           FieldCase{"inner_blank", "  1 2  ", true, 12.0},
                                           FieldCase{"negative", "    -12", true, -12.0},
                                           FieldCase{"leading_point", "  .5   ", true, 0.5},
                                           FieldCase{"exponent_E", " 1.5E2 ", true, 150.0},
                                           FieldCase{"exponent_D", " 1.5D-1", true, 0.15},
                                           FieldCase{"exponent_sign_only", "  1.5+2", true, 150.0},
                                           FieldCase{"trailing_point", "    12.", true, 12.0},
                                           FieldCase{"letters", "   abc ", false, 0.0},
                                           FieldCase{"digits_then_letter", "  12a  ", false, 0.0},
                                           FieldCase{"point_alone", "    .  ", false, 0.0},
                                           FieldCase{"two_points", "   1.2.3", false, 0.0},
                                           FieldCase{"sign_alone", "  -    ", false, 0.0},
                                           FieldCase{"overflow", " 1E9999", false, 0.0},
                                           FieldCase{"large_but_finite", " 9E+307", true, 9e307}),
                         [](const ::testing::TestParamInfo<FieldCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(IntField, BlanksAreIgnoredAndLettersRefused) {
  int v = -1;
  EXPECT_TRUE(read_int_field("1920", v));
  EXPECT_EQ(v, 1920);
  EXPECT_TRUE(read_int_field("    ", v));
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(read_int_field(" 19 ", v));
  EXPECT_EQ(v, 19);
  EXPECT_FALSE(read_int_field("19X0", v));
  EXPECT_FALSE(read_int_field("+", v));
}

TEST(ReadFlows, ConsecutiveYearsGiveNAndFirstYear) {
  std::istringstream in(years(1920, 1959, 2.5));
  Flows r;
  const Outcome res = read_flows(in, "T.INC", r);
  ASSERT_TRUE(res.ok) << res.message;
  EXPECT_EQ(r.N, 40);
  EXPECT_EQ(r.first_year, 1920);
  EXPECT_DOUBLE_EQ(r.flows[0], 30.0);
  EXPECT_TRUE(res.notes.empty());
}

TEST(ReadFlows, AnnualFlowIsTheSumOfTheMonthsInOrder) {
  // 0.1 added twelve times in order is not 1.2 exactly; the sum must be the
  // one formed month by month.
  std::istringstream in(record(1950, 0.1) + "\n");
  Flows r;
  ASSERT_TRUE(read_flows(in, "T.INC", r).ok);
  double expected = 0.0;
  for (int m = 0; m < 12; ++m) expected += 0.1;
  EXPECT_EQ(r.flows[0], expected);
}

TEST(ReadFlows, BlankMonthsShortLinesLongLinesAndWindowsLineEnds) {
  std::string text = "    1950\n";                                  // short line, all months blank
  text += record(1951, 1.0) + "X" + std::string(40, '9') + "\r\n";  // flag and junk past 105
  text += record(1952, 1.0).substr(0, 24) + "\r\n";                 // short line: months 3.. blank
  std::istringstream in(text);
  Flows r;
  const Outcome res = read_flows(in, "T.INC", r);
  ASSERT_TRUE(res.ok) << res.message;
  EXPECT_EQ(r.N, 3);
  EXPECT_EQ(r.flows[0], 0.0);
  EXPECT_EQ(r.flows[1], 12.0);
  EXPECT_EQ(r.flows[2], 2.0);
  // Only 1950 had no flow field at all (1952 has two).
  EXPECT_EQ(res.blank_years, std::vector<int>{1950});
}

TEST(ReadFlows, TrailingEmptyLinesAreNotRecords) {
  std::istringstream in(years(1980, 1984) + "\n   \n\r\n");
  Flows r;
  const Outcome res = read_flows(in, "T.INC", r);
  ASSERT_TRUE(res.ok) << res.message;
  EXPECT_EQ(r.N, 5);
}

TEST(ReadFlows, UnreadableRecordEndsTheDataAndSaysSo) {
  std::string bad = record(1983, 1.0);
  bad.replace(20, 3, "abc");
  std::istringstream in(years(1980, 1982) + bad + "\n" + years(1984, 1990));
  Flows r;
  const Outcome res = read_flows(in, "T.INC", r);
  ASSERT_TRUE(res.ok);
  EXPECT_EQ(r.N, 3);
  ASSERT_EQ(res.notes.size(), 1u);
  EXPECT_NE(res.notes[0].find("RECORD 4 OF T.INC"), std::string::npos) << res.notes[0];
  EXPECT_EQ(res.unreadable_record, 4);
}

struct RefusedCase {
  const char* what;
  std::string text;
  const char* expected;  // part of the message
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
  *os << c.what;
}

class RefusedFile : public ::testing::TestWithParam<RefusedCase> {};

// Twelve months of 9E+307: each a finite number, their sum is not.
std::string huge_year(int year) {
  std::string r = record(year, 1.0);
  for (int m = 0; m < 12; ++m) r.replace(9 + 8 * m, 7, " 9E+307");
  return r + "\n";
}

TEST_P(RefusedFile, NamesTheFileAndTheRecord) {
  std::istringstream in(GetParam().text);
  Flows r;
  const Outcome res = read_flows(in, "GAUGE.INC", r);
  EXPECT_FALSE(res.ok) << GetParam().what;
  EXPECT_NE(res.message.find(GetParam().expected), std::string::npos) << res.message;
  EXPECT_NE(res.message.find("GAUGE.INC"), std::string::npos) << res.message;
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, RefusedFile,
    ::testing::Values(
        RefusedCase{"empty", "", "HOLDS NO RECORD"},
        RefusedCase{"only blank lines", "\n\n   \n", "HOLDS NO RECORD"},
        RefusedCase{"garbage first", "\x01\x02garbage in the year field\n", "HOLDS NO RECORD"},
        RefusedCase{"gap", years(1950, 1952) + years(1954, 1955), "RECORD 4 HAS THE YEAR 1954"},
        RefusedCase{"repeat", years(1950, 1952) + years(1952, 1953), "RECORD 4 HAS THE YEAR 1952"},
        RefusedCase{"going back", years(1950, 1952) + years(1940, 1941),
                    "RECORD 4 HAS THE YEAR 1940 AFTER 1952"},
        RefusedCase{"blank line inside", years(1950, 1952) + "\n" + years(1953, 1954),
                    "NOT CONSECUTIVE: RECORD 4 IS A BLANK LINE"},
        RefusedCase{"blank line first", "   \n" + years(1950, 1954),
                    "NOT CONSECUTIVE: RECORD 1 IS A BLANK LINE"},
        RefusedCase{"blank line inside with CR line ends",
                    years(1950, 1952, 1.0, "\r") + "\r" + years(1953, 1954, 1.0, "\r"),
                    "RECORD 4 IS A BLANK LINE"},
        RefusedCase{"annual sum not finite",
                    years(1950, 1950) + huge_year(1951) + years(1952, 1953),
                    "THE ANNUAL FLOW OF RECORD 2 OF GAUGE.INC IS NOT A FINITE NUMBER"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return test_name(info.param.what); });

TEST(ReadFlows, MoreThanAThousandRecordsReadsTheFirstThousandAndSaysSo) {
  std::istringstream in(years(1001, 2005));
  Flows r;
  const Outcome res = read_flows(in, "LONG.INC", r);
  ASSERT_TRUE(res.ok);
  EXPECT_EQ(r.N, 1000);
  EXPECT_EQ(r.first_year, 1001);
  ASSERT_EQ(res.notes.size(), 1u);
  EXPECT_NE(res.notes[0].find("MORE THAN 1000"), std::string::npos);

  std::istringstream exact(years(1001, 2000) + "\n\n");
  const Outcome res2 = read_flows(exact, "LONG.INC", r);
  EXPECT_TRUE(res2.ok);
  EXPECT_TRUE(res2.notes.empty());
}

// ---- line ends, byte-order mark, long lines, read errors -------------------

struct TextForm {
  const char* name;
  std::string text;
};

void PrintTo(const TextForm& c, std::ostream* os) {
  *os << c.name;
}

class TextForms : public ::testing::TestWithParam<TextForm> {};

// Every form of the same five records reads as the same record.
TEST_P(TextForms, ReadTheSameFlows) {
  std::istringstream plain(years(1970, 1974, 2.0));
  Flows expected;
  ASSERT_TRUE(read_flows(plain, "T.INC", expected).ok);
  std::istringstream in(GetParam().text);
  Flows r;
  const Outcome res = read_flows(in, "T.INC", r);
  ASSERT_TRUE(res.ok) << res.message;
  EXPECT_TRUE(res.notes.empty()) << res.notes[0];
  EXPECT_EQ(r.N, 5);
  EXPECT_EQ(r.first_year, 1970);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(r.flows[i], expected.flows[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, TextForms,
    ::testing::Values(
        TextForm{"LF", years(1970, 1974, 2.0)}, TextForm{"CR_LF", years(1970, 1974, 2.0, "\r\n")},
        TextForm{"lone_CR", years(1970, 1974, 2.0, "\r")},
        TextForm{"no_line_end_at_the_end",
                 years(1970, 1974, 2.0).substr(0, years(1970, 1974, 2.0).size() - 1)},
        TextForm{"byte_order_mark", "\xEF\xBB\xBF" + years(1970, 1974, 2.0)},
        TextForm{"byte_order_mark_and_CR", "\xEF\xBB\xBF" + years(1970, 1974, 2.0, "\r")},
        TextForm{"megabyte_line",
                 record(1970, 2.0) + std::string(1 << 20, 'x') + "\n" + years(1971, 1974, 2.0)},
        TextForm{"trailing_blank_lines_CR", years(1970, 1974, 2.0, "\r") + "\r\r  \r"}),
    [](const ::testing::TestParamInfo<TextForm>& info) { return std::string(info.param.name); });

// Serves a text, then fails as a disk that cannot be read would.
class FailingBuffer : public std::streambuf {
 public:
  explicit FailingBuffer(std::string text) : text_(std::move(text)) {
    setg(text_.data(), text_.data(), text_.data() + text_.size());
  }

 protected:
  int_type underflow() override { throw std::system_error(EIO, std::generic_category()); }

 private:
  std::string text_;
};

TEST(ReadFlows, ReadErrorPartWayRefusesTheFileWithTheReason) {
  FailingBuffer buffer(years(1950, 1959));
  std::istream in(&buffer);
  Flows r;
  const Outcome res = read_flows(in, "DISK.INC", r);
  EXPECT_FALSE(res.ok);
  EXPECT_EQ(res.message, "READING DISK.INC FAILED AFTER RECORD 10: " +
                             std::error_code(EIO, std::generic_category()).message());
  EXPECT_EQ(r.N, 0);
}

// ---- files that are not regular files ---------------------------------------

struct FileKind {
  const char* name;
  // Makes the file at the given path; false when this system cannot.
  bool (*make)(const fs::path&);
  OpenFailure failure;
  const char* reason;  // part of the message
};

void PrintTo(const FileKind& c, std::ostream* os) {
  *os << c.name;
}

class FileKinds : public ::testing::TestWithParam<FileKind> {
 protected:
  rivan6_test::TempDir tmp_;
};

TEST_P(FileKinds, OnlyARegularFileIsRead) {
  const fs::path p = tmp_ / "G.INC";
  if (!GetParam().make(p)) GTEST_SKIP() << "cannot make " << GetParam().name;
  Flows r;
  const Outcome res = read_flow_file(p.string(), r);
  EXPECT_EQ(res.open_failure, GetParam().failure);
  EXPECT_EQ(res.ok, GetParam().failure == OpenFailure::none) << res.message;
  if (GetParam().failure != OpenFailure::none) {
    EXPECT_NE(res.message.find(p.string()), std::string::npos) << res.message;
    EXPECT_NE(res.message.find(GetParam().reason), std::string::npos) << res.message;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FileKinds,
    ::testing::Values(FileKind{"regular_file",
                               [](const fs::path& p) {
                                 rivan6_test::write_file(p, years(1950, 1960));
                                 return true;
                               },
                               OpenFailure::none, ""},
                      FileKind{"missing", [](const fs::path&) { return true; },
                               OpenFailure::missing, "No such file"},
                      FileKind{"fifo",
                               [](const fs::path& p) { return ::mkfifo(p.c_str(), 0600) == 0; },
                               OpenFailure::not_regular, "a FIFO, not a regular file"},
                      FileKind{"directory",
                               [](const fs::path& p) { return fs::create_directory(p); },
                               OpenFailure::not_regular, "a directory, not a regular file"},
                      FileKind{"endless_device",
                               [](const fs::path& p) {
                                 std::error_code ec;
                                 fs::create_symlink("/dev/zero", p, ec);
                                 return !ec && fs::exists("/dev/zero");
                               },
                               OpenFailure::not_regular, "a character device, not a regular file"}),
    [](const ::testing::TestParamInfo<FileKind>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace flowfile
