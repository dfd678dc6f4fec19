#include "driver/reader.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace driver {
namespace {

// One record of a flow file: the year in columns 5-8 and twelve 7-column
// monthly flows from column 10, each followed by a flag.
std::string record(int year, double month_value, const char* prefix = "ANNU") {
  char buf[200];
  int len = std::snprintf(buf, sizeof buf, "%s%4d", prefix, year);
  for (int m = 0; m < 12; ++m)
    len += std::snprintf(buf + len, sizeof buf - len, " %7.3f", month_value);
  return std::string(buf, len);
}

std::string years(int first, int last, double v = 1.0) {
  std::string s;
  for (int y = first; y <= last; ++y) s += record(y, v) + "\n";
  return s;
}

struct FieldCase {
  const char* field;
  bool ok;
  double value;
};

class RealField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(RealField, ReadsLikeAFormattedRead) {
  double v = -99.0;
  EXPECT_EQ(read_real_field(GetParam().field, v), GetParam().ok) << GetParam().field;
  if (GetParam().ok) {
    EXPECT_DOUBLE_EQ(v, GetParam().value) << GetParam().field;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RealField,
    ::testing::Values(FieldCase{"       ", true, 0.0}, FieldCase{" 93.333", true, 93.333},
                      FieldCase{"   1234", true, 1234.0}, FieldCase{"1234   ", true, 1234.0},
                      FieldCase{"  1 2  ", true, 12.0}, FieldCase{"    -12", true, -12.0},
                      FieldCase{"  .5   ", true, 0.5}, FieldCase{" 1.5E2 ", true, 150.0},
                      FieldCase{" 1.5D-1", true, 0.15}, FieldCase{"  1.5+2", true, 150.0},
                      FieldCase{"    12.", true, 12.0}, FieldCase{"   abc ", false, 0.0},
                      FieldCase{"  12a  ", false, 0.0}, FieldCase{"    .  ", false, 0.0},
                      FieldCase{"   1.2.3", false, 0.0}, FieldCase{"  -    ", false, 0.0},
                      FieldCase{" 1E9999", false, 0.0}));

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
  FlowRecord r;
  const ReadResult res = read_flows(in, "T.INC", r);
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
  FlowRecord r;
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
  FlowRecord r;
  const ReadResult res = read_flows(in, "T.INC", r);
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
  FlowRecord r;
  const ReadResult res = read_flows(in, "T.INC", r);
  ASSERT_TRUE(res.ok) << res.message;
  EXPECT_EQ(r.N, 5);
}

TEST(ReadFlows, UnreadableRecordEndsTheDataAndSaysSo) {
  std::string bad = record(1983, 1.0);
  bad.replace(20, 3, "abc");
  std::istringstream in(years(1980, 1982) + bad + "\n" + years(1984, 1990));
  FlowRecord r;
  const ReadResult res = read_flows(in, "T.INC", r);
  ASSERT_TRUE(res.ok);
  EXPECT_EQ(r.N, 3);
  ASSERT_EQ(res.notes.size(), 1u);
  EXPECT_NE(res.notes[0].find("RECORD 4 OF T.INC"), std::string::npos) << res.notes[0];
  EXPECT_EQ(res.ended_at_line, 4);
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

TEST_P(RefusedFile, NamesTheFileAndTheRecord) {
  std::istringstream in(GetParam().text);
  FlowRecord r;
  const ReadResult res = read_flows(in, "GAUGE.INC", r);
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
                    "RECORD 4 HAS THE YEAR 0"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) {
      std::string name = info.param.what;
      for (char& c : name)
        if (c == ' ') c = '_';
      return name;
    });

TEST(ReadFlows, MoreThanAThousandRecordsReadsTheFirstThousandAndSaysSo) {
  std::istringstream in(years(1001, 2005));
  FlowRecord r;
  const ReadResult res = read_flows(in, "LONG.INC", r);
  ASSERT_TRUE(res.ok);
  EXPECT_EQ(r.N, 1000);
  EXPECT_EQ(r.first_year, 1001);
  ASSERT_EQ(res.notes.size(), 1u);
  EXPECT_NE(res.notes[0].find("MORE THAN 1000"), std::string::npos);

  std::istringstream exact(years(1001, 2000) + "\n\n");
  const ReadResult res2 = read_flows(exact, "LONG.INC", r);
  EXPECT_TRUE(res2.ok);
  EXPECT_TRUE(res2.notes.empty());
}

TEST(Names, StemAndFixedFields) {
  EXPECT_EQ(stem_of("NOOIT               "), "NOOIT");
  EXPECT_EQ(stem_of("NO OIT"), "NO");
  EXPECT_EQ(fixed_field("ABC", 5), "ABC  ");
  EXPECT_EQ(fixed_field("ABCDEFG", 5), "ABCDE");
}

}  // namespace
}  // namespace driver
