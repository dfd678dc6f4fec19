// Records of the format interpreter compared with the exact text a Fortran
// runtime (gfortran 12) writes for the same format and values.
#include "format/format.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/files.hpp"

namespace {

using format::Item;
using format::list_directed;
using format::records;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---------------------------------------------------------------------------
// One descriptor, one item, one record.

struct FieldCase {
  const char* fmt;
  Item item;
  const char* want;
};

void PrintTo(const FieldCase& c, std::ostream* os) {
  *os << c.fmt << " -> \"" << c.want << "\"";
}

class Field : public ::testing::TestWithParam<FieldCase> {};

TEST_P(Field, WritesExactText) {
  const FieldCase& c = GetParam();
  const auto got = records(c.fmt, std::span<const Item>(&c.item, 1));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Integer, Field,
    ::testing::Values(FieldCase{"(I4)", 12, "  12"}, FieldCase{"(I1)", 5, "5"},
                      FieldCase{"(I3)", -12, "-12"}, FieldCase{"(I2)", -12, "**"},
                      FieldCase{"(I1)", -1, "*"}, FieldCase{"(I4)", 0, "   0"},
                      FieldCase{"(I3)", 1000, "***"},
                      FieldCase{"(I20)", -9223372036854775807LL - 1, "-9223372036854775808"}),
    rivan6_test::ReadableName());

INSTANTIATE_TEST_SUITE_P(
    Fixed, Field,
    ::testing::Values(
        // Exact binary ties go to the even digit.
        FieldCase{"(F5.2)", 0.125, " 0.12"}, FieldCase{"(F5.2)", 0.375, " 0.38"},
        FieldCase{"(F3.0)", 2.5, " 2."}, FieldCase{"(F3.0)", 3.5, " 4."},
        FieldCase{"(F4.0)", 0.5, "  0."}, FieldCase{"(F4.0)", 1.5, "  2."},
        FieldCase{"(F4.1)", -0.25, "-0.2"},
        // Decimal "ties" that are not binary ties round by the true value.
        FieldCase{"(F10.2)", 1.005, "      1.00"}, FieldCase{"(F10.2)", 2.675, "      2.67"},
        FieldCase{"(F5.2)", 0.015, " 0.01"}, FieldCase{"(F3.1)", 0.05, "0.1"},
        // Optional leading zero.
        FieldCase{"(F4.3)", 0.5, ".500"}, FieldCase{"(F5.3)", 0.5, "0.500"},
        FieldCase{"(F10.3)", 0.5, "     0.500"}, FieldCase{"(F5.3)", -0.5, "-.500"},
        FieldCase{"(F6.3)", -0.5, "-0.500"}, FieldCase{"(F4.3)", 0.0, ".000"},
        FieldCase{"(F2.1)", 0.04, ".0"},
        // No decimals: the point ends the field and the zero is required.
        FieldCase{"(F8.0)", 1.0, "      1."}, FieldCase{"(F8.0)", 1.316, "      1."},
        FieldCase{"(F8.0)", 0.0, "      0."}, FieldCase{"(F2.0)", 0.4, "0."},
        FieldCase{"(F1.0)", 0.4, "*"}, FieldCase{"(F1.0)", 0.0, "*"},
        // Negative values that round to zero, and negative zero, keep the sign.
        FieldCase{"(F6.3)", -0.0001, "-0.000"}, FieldCase{"(F5.3)", -0.0001, "-.000"},
        FieldCase{"(F6.3)", -0.0, "-0.000"}, FieldCase{"(F5.1)", -0.04, " -0.0"},
        FieldCase{"(F3.1)", -0.04, "-.0"}, FieldCase{"(F2.1)", -0.04, "**"},
        FieldCase{"(F8.0)", -0.3, "     -0."}, FieldCase{"(F3.0)", -0.4, "-0."},
        FieldCase{"(F2.0)", -0.4, "**"},
        // Rounding that carries into a new digit, and overflow.
        FieldCase{"(F4.1)", 9.96, "10.0"}, FieldCase{"(F4.1)", 99.96, "****"},
        FieldCase{"(F7.4)", 12.0, "12.0000"}, FieldCase{"(F7.4)", 123.0, "*******"},
        FieldCase{"(F12.5)", 123456.0, "123456.00000"},
        FieldCase{"(F12.5)", -123456.0, "************"},
        FieldCase{"(F12.5)", 1.0e20, "************"},
        FieldCase{"(F30.5)", 1.0e20, "   100000000000000000000.00000"},
        FieldCase{"(F30.5)", 1.0e-20, "                       0.00000"},
        FieldCase{"(F40.30)", 0.1, "        0.100000000000000005551115123126"},
        FieldCase{"(F10.3)", 1.0e-320, "     0.000"}),
    rivan6_test::ReadableName());

INSTANTIATE_TEST_SUITE_P(
    Exponent, Field,
    ::testing::Values(
        FieldCase{"(E18.8)", 1.5, "    0.15000000E+01"},
        FieldCase{"(E18.8)", -1.5, "   -0.15000000E+01"},
        FieldCase{"(E18.8)", 0.0, "    0.00000000E+00"},
        FieldCase{"(E18.8)", -0.0, "   -0.00000000E+00"},
        FieldCase{"(E18.8)", 4000.0, "    0.40000000E+04"},
        FieldCase{"(E18.8)", 0.1, "    0.10000000E+00"},
        FieldCase{"(E18.8)", 123456789.5, "    0.12345679E+09"},
        // Rounding that raises the exponent.
        FieldCase{"(E18.8)", 0.999999999, "    0.10000000E+01"},
        FieldCase{"(E18.8)", 99999999.5, "    0.10000000E+09"},
        FieldCase{"(E18.8)", 9.9999999999e99, "    0.10000000+101"},
        FieldCase{"(E18.8)", 0.99999999999e-99, "    0.10000000E-98"},
        // Three-digit exponents drop the 'E'.
        FieldCase{"(E18.8)", 1.5e100, "    0.15000000+101"},
        FieldCase{"(E18.8)", 1.5e-100, "    0.15000000E-99"},
        FieldCase{"(E18.8)", 1.0e300, "    0.10000000+301"},
        FieldCase{"(E18.8)", 1.7976931348623157e308, "    0.17976931+309"},
        FieldCase{"(E18.8)", 2.2250738585072014e-308, "    0.22250739-307"},
        FieldCase{"(E18.8)", 4.9406564584124654e-324, "    0.49406565-323"},
        FieldCase{"(E10.3)", -1.0e-320, "-0.100-319"},
        // Ties to even on the last digit.
        FieldCase{"(E10.2)", 0.125, "  0.12E+00"}, FieldCase{"(E10.2)", 0.375, "  0.38E+00"},
        FieldCase{"(E10.2)", 2.5e-3, "  0.25E-02"},
        // The leading zero only when there is room, then asterisks.
        FieldCase{"(E14.8)", 1.5, "0.15000000E+01"}, FieldCase{"(E13.8)", 1.5, ".15000000E+01"},
        FieldCase{"(E15.8)", -1.5, "-0.15000000E+01"}, FieldCase{"(E14.8)", -1.5, "-.15000000E+01"},
        FieldCase{"(E8.2)", 1.0, "0.10E+01"}, FieldCase{"(E7.2)", 1.0, ".10E+01"},
        FieldCase{"(E6.2)", 1.0, "******"}, FieldCase{"(E7.2)", -1.0, "*******"},
        FieldCase{"(E7.2)", 1.0e-100, ".10E-99"}, FieldCase{"(E12.8)", 0.0, "************"},
        FieldCase{"(E1.1)", 1.0, "*"}),
    rivan6_test::ReadableName());

// Ordinary values drawn at random from a comparison of many thousand fields.
INSTANTIATE_TEST_SUITE_P(
    Sampled, Field,
    ::testing::Values(FieldCase{"(F23.8)", -52.11895, "           -52.11895000"},
                      FieldCase{"(F4.1)", 0.08885215, " 0.1"},
                      FieldCase{"(F9.2)", -870.9535, "  -870.95"},
                      FieldCase{"(F15.7)", 27.8984375, "     27.8984375"},
                      FieldCase{"(F20.9)", 48011.75342491823, "     48011.753424918"},
                      FieldCase{"(F20.9)", 0.0001479908593294484, "         0.000147991"},
                      FieldCase{"(F19.5)", 7.74609375, "            7.74609"},
                      FieldCase{"(F18.1)", 24.75195379006567, "              24.8"},
                      FieldCase{"(E22.10)", -981.7435, "     -0.9817435000E+03"},
                      FieldCase{"(E20.4)", -2041.0, "         -0.2041E+04"},
                      FieldCase{"(E9.1)", 34.34445, "  0.3E+02"},
                      FieldCase{"(E24.10)", -1.1046384931752005e-06, "       -0.1104638493E-05"},
                      FieldCase{"(E18.3)", 0.06841905, "         0.684E-01"},
                      FieldCase{"(E21.1)", -2.631392202787171e-06, "             -0.3E-05"}),
    rivan6_test::ReadableName());

INSTANTIATE_TEST_SUITE_P(
    NotANumber, Field,
    ::testing::Values(FieldCase{"(E18.8)", kInf, "          Infinity"},
                      FieldCase{"(E18.8)", -kInf, "         -Infinity"},
                      FieldCase{"(E18.8)", kNaN, "               NaN"},
                      FieldCase{"(E18.8)", -kNaN, "               NaN"},
                      FieldCase{"(F10.3)", kInf, "  Infinity"},
                      FieldCase{"(F10.3)", -kInf, " -Infinity"},
                      FieldCase{"(F10.3)", kNaN, "       NaN"},
                      FieldCase{"(F8.3)", kInf, "Infinity"}, FieldCase{"(F8.3)", -kInf, "    -Inf"},
                      FieldCase{"(F9.3)", -kInf, "-Infinity"}, FieldCase{"(F7.3)", kInf, "    Inf"},
                      FieldCase{"(F3.1)", kInf, "Inf"}, FieldCase{"(F4.1)", -kInf, "-Inf"},
                      FieldCase{"(F3.1)", -kInf, "***"}, FieldCase{"(F2.0)", kInf, "**"},
                      FieldCase{"(F1.0)", -kInf, "*"}, FieldCase{"(F7.4)", kNaN, "    NaN"},
                      FieldCase{"(F3.1)", kNaN, "NaN"}, FieldCase{"(F2.1)", kNaN, "**"},
                      FieldCase{"(E8.1)", kNaN, "     NaN"}, FieldCase{"(E8.1)", -kInf, "    -Inf"},
                      FieldCase{"(E9.1)", -kInf, "-Infinity"}),
    rivan6_test::ReadableName());

INSTANTIATE_TEST_SUITE_P(
    Text, Field,
    ::testing::Values(FieldCase{"(A5)", "abc", "  abc"}, FieldCase{"(A2)", "abc", "ab"},
                      FieldCase{"(A3)", "abcdef", "abc"}, FieldCase{"(A3)", "abc", "abc"},
                      FieldCase{"(A)", "abc", "abc"}, FieldCase{"(A)", " a b ", " a b "},
                      FieldCase{"('[' A5 ']')", "", "[     ]"}, FieldCase{"(A)", "", ""}),
    rivan6_test::ReadableName());

// ---------------------------------------------------------------------------
// Whole formats: records, literals, X, '/', groups, reversion, stopping.

struct RecordCase {
  const char* name;
  const char* fmt;
  std::vector<Item> items;
  std::vector<std::string> want;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
  *os << c.name << ": " << c.fmt;
}

class Records : public ::testing::TestWithParam<RecordCase> {};

TEST_P(Records, MatchExactly) {
  const RecordCase& c = GetParam();
  EXPECT_EQ(records(c.fmt, c.items), c.want);
}

std::string CaseName(const ::testing::TestParamInfo<RecordCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Structure, Records,
    ::testing::Values(
        RecordCase{"TrailingXWritesNothing", "('|' A 5X)", {"abc"}, {"|abc"}},
        RecordCase{"XBeforeLiteralWritesBlanks", "('|' A 5X '|')", {"abc"}, {"|abc     |"}},
        RecordCase{"XBeforeEmptyText", "(5X A)", {""}, {"     "}},
        RecordCase{"XBeforeSlash", "(I3 5X / I3)", {1, 2}, {"  1", "  2"}},
        RecordCase{"LeadingXOnly", "(1X / / 'T')", {}, {"", "", "T"}},
        RecordCase{"DoubledQuote", "('it''s')", {}, {"it's"}},
        RecordCase{"DoubleQuotes", "(\"say \"\"hi\"\"\" ' it''s')", {}, {"say \"hi\" it's"}},
        RecordCase{"ParenthesesInLiteral",
                   "(/ 6X ' P(EXCEEDENCE). (%).' 5X 2F8.1)",
                   {80.0, 90.0},
                   {"", "       P(EXCEEDENCE). (%).         80.0    90.0"}},
        RecordCase{"NoDataWrittenWhole", "('hello' / 'world')", {}, {"hello", "world"}},
        RecordCase{"OnlySlash", "(/)", {}, {"", ""}},
        RecordCase{"TwoSlashes", "(//)", {}, {"", "", ""}},
        RecordCase{"EmptyFormat", "()", {}, {""}},
        RecordCase{"LiteralThenSlashAtEnd", "('a' /)", {}, {"a", ""}},
        RecordCase{"CountedSlash", "(I3 2/ I3)", {1, 2}, {"  1", "", "  2"}},
        RecordCase{"RepeatedLiteralGroup", "(3('*') 2('ab'))", {}, {"***abab"}},
        RecordCase{"CommasSeparate",
                   "(A, 2I3, 2F8.3)",
                   {" P, Q, AIC & DIST ", 1, 2, 1.0, 2.0},
                   {" P, Q, AIC & DIST   1  2   1.000   2.000"}},
        RecordCase{
            "LowerCase", "(i3, f6.2, e10.2, a4)", {7, 1.5, 1.5, "x"}, {"  7  1.50  0.15E+01   x"}},
        // Output stops at the first data descriptor without an item; literals,
        // X and '/' before it are written.
        RecordCase{"StopAtMissingItem", "('A' I3 'B' / 'C' I3 'D' /)", {5}, {"A  5B", "C"}},
        RecordCase{"LiteralAfterSlashBeforeStop", "(I3 / 'lit' I3)", {1}, {"  1", "lit"}},
        RecordCase{"NoItemsEmptyRecord", "(4F10.3)", {}, {""}},
        RecordCase{"NoItemsSlashes", "(/ / A /)", {}, {"", "", ""}},
        RecordCase{"StopBeforeLastF",
                   "(7F12.5 I4 F12.5)",
                   {919.35, 169.2275, 0.5, 0.0, 0.0, 0.0, 0.05, 5},
                   {"   919.35000   169.22750     0.50000     0.00000     0.00000     0.00000"
                    "     0.05000   5"}},
        RecordCase{"StopInsideGroup", "(2(I3 'x'))", {1}, {"  1x"}},
        // Reversion: the record ends and the format starts again at the last
        // top-level group, with its repeat count, or at the start.
        RecordCase{"RevertToStart",
                   "(4F10.3)",
                   {1.5, 3.0, 4.5, 6.0, 7.5, 9.0},
                   {"     1.500     3.000     4.500     6.000", "     7.500     9.000"}},
        RecordCase{"RevertPerLag",
                   "(I4 2F10.3)",
                   {1, 1.5, 3.0, 2, 4.5, 6.0},
                   {"   1     1.500     3.000", "   2     4.500     6.000"}},
        RecordCase{"RevertToCountedGroup",
                   "(I2 2(I3, I4) I5)",
                   {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                   {" 1  2   3  4   5    6", "  7   8  9  10   11", " 12"}},
        RecordCase{"RevertToUncountedGroup",
                   "(I2 (I3, I4))",
                   {1, 2, 3, 4, 5, 6, 7, 8},
                   {" 1  2   3", "  4   5", "  6   7", "  8"}},
        RecordCase{"RevertToOuterOfNested",
                   "(I2 2(I3, 2(I4)) I5)",
                   {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
                   {" 1  2   3   4  5   6   7    8", "  9  10  11 12  13  14   15", " 16"}},
        RecordCase{"RevertWithEndSlash", "(I3 /)", {1, 2, 3}, {"  1", "", "  2", "", "  3", ""}},
        RecordCase{"RevertWithLiteral", "(I3 / 'x')", {1, 2}, {"  1", "x", "  2", "x"}},
        RecordCase{"RevertLiteralFirst", "('x' I3)", {1, 2}, {"x  1", "x  2"}}),
    CaseName);

std::vector<Item> Decade(int n) {
  std::vector<Item> v;
  for (int i = 1; i <= n; ++i) v.emplace_back(1000.0 * i + 0.125);
  return v;
}

const std::string kName = "NILE                ";  // the 20-column base name

INSTANTIATE_TEST_SUITE_P(
    Layouts, Records,
    ::testing::Values(
        RecordCase{"GaugeHeader",
                   "(/ '1' A20 5X ' COMMENCING IN YEAR ' I4 ' AND OF LENGTH' I3 /)",
                   {kName, 1871, 100},
                   {"", "1NILE                      COMMENCING IN YEAR 1871 AND OF LENGTH100", ""}},
        RecordCase{
            "ZeroFlowNotice",
            "(9X 58('*') / 9X '               THIS GAUGE HAS' I3 ' ZERO FLOWS.' / 9X '     THE "
            "STATISTICS IN THIS ANSWER FILE APPLY ONLY TO THE' / 9X '    POSITIVE FLOWS AND NOT "
            "TO THE ZERO FLOWS UNLESS STATED.' / 9X '        THERE IS NO CORRELATION NOR CROSSING "
            "ANALYSIS.' / 9X 58('*') /)",
            {3},
            {"         **********************************************************",
             "                        THIS GAUGE HAS  3 ZERO FLOWS.",
             "              THE STATISTICS IN THIS ANSWER FILE APPLY ONLY TO THE",
             "             POSITIVE FLOWS AND NOT TO THE ZERO FLOWS UNLESS STATED.",
             "                 THERE IS NO CORRELATION NOR CROSSING ANALYSIS.",
             "         **********************************************************", ""}},
        RecordCase{"TransformParameters",
                   "(/ / ' ITYPE,      GAMMA,            DELTA,            XLAM,             XI,  "
                   "   IFAULT' / 1X I2 4F18.7 I6 / / ' AND THE MEAN & STDEV OF THE SEQUENCE BEFORE "
                   "FINAL STANDARDIZATION ARE: ' / 3X 2F18.6)",
                   {3, -1.23456789, 0.98765432, 2345.6789, 12.3456789, 0, 6.7890123, 0.4567891},
                   {"", "",
                    " ITYPE,      GAMMA,            DELTA,            XLAM,             XI,     "
                    "IFAULT",
                    "  3        -1.2345679         0.9876543      2345.6789000        12.3456789   "
                    "  0",
                    "", " AND THE MEAN & STDEV OF THE SEQUENCE BEFORE FINAL STANDARDIZATION ARE: ",
                    "             6.789012          0.456789"}},
        RecordCase{"MomentsTable",
                   "('1 MEAN, STANDARD DEVIATION, SKEWNESS & EXCESS OF' / ' NON-ZERO FLOWS     :   "
                   "' 4F10.3 / ' & NORMALIZED FLOWS :   ' 4F10.3 /)",
                   {919.35, 169.2275, 0.3211, -0.0525, 0.0, 1.0, -0.0004, 0.1234},
                   {"1 MEAN, STANDARD DEVIATION, SKEWNESS & EXCESS OF",
                    " NON-ZERO FLOWS     :      919.350   169.227     0.321    -0.052",
                    " & NORMALIZED FLOWS :        0.000     1.000    -0.000     0.123", ""}},
        RecordCase{"ChiSquareOfFlows",
                   "(' THE CHI-SQUARE STATISTIC FOR THE NORMAL FIT TO :' / ' THE FLOWS IS:' / 1X "
                   "F10.3 ' WITH' I4 ' DEGREES OF FREEDOM' /)",
                   {3.4567, 4},
                   {" THE CHI-SQUARE STATISTIC FOR THE NORMAL FIT TO :", " THE FLOWS IS:",
                    "      3.457 WITH   4 DEGREES OF FREEDOM", ""}},
        RecordCase{"ExceedanceProbability",
                   "(' THE EXCEEDENCE PROBABILITY OF THIS VALUE IS: ' F7.4 /)",
                   {0.48475},
                   {" THE EXCEEDENCE PROBABILITY OF THIS VALUE IS:  0.4848", ""}},
        RecordCase{"OptimizationTitle",
                   "(/ / A /)",
                   {" HERE FOLLOWS A SUMMARY OF THE OPTIMIZATION OUTPUT:"},
                   {"", "", " HERE FOLLOWS A SUMMARY OF THE OPTIMIZATION OUTPUT:", ""}},
        RecordCase{"EntryMoments",
                   "(1X ' MEAN     STD DEV     SKEW     KURTOSIS AT ENTRY TO' ' NORMALIZE' / "
                   "4F12.4 /)",
                   {919.35, 169.2275, 0.3211, 2.9475},
                   {"  MEAN     STD DEV     SKEW     KURTOSIS AT ENTRY TO NORMALIZE",
                    "    919.3500    169.2275      0.3211      2.9475", ""}},
        RecordCase{
            "RawFlowMoments",
            "(1X A / 2F10.2)",
            {" THE MEAN AND STANDARD DEVIATION OF THE RAW POSITIVE FLOWS", 919.345, 169.2275},
            {"  THE MEAN AND STANDARD DEVIATION OF THE RAW POSITIVE FLOWS",
             "    919.35    169.23"}},
        RecordCase{"PlotHeading",
                   "(/ / 20X '+ IS S.C.C. & * IS P.S.C.C.' / /)",
                   {},
                   {"", "", "                    + IS S.C.C. & * IS P.S.C.C.", "", ""}},
        RecordCase{
            "AicHeading",
            "('1' / / / ' the updated AIC table for ' A10 / / / ' the rows are the order p "
            "of the AR part with  p=0,1,2' / ' the columns are the order q of the MA part of "
            "the ARMA equation with  q=0,1,2' / /)",
            {kName},
            {"1", "", "", " the updated AIC table for NILE      ", "", "",
             " the rows are the order p of the AR part with  p=0,1,2",
             " the columns are the order q of the MA part of the ARMA equation with  q=0,1,2", "",
             ""}},
        RecordCase{"NonExceedanceRow",
                   "(/ 6X ' P(NON-EXCEEDENCE). (%).' 1X 6F8.1)",
                   {80.0, 90.0, 95.0, 99.0, 99.5, 99.9},
                   {"",
                    "       P(NON-EXCEEDENCE). (%).     80.0    90.0    95.0    99.0    99.5    "
                    "99.9"}},
        RecordCase{"RunLengths",
                   "(6X ' TOTAL RUN LENGTH' 7X 6I8)",
                   {25, 9, 3, 0, 0, 0},
                   {"       TOTAL RUN LENGTH             25       9       3       0       0       "
                    "0"}},
        RecordCase{
            "MinimumScore", "(2I10, F12.2)", {0, 0, 98.0204}, {"         0         0       98.02"}},
        RecordCase{"ConfidenceLimits",
                   "(A 2F10.3)",
                   {" THE 95% C.L. FOR SKEW & EXCESS ARE:   ", 1.0, 2.0},
                   {" THE 95% C.L. FOR SKEW & EXCESS ARE:        1.000     2.000"}},
        RecordCase{"PortmanteauTest",
                   "(/ ' THE SEQUENCE IS OF LENGTH' I3 ' WITH A CORRELOGRAM OF LENGTH' I3 / ' IT "
                   "HAS' I3 ' DEGREES OF FREEDOM AND A PORTMANTEAU STATISTIC OF' F7.2 / ' THE "
                   "EXCEEDENCE PROBABILITY OF THIS CHI-SQUARE STATISTIC IS' F7.4 /)",
                   {100, 20, 16, 25.125, 0.20125},
                   {"", " THE SEQUENCE IS OF LENGTH100 WITH A CORRELOGRAM OF LENGTH 20",
                    " IT HAS 16 DEGREES OF FREEDOM AND A PORTMANTEAU STATISTIC OF  25.12",
                    " THE EXCEEDENCE PROBABILITY OF THIS CHI-SQUARE STATISTIC IS 0.2013", ""}},
        RecordCase{"CorrelogramHeading",
                   "('1' / ' THE CORRELOGRAM AND PARTIAL CORRELOGRAM FOR THE  NORMALIZED SERIES "
                   "FROM ' A25 / ' WITH CONFIDENCE INTERVAL +/-' F5.3)",
                   {kName, 0.196},
                   {"1",
                    " THE CORRELOGRAM AND PARTIAL CORRELOGRAM FOR THE  NORMALIZED SERIES FROM     "
                    " NILE                ",
                    " WITH CONFIDENCE INTERVAL +/-0.196"}},
        RecordCase{
            "CorrelationHeading",
            "(1X / / ' THE CORRELATION AND PARTIAL CORRELATION FUNCTION  FOR THE "
            "NORMALIZED FLOWS' / ' WITH CONFIDENCE INTERVAL +/-' F5.3 /)",
            {0.196},
            {"", "", " THE CORRELATION AND PARTIAL CORRELATION FUNCTION  FOR THE NORMALIZED FLOWS",
             " WITH CONFIDENCE INTERVAL +/-0.196", ""}},
        RecordCase{"ArmaSummary",
                   "(/ ' ARMA22 STATISTICS FOR THE NORMALISED FLOWS ARE:' / ' PHI AND THETA :- ' "
                   "4F12.4 / ' AR- & MA-LAG, P & Q :- ' 2I4 /)",
                   {0.5, -0.25, 0.0, 0.0, 1, 0},
                   {"", " ARMA22 STATISTICS FOR THE NORMALISED FLOWS ARE:",
                    " PHI AND THETA :-       0.5000     -0.2500      0.0000      0.0000",
                    " AR- & MA-LAG, P & Q :-    1   0", ""}},
        RecordCase{
            "NormalizeTable",
            "(1X / 10X A / 13X A 15X A 15X A 15X A / 5(A 4E18.8 /))",
            {" TITLE", "LN3", "LN2", "SB4", "SB3", "  GA", 1.5,  3.0,  4.5,  6.0,
             "  DE",   7.5,   9.0,   10.5,  12.0,  "  XL", 13.5, 15.0, 16.5, 18.0,
             "  XI",   19.5,  21.0,  22.5,  24.0,  "  CR", 25.5, 27.0, 28.5, 4000.0},
            {"", "           TITLE",
             "             LN3               LN2               SB4               SB3",
             "  GA    0.15000000E+01    0.30000000E+01    0.45000000E+01    0.60000000E+01",
             "  DE    0.75000000E+01    0.90000000E+01    0.10500000E+02    0.12000000E+02",
             "  XL    0.13500000E+02    0.15000000E+02    0.16500000E+02    0.18000000E+02",
             "  XI    0.19500000E+02    0.21000000E+02    0.22500000E+02    0.24000000E+02",
             "  CR    0.25500000E+02    0.27000000E+02    0.28500000E+02    0.40000000E+04", ""}},
        RecordCase{"AicRows",
                   "(3(3F20.6 /))",
                   {1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0},
                   {"            1.000000            2.000000            3.000000",
                    "            4.000000            5.000000            6.000000",
                    "            7.000000            8.000000            9.000000", ""}},
        RecordCase{"MinimiserRecord",
                   "(4I4 / 7F10.4)",
                   {2, 35, 500, 0, 1.2345, 1.2345, 1.0, 0.5, 0.0, -0.3, 0.0},
                   {"   2  35 500   0",
                    "    1.2345    1.2345    1.0000    0.5000    0.0000   -0.3000    0.0000"}},
        RecordCase{"ChosenCoefficients",
                   "(/ A 2F10.4 / A 2F10.4)",
                   {" phi  ", 0.5, 0.0, " theta", 0.0, 0.0},
                   {"", " phi      0.5000    0.0000", " theta    0.0000    0.0000"}},
        RecordCase{"YearFileFlows",
                   "(2I5 4F18.7)",
                   {100, 1871, 0.123, -1.5, 2.25, 3.125},
                   {"  100 1871         0.1230000        -1.5000000         2.2500000         "
                    "3.1250000"}},
        RecordCase{"YearFileTransform",
                   "(I2 1X 4F20.7)",
                   {1, -6.5, 1.25, 1.0, 312.5},
                   {" 1           -6.5000000           1.2500000           1.0000000         "
                    "312.5000000"}},
        RecordCase{"CorrelogramFileHead", "(F8.3 2I5)", {0.196, 1, 0}, {"   0.196    1    0"}},
        RecordCase{"DecadeTable",
                   "(10F10.2)",
                   Decade(23),
                   {"   1000.12   2000.12   3000.12   4000.12   5000.12   6000.12   7000.12   "
                    "8000.12   9000.12  10000.12",
                    "  11000.12  12000.12  13000.12  14000.12  15000.12  16000.12  17000.12  "
                    "18000.12  19000.12  20000.12",
                    "  21000.12  22000.12  23000.12"}},
        RecordCase{"CrossingHeading",
                   "('1' / 6X ' DOWN CROSSINGS   TOTAL DEFICIT RUN LENGTHS AND SUM ')",
                   {},
                   {"1", "       DOWN CROSSINGS   TOTAL DEFICIT RUN LENGTHS AND SUM "}},
        RecordCase{"CrossingLevels",
                   "(6X ' FLOW' 20X 6F8.1)",
                   {-0.842, -1.282, -1.645, -2.326, -2.576, -3.09},
                   {"       FLOW                        -0.8    -1.3    -1.6    -2.3    -2.6    "
                    "-3.1"}},
        RecordCase{"CrossingCounts",
                   "(6X ' CROSSINGS' 14X 6I8)",
                   {12, 7, 3, 0, 0, 0},
                   {"       CROSSINGS                    12       7       3       0       0       "
                    "0"}},
        RecordCase{"CrossingRunSums",
                   "(6X ' TOTAL RUN SUM' 11X 6F8.0 / /)",
                   {8.0, 4.0, 1.0, 0.0, 0.0, 0.0},
                   {"       TOTAL RUN SUM                 8.      4.      1.      0.      0.      "
                    "0.",
                    "", ""}},
        RecordCase{"ReaderCheckLines",
                   "(1X 2I3 A A / 1X A A / 1X A A / 1X A A)",
                   {10, 20, "/dir/", "*", "BASE", "*", "STEM", "*", "INC", "*"},
                   {"  10 20/dir/*", " BASE*", " STEM*", " INC*"}},
        RecordCase{"PlotRow",
                   "(11X F7.2 2X 3A1 2A1)",
                   {-0.5, " ", "+", " ", "*", " "},
                   {"             -0.50   + * "}},
        RecordCase{"PlotScale",
                   "(14X 11F10.3)",
                   {-1.0, -0.8, -0.6, -0.4, -0.2, 0.0, 0.2, 0.4, 0.6, 0.8, 1.0},
                   {"                  -1.000    -0.800    -0.600    -0.400    -0.200     0.000"
                    "     0.200     0.400     0.600     0.800     1.000"}}),
    CaseName);

TEST(Records, PlotRowOf101Characters) {
  std::vector<Item> items{-0.5};
  for (int i = 0; i < 101; ++i) items.emplace_back(i == 50 ? "+" : (i == 100 ? "*" : " "));
  const auto got = records("(11X F7.2 2X 61A1 40A1)", items);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0],
            "             -0.50" + std::string(2 + 50, ' ') + "+" + std::string(49, ' ') + "*");
}

TEST(Records, ThousandRecordsByReversion) {
  std::vector<Item> items;
  for (int i = 0; i < 10000; ++i) items.emplace_back(i * 0.25);
  const auto got = records("(10F10.2)", items);
  ASSERT_EQ(got.size(), 1000u);
  EXPECT_EQ(got[999].substr(0, 10), "   2497.50");
}

// ---------------------------------------------------------------------------
// Programming errors.

struct ErrorCase {
  const char* name;
  const char* fmt;
  std::vector<Item> items;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
  *os << c.name << ": " << c.fmt;
}

class Errors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(Errors, ThrowLogicError) {
  const ErrorCase& c = GetParam();
  EXPECT_THROW(records(c.fmt, c.items), std::logic_error);
}

INSTANTIATE_TEST_SUITE_P(
    All, Errors,
    ::testing::Values(
        ErrorCase{"RealForI", "(I4)", {1.0}}, ErrorCase{"IntForF", "(F8.2)", {1}},
        ErrorCase{"TextForE", "(E18.8)", {"x"}}, ErrorCase{"IntForA", "(A)", {1}},
        ErrorCase{"WrongKindAfterReversion", "(I4 F8.2)", {1, 2.0, 3.0}},
        ErrorCase{"NoOpenParen", "I4", {1}}, ErrorCase{"NoCloseParen", "(I4", {1}},
        ErrorCase{"UnbalancedGroup", "(2(I4)", {1}}, ErrorCase{"TextAfterClose", "(I4) X", {1}},
        ErrorCase{"MissingWidth", "(I)", {1}}, ErrorCase{"MissingDecimals", "(F8)", {1.0}},
        ErrorCase{"ZeroDigitsE", "(E10.0)", {1.0}}, ErrorCase{"ZeroWidth", "(F0.2)", {1.0}},
        ErrorCase{"ZeroRepeat", "(0I4)", {1}}, ErrorCase{"XWithoutCount", "(X I4)", {1}},
        ErrorCase{"UnknownDescriptor", "(G10.3)", {1.0}},
        ErrorCase{"RepeatedLiteral", "(3'ab')", {}}, ErrorCase{"UnterminatedLiteral", "('abc)", {}},
        ErrorCase{"HugeWidth", "(F99999.2)", {1.0}},
        ErrorCase{"ItemsWithoutDescriptors", "('x')", {1}},
        ErrorCase{"RevertedGroupWithoutData", "(I3 2('x'))", {1, 2}}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// List-directed records.

struct ListCase {
  const char* name;
  std::vector<Item> items;
  const char* want;
};

void PrintTo(const ListCase& c, std::ostream* os) {
  *os << c.name;
}

class ListDirected : public ::testing::TestWithParam<ListCase> {};

TEST_P(ListDirected, Record) {
  const ListCase& c = GetParam();
  EXPECT_EQ(list_directed(c.items), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    All, ListDirected,
    ::testing::Values(
        ListCase{"Empty", {}, ""},
        ListCase{"OneText", {"  THE RANKED FLOWS"}, "   THE RANKED FLOWS"},
        ListCase{"AdjacentTextsJoined",
                 {"1 LEVEL CROSSING PROPERTIES FOR ", "NILE"},
                 " 1 LEVEL CROSSING PROPERTIES FOR NILE"},
        ListCase{"TextThenNumber", {" TRANSFORM FAILED AT", 17}, "  TRANSFORM FAILED AT 17"},
        ListCase{"NumbersSeparated", {1.5, -2, 0.1}, " 1.5 -2 0.1"},
        ListCase{"NumberThenText", {3, "x", "y"}, " 3 xy"}, ListCase{"LeadingNumber", {42}, " 42"},
        ListCase{
            "TenSignificantDigits", {3.14159265358979, 1.0 / 3.0}, " 3.141592654 0.3333333333"},
        ListCase{"ExponentForm", {1.0e20, -2.5e-7, 0.0}, " 1E+20 -2.5E-07 0"},
        ListCase{"LargeInteger", {1234567890123LL}, " 1234567890123"},
        ListCase{"NotANumber", {kInf, -kInf, kNaN}, " INF -INF NAN"}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The writer and carriage control.

struct ControlCase {
  const char* name;
  const char* line;
  const char* with_control;
  const char* without_control;
};

void PrintTo(const ControlCase& c, std::ostream* os) {
  *os << c.name;
}

class CarriageControl : public ::testing::TestWithParam<ControlCase> {};

TEST_P(CarriageControl, Record) {
  const ControlCase& c = GetParam();
  std::ostringstream cc, plain;
  format::Writer(cc, true).record(c.line);
  format::Writer(plain).record(c.line);
  EXPECT_EQ(cc.str(), c.with_control);
  EXPECT_EQ(plain.str(), c.without_control);
}

INSTANTIATE_TEST_SUITE_P(
    All, CarriageControl,
    ::testing::Values(ControlCase{"NewPage", "1TITLE", "\fTITLE\n", "1TITLE\n"},
                      ControlCase{"NewPageAlone", "1", "\f\n", "1\n"},
                      ControlCase{"BlankLineFirst", "0TEXT", "\nTEXT\n", "0TEXT\n"},
                      ControlCase{"Plain", " TEXT", "TEXT\n", " TEXT\n"},
                      ControlCase{"OtherCharacter", "+TEXT", "TEXT\n", "+TEXT\n"},
                      ControlCase{"Empty", "", "\n", "\n"}),
    [](const ::testing::TestParamInfo<ControlCase>& info) { return std::string(info.param.name); });

TEST(Writer, FormattedRecordsUnderCarriageControl) {
  std::ostringstream os;
  format::Writer w(os, true);
  w.write("(/ '1' A20 5X ' COMMENCING IN YEAR ' I4 ' AND OF LENGTH' I3 /)", kName, 1871, 100);
  w.write("(' THE EXCEEDENCE PROBABILITY OF THIS VALUE IS: ' F7.4 /)", 0.25);
  w.list("1 LEVEL CROSSING PROPERTIES FOR ", kName);
  w.list();
  EXPECT_EQ(os.str(),
            "\n\fNILE                      COMMENCING IN YEAR 1871 AND OF LENGTH100\n\n"
            "THE EXCEEDENCE PROBABILITY OF THIS VALUE IS:  0.2500\n\n"
            "1 LEVEL CROSSING PROPERTIES FOR NILE                \n"
            "\n");
}

TEST(Writer, SideFileHasNoCarriageControl) {
  std::ostringstream os;
  format::Writer w(os);
  w.write("(F8.3 2I5)", 0.196, 1, 0);
  w.write("(I4 2F10.3)", 1, 0.5, 0.25, 2, -0.125, 0.0);
  w.list("x", 1);
  EXPECT_EQ(os.str(),
            "   0.196    1    0\n"
            "   1     0.500     0.250\n"
            "   2    -0.125     0.000\n"
            " x 1\n");
}

}  // namespace
