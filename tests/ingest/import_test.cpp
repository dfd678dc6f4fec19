#include "ingest/import.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ingest_test_util.hpp"
#include "support/files.hpp"

namespace ingest {
namespace {

using testing::daily_csv;
using testing::import_text;
using testing::months_of;
using testing::read_back;
using testing::totals_of;
using testing::wide_csv;
using testing::Year;

// Replaces every occurrence of from in s.
std::string replace_all(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
    s.replace(p, from.size(), to);
  return s;
}

// The same two years (2001-2002) of monthly totals written in every layout.
struct LayoutCase {
  const char* name;
  std::string text;
  Layout detected;
  std::string note = "";  // part of the one note expected (none when empty)
  friend void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }
};

std::string monthly_rows(const char* header, bool split, char delim, bool dates) {
  std::string s = header;
  char buf[64];
  for (int y = 2001; y <= 2002; ++y)
    for (int m = 1; m <= 12; ++m) {
      if (split)
        std::snprintf(buf, sizeof buf, "%d%c%d%c%.17g\n", y, delim, m, delim, totals_of(y)[m - 1]);
      else
        std::snprintf(buf, sizeof buf, "%04d-%02d%s%c%.17g\n", y, m, dates ? "-01" : "", delim,
                      totals_of(y)[m - 1]);
      s += buf;
    }
  return s;
}

std::vector<LayoutCase> layout_cases() {
  const std::string daily = daily_csv(2001, 2002);
  return {
      {"DailyComma", daily, Layout::Daily},
      {"DailyNoHeader", daily_csv(2001, 2002, {}, ""), Layout::Daily},
      {"DailySemicolonDecimalComma", replace_all(replace_all(daily, ",", ";"), ".", ","),
       Layout::Daily},
      {"DailyTabCrlfBom", "\xEF\xBB\xBF" + replace_all(replace_all(daily, ",", "\t"), "\n", "\r\n"),
       Layout::Daily},
      {"DailyQuotedWithComments",
       "# exported by hand\n" + replace_all(replace_all(daily, "date,flow", "\"Date\",\"Q\""),
                                            "\n2002-01-01", "\n\n# new year\n2002-01-01"),
       Layout::Daily},
      {"YearMonth", monthly_rows("month,flow\n", false, ',', false), Layout::Monthly},
      {"YearMonthNoHeader", monthly_rows("", false, ';', false), Layout::Monthly},
      {"FirstOfMonthDates", monthly_rows("date,flow\n", false, ',', true), Layout::Monthly,
       "the dates fall on the first day of their months: the table is read as monthly values"},
      {"YearAndMonthColumns", monthly_rows("year,month,flow\n", true, ',', false),
       Layout::YearMonth},
      {"YearAndMonthNoHeader", monthly_rows("", true, '\t', false), Layout::YearMonth},
      {"Wide", wide_csv(2001, 2002), Layout::Wide},
      {"WideNoHeaderWithTotal",
       replace_all(wide_csv(2001, 2002).substr(wide_csv(2001, 2002).find('\n') + 1), "\n",
                   ",9999\n"),
       Layout::Wide, "column 14 holds no monthly values and is ignored"},
  };
}

class Layouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layouts, EveryLayoutGivesTheSameMonthlyTotals) {
  const Result r = import_text(GetParam().text);
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.report.files.size(), 1u);
  EXPECT_EQ(r.report.files[0].layout, GetParam().detected);
  if (GetParam().note.empty()) {
    EXPECT_TRUE(r.report.notes.empty());
  } else {
    ASSERT_EQ(r.report.notes.size(), 1u);
    EXPECT_NE(r.report.notes[0].find(GetParam().note), std::string::npos) << r.report.notes[0];
  }
  const std::vector<Year> months = months_of(r.flow_text());
  ASSERT_EQ(months.size(), 2u);
  for (int y = 0; y < 2; ++y)
    for (int m = 0; m < 12; ++m)
      EXPECT_EQ(months[y][m], totals_of(2001 + y)[m]) << "year " << 2001 + y << " month " << m + 1;
  EXPECT_EQ(r.report.first_year, 2001);
  EXPECT_EQ(r.report.last_year, 2002);
}

