#include "ingest/csv.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/files.hpp"

namespace ingest {
namespace {

struct ValueCase {
  const char* name;
  const char* cell;
  bool decimal_comma;
  CellValue kind;
  double value;
  friend void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }
};

class ValueCell : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueCell, ReadsNumbersMissingMarksAndRefusesText) {
  const ValueCase& c = GetParam();
  double v = -1.0;
  EXPECT_EQ(parse_value(c.cell, c.decimal_comma, v), c.kind) << c.cell;
  if (c.kind == CellValue::Number) {
    EXPECT_EQ(v, c.value) << c.cell;
    EXPECT_FALSE(std::signbit(v) && v == 0.0) << "negative zero";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cells, ValueCell,
    ::testing::Values(ValueCase{"Plain", "12.5", false, CellValue::Number, 12.5},
                      ValueCase{"Blanks", "  7 ", false, CellValue::Number, 7.0},
                      ValueCase{"PlusSign", "+3", false, CellValue::Number, 3.0},
                      ValueCase{"Negative", "-2.5", false, CellValue::Number, -2.5},
                      ValueCase{"NegativeZero", "-0", false, CellValue::Number, 0.0},
                      ValueCase{"LeadingPoint", ".25", false, CellValue::Number, 0.25},
                      ValueCase{"TrailingPoint", "4.", false, CellValue::Number, 4.0},
                      ValueCase{"Exponent", "1.5e3", false, CellValue::Number, 1500.0},
                      ValueCase{"DecimalComma", "12,5", true, CellValue::Number, 12.5},
                      ValueCase{"CommaWithoutDecimalComma", "12,5", false, CellValue::Text, 0.0},
                      ValueCase{"TwoCommas", "1,234,5", true, CellValue::Text, 0.0},
                      ValueCase{"Empty", "", false, CellValue::Missing, 0.0},
                      ValueCase{"BlanksOnly", "   ", false, CellValue::Missing, 0.0},
                      ValueCase{"NA", "NA", false, CellValue::Missing, 0.0},
                      ValueCase{"NaNAnyCase", "nan", false, CellValue::Missing, 0.0},
                      ValueCase{"Word", "ice", false, CellValue::Text, 0.0},
                      ValueCase{"TrailingLetter", "12a", false, CellValue::Text, 0.0},
                      ValueCase{"Infinity", "inf", false, CellValue::Text, 0.0},
                      ValueCase{"Overflow", "1e400", false, CellValue::Text, 0.0},
                      ValueCase{"ExponentWithoutDigits", "1e", false, CellValue::Text, 0.0},
                      ValueCase{"PointAlone", ".", false, CellValue::Text, 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

struct DelimiterCase {
  const char* name;
  const char* first;
  const char* second;
  char expected;
  friend void PrintTo(const DelimiterCase& c, std::ostream* os) { *os << c.name; }
};

class Delimiter : public ::testing::TestWithParam<DelimiterCase> {};

TEST_P(Delimiter, IsTheOneBothLinesAgreeOn) {
  const DelimiterCase& c = GetParam();
  EXPECT_EQ(detect_delimiter(c.first, c.second), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Delimiter,
    ::testing::Values(DelimiterCase{"Comma", "date,flow", "2001-01-01,3.5", ','},
                      DelimiterCase{"Semicolon", "date;flow", "2001-01-01;3.5", ';'},
                      DelimiterCase{"Tab", "date\tflow", "2001-01-01\t3.5", '\t'},
                      DelimiterCase{"SemicolonWithDecimalComma", "date;flow", "2001-01-01;3,5",
                                    ';'},
                      DelimiterCase{"CommaWithSemicolonInHeader", "date,flow (m3/s; daily)",
                                    "2001-01-01,3.5", ','},
                      DelimiterCase{"QuotedCommaIgnored", "\"a,b\";c", "1;2", ';'},
                      DelimiterCase{"OneLine", "2001-01-01;3", "", ';'},
                      DelimiterCase{"NoneFound", "x", "y", ','}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitCells, QuotesKeepDelimitersAndDoubledQuotes) {
  std::vector<std::string> cells;
  split_cells(R"( "a,b" , "say ""hi""",plain ,, last)", ',', cells);
  EXPECT_EQ(cells, (std::vector<std::string>{"a,b", "say \"hi\"", "plain", "", "last"}));
  split_cells("x\t\t y ", '\t', cells);
  EXPECT_EQ(cells, (std::vector<std::string>{"x", "", "y"}));
  split_cells("", ',', cells);
  EXPECT_EQ(cells, (std::vector<std::string>{""}));
}

struct DateCase {
  const char* text;
  bool shape;
  bool exists;
  friend void PrintTo(const DateCase& c, std::ostream* os) { *os << c.text; }
};

class IsoDate : public ::testing::TestWithParam<DateCase> {};

TEST_P(IsoDate, ShapeAndExistence) {
  Date d;
  const DateCase& c = GetParam();
  ASSERT_EQ(parse_iso_date(c.text, d), c.shape) << c.text;
  if (c.shape) {
    EXPECT_EQ(valid_date(d), c.exists) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dates, IsoDate,
    ::testing::Values(DateCase{"2001-01-31", true, true}, DateCase{"2001-02-29", true, false},
                      DateCase{"2000-02-29", true, true}, DateCase{"1900-02-29", true, false},
                      DateCase{"2004-02-29", true, true}, DateCase{"2001-04-31", true, false},
                      DateCase{"2001-13-01", true, false}, DateCase{"2001-00-10", true, false},
                      DateCase{"2001-1-01", false, false}, DateCase{"01/02/2001", false, false},
                      DateCase{"2001-01-01T00", false, false}),
    rivan6_test::ReadableName());

TEST(DayNumber, CountsEveryDayOnceAcrossCenturies) {
  // From 1600 to 2400 every day follows the one before, and date_of undoes
  // day_number.
  int expected = day_number({1600, 1, 1});
  for (int y = 1600; y <= 2400; ++y)
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= days_in_month(y, m); ++d) {
        const Date date{y, m, d};
        ASSERT_EQ(day_number(date), expected) << date_text(date);
        const Date back = date_of(expected);
        ASSERT_EQ(date_text(back), date_text(date));
        ++expected;
      }
  EXPECT_EQ(day_number({1970, 1, 1}), 0);
}

TEST(Month, OneOrTwoDigitsFromOneToTwelve) {
  int m = 0;
  EXPECT_TRUE(parse_month("1", m));
  EXPECT_TRUE(parse_month("12", m));
  EXPECT_EQ(m, 12);
  EXPECT_FALSE(parse_month("13", m));
  EXPECT_FALSE(parse_month("0", m));
  EXPECT_FALSE(parse_month("012", m));
}

}  // namespace
}  // namespace ingest
