#include "flowfile/fields.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace flowfile {
namespace {

struct FieldCase {
  const char* name;
  double value;
  const char* field;
  friend void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }
};

class Field : public ::testing::TestWithParam<FieldCase> {};

TEST_P(Field, KeepsAsManyDecimalsAsSevenColumnsHold) {
  std::string f;
  int decimals = -1;
  ASSERT_TRUE(format_field(GetParam().value, f, decimals));
  EXPECT_EQ(f, GetParam().field);
}

INSTANTIATE_TEST_SUITE_P(Values, Field,
                         ::testing::Values(FieldCase{"Zero", 0.0, ".000000"},
                                           FieldCase{"BelowOne", 0.1234567, ".123457"},
                                           FieldCase{"RoundsUpToOne", 0.9999996, "1.00000"},
                                           FieldCase{"Units", 1.5, "1.50000"},
                                           FieldCase{"Tens", 12.3456, "12.3456"},
                                           FieldCase{"Hundreds", 143.696, "143.696"},
                                           FieldCase{"Thousands", 1234.5678, "1234.57"},
                                           FieldCase{"RoundsIntoTenThousands", 9999.996, "10000.0"},
                                           FieldCase{"TenThousands", 98765.43, "98765.4"},
                                           FieldCase{"HundredThousands", 123456.7, " 123457"},
                                           FieldCase{"Millions", 1234567.4, "1234567"},
                                           FieldCase{"Largest", 9999999.4, "9999999"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Field, TooLargeForSevenColumnsIsRefused) {
  std::string f;
  int d = 0;
  EXPECT_FALSE(format_field(9999999.5, f, d));
  EXPECT_FALSE(format_field(1e300, f, d));
  EXPECT_FALSE(format_field(-1.0, f, d));
  EXPECT_FALSE(format_field(INFINITY, f, d));
}

TEST(Field, ReaderGetsBackTheValueToHalfAUnitOfTheLastDecimal) {
  // Values over the whole range, read back as the program reads a field.
  for (double v = 1e-4; v < 9.9e6; v *= 1.0137) {
    std::string f;
    int d = -1;
    ASSERT_TRUE(format_field(v, f, d)) << v;
    ASSERT_EQ(f.size(), 7u);
    double back = -1.0;
    ASSERT_TRUE(read_real_field(f, back)) << f;
    // A record kept in memory holds what its text would read back as, and
    // writes the same text again.
    EXPECT_EQ(field_value(f), back) << f;
    std::string again;
    int d_again = -1;
    ASSERT_TRUE(format_field(back, again, d_again));
    EXPECT_EQ(again, f) << v;
    EXPECT_LE(std::fabs(back - v), 0.5 * std::pow(10.0, -d) * (1 + 1e-9)) << v << " as " << f;
    // No decimal is given away: one more would not fit.
    if (d > 0 && d < 6) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.*f", d + 1, v);
      std::string s = buf;
      if (s.rfind("0.", 0) == 0) s.erase(0, 1);
      EXPECT_GT(s.size(), 7u) << v << " as " << f;
    }
  }
}

}  // namespace
}  // namespace flowfile