INSTANTIATE_TEST_SUITE_P(All, Layouts, ::testing::ValuesIn(layout_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Records, HaveTheColumnsOfTheFlowFile) {
  Options o;
  o.name = "Rhine_at_Basel";
  const Result r = import_text(daily_csv(2001, 2001), o);
  ASSERT_TRUE(r.ok) << r.message;
  const Year t = totals_of(2001);
  char expected[200];
  int n = std::snprintf(expected, sizeof expected, "Rhin2001 ");
  for (double v : t) n += std::snprintf(expected + n, sizeof expected - n, "%7.3f ", v);
  EXPECT_EQ(r.flow_text(), std::string(expected) + "\n");
  EXPECT_EQ(r.flow_text().size(), 106u);  // 105 columns and the line end

  o.name = "AB";
  EXPECT_EQ(import_text(daily_csv(2001, 2001), o).flow_text().substr(0, 9), "AB  2001 ");
}

TEST(Daily, TotalsComeBackAndTheReaderSumsThemToTheYear) {
  const Result r = import_text(daily_csv(1951, 1960));
  ASSERT_TRUE(r.ok) << r.message;
  const testing::Read back = read_back(r.flow_text());
  ASSERT_TRUE(back.ok) << back.message;
  EXPECT_EQ(back.first_year, 1951);
  EXPECT_EQ(back.N, 10);
  for (int i = 0; i < 10; ++i) {
    double sum = 0.0;
    for (double v : totals_of(1951 + i)) sum += v;
    EXPECT_EQ(back.flows[i], sum) << 1951 + i;
  }
  EXPECT_EQ(r.report.rows_read, 3653);
  EXPECT_TRUE(r.report.missing.empty());
  // The days of a month add up to its total up to the last bits of a double.
  EXPECT_LT(r.report.max_rounding, 1e-12);
}

TEST(Daily, MeanAndScaleApplyToTheMonth) {
  Options o;
  o.monthly = Aggregation::Mean;
  o.scale = 0.5;
  const Result r = import_text(daily_csv(2003, 2003), o);
  ASSERT_TRUE(r.ok) << r.message;
  const Year got = months_of(r.flow_text())[0];
  for (int m = 0; m < 12; ++m)
    EXPECT_NEAR(got[m], totals_of(2003)[m] / days_in_month(2003, m + 1) * 0.5, 5e-6) << m + 1;
  EXPECT_EQ(r.report.to_json()["monthly"], "mean");
  EXPECT_EQ(r.report.to_json()["scale"], 0.5);
}

TEST(Completeness, OneMissingDayDropsExactlyItsYear) {
  // 1961-1970 with 1965-06-14 left out: the runs 1961-1964 and 1966-1970;
  // the longer, later one is written.
  const Result r = import_text(daily_csv(1961, 1970, {"1965-06-14"}));
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.report.first_year, 1966);
  EXPECT_EQ(r.report.last_year, 1970);
  ASSERT_EQ(r.report.missing.size(), 1u);
  EXPECT_EQ(r.report.missing[0].year, 1965);
  EXPECT_EQ(r.report.missing[0].missing, 1);
  EXPECT_EQ(r.report.missing[0].of, 365);
  ASSERT_EQ(r.report.complete.size(), 2u);
  EXPECT_EQ(r.report.complete[0], std::make_pair(1961, 1964));
}

TEST(Completeness, MarkedMissingValueCountsLikeAnAbsentDay) {
  std::string text = daily_csv(1961, 1963);
  const std::size_t p = text.find("1962-02-03,");
  text.replace(p, text.find('\n', p) - p, "1962-02-03,NA");
  const Result r = import_text(text);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.report.first_year, 1963);  // 1961 and 1963 tie: the later run
  EXPECT_EQ(r.report.values_missing, 1);
  EXPECT_EQ(r.report.missing.at(0).year, 1962);
}

