// Numbers as the figures write them, round tick values, and the checker the
// other report tests rely on.
#include "report/svg.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "report/xml_check.hpp"
#include "support/files.hpp"

namespace report {
namespace {

struct NiceCase {
  const char* name;
  double x;
  bool round;
  double expected;
};
void PrintTo(const NiceCase& c, std::ostream* os) {
  *os << c.name;
}

class NiceNumber : public ::testing::TestWithParam<NiceCase> {};

TEST_P(NiceNumber, IsOneTwoOrFiveTimesAPowerOfTen) {
  const NiceCase& c = GetParam();
  EXPECT_DOUBLE_EQ(nice_number(c.x, c.round), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NiceNumber,
    ::testing::Values(NiceCase{"ceiling_of_0_73_is_1", 0.73, false, 1.0},
                      NiceCase{"ceiling_keeps_1", 1.0, false, 1.0},
                      NiceCase{"ceiling_of_1_3_is_2", 1.3, false, 2.0},
                      NiceCase{"ceiling_of_3_is_5", 3.0, false, 5.0},
                      NiceCase{"ceiling_of_6_is_10", 6.0, false, 10.0},
                      NiceCase{"ceiling_of_47000_is_50000", 47000.0, false, 50000.0},
                      NiceCase{"nearest_to_1_4_is_1", 1.4, true, 1.0},
                      NiceCase{"nearest_to_2_9_is_2", 2.9, true, 2.0},
                      NiceCase{"nearest_to_4_is_5", 4.0, true, 5.0},
                      NiceCase{"nearest_to_8_is_10", 8.0, true, 10.0},
                      NiceCase{"nearest_to_0_0023_is_0_002", 0.0023, true, 0.002}),
    [](const auto& info) { return std::string(info.param.name); });

struct TickCase {
  const char* name;
  double lo, hi;
  int max_ticks;
  double min_step;
  double first, last, step;
  int decimals;
};
void PrintTo(const TickCase& c, std::ostream* os) {
  *os << c.name;
}

class NiceTicks : public ::testing::TestWithParam<TickCase> {};

TEST_P(NiceTicks, CoverTheRangeAtRoundValues) {
  const TickCase& c = GetParam();
  const Ticks t = nice_ticks(c.lo, c.hi, c.max_ticks, c.min_step);
  EXPECT_DOUBLE_EQ(t.lo(), c.first);
  EXPECT_DOUBLE_EQ(t.hi(), c.last);
  EXPECT_DOUBLE_EQ(t.step, c.step);
  EXPECT_EQ(t.decimals, c.decimals);
  EXPECT_EQ(t.values.size(),
            static_cast<std::size_t>(std::llround((c.last - c.first) / c.step)) + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NiceTicks,
    ::testing::Values(TickCase{"unit_range", 0, 1, 5, 0, 0, 1, 0.2, 1},
                      TickCase{"widened_to_whole_steps", 12.3, 87.6, 5, 0, 0, 100, 20, 0},
                      TickCase{"nile_flows", 456, 1370, 6, 0, 400, 1400, 200, 0},
                      TickCase{"symmetric_correlation", -0.55, 0.55, 7, 0, -1, 1, 0.5, 1},
                      TickCase{"a_century_of_years", 1871, 1970, 10, 1, 1870, 1970, 10, 0},
                      TickCase{"four_years_step_at_least_one", 2000, 2003, 10, 1, 2000, 2003, 1, 0},
                      TickCase{"one_value_is_widened", 5, 5, 5, 0, 4.4, 5.6, 0.2, 1},
                      TickCase{"small_deficits", 0, 0.037, 6, 0, 0, 0.04, 0.01, 2},
                      TickCase{"reversed_bounds", 10, 0, 6, 0, 0, 10, 2, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Over many magnitudes: every tick is a whole multiple of the step, the
// ticks cover the range, and their count stays near the one asked for.
class NiceTicksAnyRange : public ::testing::TestWithParam<int> {};

TEST_P(NiceTicksAnyRange, MultiplesOfTheStepAroundTheRange) {
  const double scale = std::pow(10.0, GetParam());
  for (const double lo : {0.0, -0.37, 0.91, 3.3})
    for (const double width : {0.013, 0.5, 1.0, 7.7, 42.0}) {
      const double a = lo * scale, b = (lo + width) * scale;
      for (const int max_ticks : {3, 6, 10}) {
        const Ticks t = nice_ticks(a, b, max_ticks);
        SCOPED_TRACE(std::to_string(a) + " .. " + std::to_string(b));
        // Covered up to the rounding of k * step.
        const double ulp = 1e-9 * t.step;
        EXPECT_LE(t.lo(), a + ulp);
        EXPECT_GE(t.hi(), b - ulp);
        EXPECT_GE(t.values.size(), 2u);
        EXPECT_LE(t.values.size(), static_cast<std::size_t>(2 * max_ticks + 1));
        for (const double v : t.values) {
          const double k = v / t.step;
          EXPECT_NEAR(k, std::round(k), 1e-9);
        }
        // The first tick lies within one step of lo: no empty step at the ends.
        EXPECT_GT(t.lo(), a - t.step);
        EXPECT_LT(t.hi(), b + t.step);
      }
    }
}

INSTANTIATE_TEST_SUITE_P(PowersOfTen, NiceTicksAnyRange, ::testing::Range(-3, 6),
                         rivan6_test::ReadableName());

struct TextCase {
  const char* name;
  std::string got, expected;
};
void PrintTo(const TextCase& c, std::ostream* os) {
  *os << c.name;
}

class Texts : public ::testing::TestWithParam<TextCase> {};

TEST_P(Texts, AreWritten) {
  EXPECT_EQ(GetParam().got, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, Texts,
    ::testing::Values(
        TextCase{"coordinate_keeps_two_decimals", num(1234.5678), "1234.57"},
        TextCase{"coordinate_drops_trailing_zeros", num(12.5), "12.5"},
        TextCase{"coordinate_whole", num(3.0), "3"},
        TextCase{"coordinate_tiny_negative_is_zero", num(-0.004), "0"},
        TextCase{"coordinate_sum_error_rounded", num(0.1 + 0.2), "0.3"},
        TextCase{"coordinate_not_finite", num(std::numeric_limits<double>::quiet_NaN()), "0"},
        TextCase{"tick_label_with_decimals", tick_label(0.2, 1), "0.2"},
        TextCase{"tick_label_negative_zero", tick_label(-1e-12, 1), "0.0"},
        TextCase{"trimmed_percent", trimmed(0.5, 2), "0.5"},
        TextCase{"trimmed_whole_percent", trimmed(20.0, 2), "20"},
        TextCase{"four_significant_digits", fmt(919.354), "919.4"},
        TextCase{"small_value_keeps_digits", fmt(0.012345), "0.0123"},
        TextCase{"large_value_whole", fmt(123456.7), "123457"},
        TextCase{"not_finite_in_a_table", fmt(std::numeric_limits<double>::infinity()), "n/a"},
        TextCase{"fixed_decimals", fixed(2.5, 3), "2.500"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Escaping, Texts,
                         ::testing::Values(TextCase{"markup_characters", escape("a<b & \"c\" 'd'>"),
                                                    "a&lt;b &amp; &quot;c&quot; &#39;d&#39;&gt;"},
                                           TextCase{"control_characters_dropped",
                                                    escape(std::string("a\x01"
                                                                       "b\x1f")),
                                                    "ab"},
                                           TextCase{"utf8_kept", escape("\u00b11.96/\u221an"),
                                                    "\u00b11.96/\u221an"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SvgWriter, PolylineBreaksAtPointsThatAreNotFinite) {
  Svg svg("t", 10, 10, "t", "d");
  const double nan = std::numeric_limits<double>::quiet_NaN();
  svg.polyline({0, 1, 2, 3, 4, 5}, {0, 1, nan, 3, 4, 5}, "stroke=\"#000000\"");
  const std::string s = svg.finish();
  EXPECT_NE(s.find("points=\"0,0 1,1\""), std::string::npos) << s;
  EXPECT_NE(s.find("points=\"3,3 4,4 5,5\""), std::string::npos) << s;
  EXPECT_EQ(testing::xml_error(s), "");
}

// The checker must reject what a broken writer would produce, or the
// well-formedness tests prove nothing.
struct BadXml {
  const char* name;
  const char* text;
};
void PrintTo(const BadXml& c, std::ostream* os) {
  *os << c.name;
}

class XmlChecker : public ::testing::TestWithParam<BadXml> {};

TEST_P(XmlChecker, RejectsMalformedText) {
  EXPECT_NE(testing::xml_error(GetParam().text), "");
}

INSTANTIATE_TEST_SUITE_P(Faults, XmlChecker,
                         ::testing::Values(BadXml{"unclosed_element", "<svg><g></svg>"},
                                           BadXml{"crossed_elements", "<a><b></a></b>"},
                                           BadXml{"stray_ampersand", "<p>salt & pepper</p>"},
                                           BadXml{"unknown_entity", "<p>&nbsp;</p>"},
                                           BadXml{"unquoted_attribute", "<rect x=1/>"},
                                           BadXml{"repeated_attribute", "<rect x=\"1\" x=\"2\"/>"},
                                           BadXml{"less_than_in_value", "<text a=\"<\"/>"},
                                           BadXml{"two_roots", "<a/><b/>"},
                                           BadXml{"text_outside_root", "<a/>tail"},
                                           BadXml{"nothing", ""},
                                           BadXml{"bare_less_than", "<p>1 < 2</p>"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XmlChecker, AcceptsAnHtmlDocument) {
  EXPECT_EQ(testing::xml_error("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>"
                               "</head><body><p>a &amp; b &#8211; &#x2013;</p><!-- c --></body>"
                               "</html>\n"),
            "");
}

}  // namespace
}  // namespace report