TEST(Completeness, LongestRunWinsAndTiesGoToTheLaterRun) {
  // Runs 1901-1903 (3), 1905-1909 (5), 1911-1915 (5): the later of the two
  // longest.
  const Result r = import_text(daily_csv(1901, 1915, {"1904-03-01", "1910-12-31"}));
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.report.first_year, 1911);
  EXPECT_EQ(r.report.last_year, 1915);
  EXPECT_EQ(r.report.complete.size(), 3u);
}

TEST(Completeness, PartialFirstAndLastYearsAreLeftOut) {
  std::string text = daily_csv(1990, 1993);
  // Start on 1990-07-01 and end on 1993-06-30.
  const std::size_t a = text.find("1990-07-01");
  const std::size_t b = text.find("1993-07-01");
  text = "date,flow\n" + text.substr(a, b - a);
  const Result r = import_text(text);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.report.first_year, 1991);
  EXPECT_EQ(r.report.last_year, 1992);
  EXPECT_EQ(r.report.missing.at(0).missing, 181);
  EXPECT_EQ(r.report.missing.at(1).missing, 184);
}

TEST(Years, SpanAskedForIsWrittenWhenComplete) {
  Options o;
  o.first_year = 1962;
  o.last_year = 1963;
  const Result r = import_text(daily_csv(1961, 1970, {"1965-06-14"}), o);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.report.first_year, 1962);
  EXPECT_EQ(r.report.last_year, 1963);
  EXPECT_TRUE(r.report.years_asked);
}

TEST(Years, SpanWithIncompleteYearsFailsNamingThem) {
  Options o;
  o.first_year = 1959;
  o.last_year = 1966;
  const Result r = import_text(daily_csv(1961, 1970, {"1965-06-14"}), o);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("incomplete: 1959-1960, 1965"), std::string::npos) << r.message;
  EXPECT_TRUE(r.flow_text().empty());
}

TEST(Missing, SentinelMarksMissingValues) {
  std::string text = daily_csv(1961, 1962);
  const std::size_t p = text.find("1961-05-05,");
  text.replace(p, text.find('\n', p) - p, "1961-05-05,-999");
  Options o;
  o.missing = -999.0;
  const Result r = import_text(text, o);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.report.first_year, 1962);
  EXPECT_EQ(r.report.values_missing, 1);
}

TEST(SkipBadRows, RejectedRowsAreListedAndTheirYearsDropped) {
  std::string text = daily_csv(1961, 1963);
  const std::size_t p = text.find("1961-05-05,");
  text.replace(p, text.find('\n', p) - p, "1961-05-05,ice");
  const std::size_t q = text.find("1963-01-02,");
  text.replace(q, text.find('\n', q) - q, "1963-02-30,4");
  Options o;
  o.skip_bad_rows = true;
  const Result r = import_text(text, o);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.report.first_year, 1962);
  EXPECT_EQ(r.report.last_year, 1962);
  ASSERT_EQ(r.report.rejected.size(), 2u);
  EXPECT_EQ(r.report.rejected[0].line, 1 + 31 + 28 + 31 + 30 + 5);
  EXPECT_EQ(r.report.rejected[0].reason, "'ice' is not a number");
  EXPECT_EQ(r.report.rejected[1].reason, "1963-02-30 is not a date that exists");
  const nlohmann::json j = r.report.to_json();
  EXPECT_EQ(j["rows_rejected"][0]["line"], r.report.rejected[0].line);
  EXPECT_NE(r.report.to_text().find("rejected: test.csv line 126: 'ice' is not a number"),
            std::string::npos)
      << r.report.to_text();
}

// A file the import refuses, and what its message must say.
struct BadCase {
  const char* name;
  std::string text;
  std::string column;
  std::string expected;  // part of the message, with the line
  friend void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }
};

std::vector<BadCase> bad_cases() {
  const std::string head = "date,flow\n2001-01-01,1\n2001-01-02,2\n";
  return {
      {"TextInValue", head + "2001-01-03,abc\n", "", "test.csv line 4: 'abc' is not a number"},
      {"DateThatDoesNotExist", head + "2001-02-30,1\n", "",
       "test.csv line 4: 2001-02-30 is not a date that exists"},
      {"NotADate", head + "3 Jan 2001,1\n", "", "test.csv line 4: '3 Jan 2001' is not a date"},
      {"DatesOutOfOrder", head + "2001-01-01,1\n", "",
       "test.csv line 4: date 2001-01-01 comes after 2001-01-02 (line 3)"},
      {"DuplicateDate", head + "2001-01-02,5\n", "",
       "test.csv line 4: duplicate date 2001-01-02 (also on line 3)"},
      {"ValueColumnMissingInRow", head + "2001-01-03\n", "",
       "test.csv line 4: no value in column 2 (the row has 1 fields)"},
      {"NamedColumnMissing", head, "discharge",
       "test.csv line 1: no column named 'discharge' (the columns are 'date', 'flow')"},
      {"NumberedColumnMissing", head, "5", "test.csv line 1: no column 5"},
      {"ColumnIsTheDate", head, "1", "--column 1 is not a value column"},
      {"SeveralValueColumns", "date,q,h\n2001-01-01,1,2\n", "",
       "test.csv line 1: 2 value columns ('q', 'h'): choose one with --column"},
      {"NoValueColumn", "date\n2001-01-01\n", "", "test.csv line 1: no value column"},
      {"EmptyFile", "", "", "test.csv: the file is empty"},
      {"OnlyBlankAndComments", "\n# nothing\n  \n", "", "test.csv: the file is empty"},
      {"OnlyAHeader", "date,flow\n", "", "test.csv line 1: a header and no data"},
      {"NegativeValue", head + "2001-01-03,-3\n", "",
       "test.csv line 4: negative value -3 (if it marks a missing value, declare it with --missing "
       "-3)"},
      {"UnknownLayout", "gauge,flow\nX12,3\n", "",
       "test.csv line 2: 'X12' is neither a date (YYYY-MM-DD), a month (YYYY-MM) nor a year"},
      {"ShortWideRow", "year,a,b,c,d,e,f,g,h,i,j,k,l\n1990,1,2,3,4,5,6,7,8,9,10,11,12\n1991,1,2\n",
       "", "test.csv line 3: 3 fields: a wide table holds a year and 12 monthly values"},
      {"MonthOutOfRange", "month,flow\n2001-01,1\n2001-13,1\n", "",
       "test.csv line 3: 2001-13 is not a month that exists"},
      {"TooLargeForSevenColumns", "month,flow\n2001-01,12345678\n", "",
       "test.csv line 2: the value of 2001-01, 1.23457e+07, does not fit the 7 columns of a flow "
       "field (at most 9999999); scale the values down with --scale (--scale 0.1 makes the "
       "largest, "
       "1.23457e+07, fit)"},
      {"SumOverflows",
       [] {
         // Every day at the largest order of magnitude a double holds.
         std::string t;
         for (int d = 0; d < 365; ++d)
           t += date_text(date_of(day_number({2001, 1, 1}) + d)) + ",1e308\n";
         return t;
       }(),
       "",
       "test.csv line 1: the value of 2001-01, inf, does not fit the 7 columns of a flow field "
       "(at most 9999999); scale the values down with --scale\n"},
      {"NoCompleteYear", head, "", "test.csv: no complete year (every year from 2001 to 2001"},
  };
}

class BadCsv : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadCsv, IsRefusedWithAMessageNamingTheLine) {
  Options o;
  o.column = GetParam().column;
  // TooLargeForSevenColumns needs a complete year to reach the formatting.
  std::string text = GetParam().text;
  if (std::string(GetParam().name) == "TooLargeForSevenColumns")
    for (int m = 2; m <= 12; ++m)
      text += "2001-" + std::string(m < 10 ? "0" : "") + std::to_string(m) + ",1\n";
  const Result r = import_text(text, o);
  ASSERT_FALSE(r.ok);
  EXPECT_NE((r.message + "\n").find(GetParam().expected), std::string::npos) << r.message;
  EXPECT_TRUE(r.flow_text().empty());
  EXPECT_EQ(r.report.error, r.message);
}

INSTANTIATE_TEST_SUITE_P(Files, BadCsv, ::testing::ValuesIn(bad_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ScaleNeededForLargeValues, ScaleDownMakesThemFit) {
  std::string text = "month,flow\n";
  for (int m = 1; m <= 12; ++m)
    text += "2001-" + std::string(m < 10 ? "0" : "") + std::to_string(m) + ",12345678\n";
  Options o;
  o.scale = 0.001;
  const Result r = import_text(text, o);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(months_of(r.flow_text())[0][0], 12345.7);  // 5 digits leave room for 1 decimal
}

TEST(Column, ChosenByNameOrNumber) {
  const std::string text = "date,stage,flow\n" + [] {
    std::string s;
    for (int d = 1; d <= 365; ++d) {
      const Date date = date_of(day_number({2001, 1, 1}) + d - 1);
      s += date_text(date) + ",9,1\n";
    }
    return s;
  }();
  for (const char* c : {"flow", "FLOW", "3"}) {
    Options o;
    o.column = c;
    const Result r = import_text(text, o);
    ASSERT_TRUE(r.ok) << c << ": " << r.message;
    EXPECT_EQ(months_of(r.flow_text())[0][0], 31.0) << c;
  }
  Options o;
  o.column = "2";
  EXPECT_EQ(months_of(import_text(text, o).flow_text())[0][0], 279.0);
}

TEST(SeveralFiles, AreJoinedInDateOrderWhateverTheirOrderGiven) {
  // 1961-1965 in two files split in the middle of a month, given backwards.
  const std::string all = daily_csv(1961, 1965);
  const std::size_t cut = all.find("1963-05-17");
  const std::vector<Input> inputs{{"later.csv", "date,flow\n" + all.substr(cut)},
                                  {"earlier.csv", all.substr(0, cut)}};
  const Result r = import_tables(inputs, {});
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.name, "LATER");
  Options o;
  o.name = "LATER";
  EXPECT_EQ(r.flow_text(), import_text(all, o).flow_text());
  EXPECT_EQ(r.report.files[0].first, "1963-05-17");
  EXPECT_EQ(r.report.rows_read, 1826);
}

TEST(SeveralFiles, OverlapAndMixedGranularityAreRefused) {
  const std::string a = daily_csv(1961, 1962);
  const std::string b = daily_csv(1962, 1963);
  Result r = import_tables({{"a.csv", a}, {"b.csv", b}}, {});
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("b.csv line 2: its dates from 1962-01-01 overlap those of a.csv (up to "
                           "1962-12-31, line 731)"),
            std::string::npos)
      << r.message;
  r = import_tables({{"a.csv", a}, {"w.csv", wide_csv(1970, 1971)}}, {});
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("all be daily or all monthly"), std::string::npos) << r.message;
}

struct NameCase {
  const char* file;
  const char* name;
  friend void PrintTo(const NameCase& c, std::ostream* os) { *os << c.file; }
};

class DefaultName : public ::testing::TestWithParam<NameCase> {};

TEST_P(DefaultName, IsTheStemUpperCasedAndCut) {
  EXPECT_EQ(default_name(GetParam().file), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DefaultName,
    ::testing::Values(NameCase{"data/rhine.csv", "RHINE"}, NameCase{"a.b.csv", "A_B"},
                      NameCase{"Río Grande.csv", "R__O_GRANDE"},
                      NameCase{"gauge-12_x", "GAUGE-12_X"},
                      NameCase{"abcdefghijklmnopqrstuvwxyz.csv", "ABCDEFGHIJKLMNOPQRS"},
                      NameCase{"dir/.csv", "_CSV"}, NameCase{"", "GAUGE"}),
    rivan6_test::ReadableName());

TEST(Report, TextAndJsonSayWhatWasDone) {
  std::string text = daily_csv(1961, 1966, {"1962-03-03", "1962-03-04"});
  text = text.substr(0, text.find("1964-01-01")) + text.substr(text.find("1965-01-01"));
  Options o;
  o.scale = 0.25;
  const Result r = import_text(text, o);
  ASSERT_TRUE(r.ok) << r.message;
  const nlohmann::json j = r.report.to_json();
  EXPECT_EQ(j["ok"], true);
  EXPECT_EQ(j["files"][0]["layout"], "daily");
  EXPECT_EQ(j["files"][0]["value_column"], "flow");
  EXPECT_EQ(j["unit"], "days");
  EXPECT_EQ(j["scale"], 0.25);
  EXPECT_EQ(j["missing_per_year"].size(), 2u);
  EXPECT_EQ(j["missing_per_year"][0]["missing"], 2);
  EXPECT_EQ(j["missing_per_year"][1]["year"], 1964);
  EXPECT_EQ(j["missing_per_year"][1]["missing"], 366);
  EXPECT_EQ(j["years_written"]["first"], 1965);
  EXPECT_EQ(j["years_written"]["chosen_by"], "longest_run");
  const std::string t = r.report.to_text();
  for (const char* part :
       {"test.csv: daily table (date, value), delimiter ',', header on line 1, values from flow",
        "1961-01-01 to 1966-12-31", "scaling: x 0.25", "1962: 2 of 365", "1964: 366 of 366",
        "complete years: 1961, 1963, 1965-1966",
        "years written: 1965-1966 (2 years, the longest run of complete years)"})
    EXPECT_NE(t.find(part), std::string::npos) << part << "\n" << t;
}

}  // namespace
}  // namespace ingest

namespace ingest {
namespace {

TEST(Robustness, DamagedTablesAreImportedOrRefusedWithAMessage) {
  // Deterministic damage to a small table: characters replaced, dropped or
  // put in from the ones that matter to the parser. Every outcome must be a
  // readable flow file or a message naming the file; nothing may crash.
  const std::string base = testing::daily_csv(2001, 2002);
  const std::string alphabet = ",;\t\"-.0123456789eaN \n\r#";
  unsigned x = 2024;
  auto next = [&x](unsigned n) {
    x = x * 1103515245u + 12345u;
    return (x >> 8) % n;
  };
  int refused = 0, imported = 0;
  for (int trial = 0; trial < 1500; ++trial) {
    std::string text = base;
    const int edits = 1 + static_cast<int>(next(4));
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = next(static_cast<unsigned>(text.size()));
      const char c = alphabet[next(static_cast<unsigned>(alphabet.size()))];
      switch (next(3)) {
        case 0:
          text[at] = c;
          break;
        case 1:
          text.erase(at, 1);
          break;
        default:
          text.insert(at, 1, c);
      }
    }
    Options o;
    o.skip_bad_rows = trial % 2 == 1;
    const Result r = testing::import_text(text, o);
    if (r.ok) {
      ++imported;
      ASSERT_TRUE(testing::read_back(r.flow_text()).ok) << text;
    } else {
      ++refused;
      ASSERT_EQ(r.message.rfind("test.csv", 0), 0u) << r.message;
    }
  }
  // Both outcomes occur, or the damage was not exercising anything.
  EXPECT_GT(refused, 100);
  EXPECT_GT(imported, 100);
}

}  // namespace
}  // namespace ingest
