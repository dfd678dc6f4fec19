#include "driver/reader.hpp"

#include <gtest/gtest.h>

#include <string>

#include "support/files.hpp"

namespace driver {
namespace {

namespace fs = std::filesystem;

// ---- what the dialogue makes of what is typed --------------------------------

struct Typed {
  const char* name;
  const char* typed;
  const char* expected;
};

void PrintTo(const Typed& c, std::ostream* os) {
  *os << '"' << c.typed << '"';
}

class DataDirectory : public ::testing::TestWithParam<Typed> {};

TEST_P(DataDirectory, GetsItsClosingSeparatorAndEndsAtABlank) {
  EXPECT_EQ(data_directory(GetParam().typed), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DataDirectory,
    ::testing::Values(
        Typed{"with_separator", "data/", "data/"}, Typed{"without_separator", "data", "data/"},
        Typed{"windows_separator", "C:\\DOZIZ\\DATA\\", "C:\\DOZIZ\\DATA\\"},
        Typed{"root", "/", "/"}, Typed{"empty", "", ""}, Typed{"cut_at_blank", "my data/", "my/"},
        Typed{"longer_than_the_field", "/a/folder/name/that/is/longer/than/fifty/columns/x",
              "/a/folder/name/that/is/longer/than/fifty/columns/x/"}),
    [](const ::testing::TestParamInfo<Typed>& info) { return std::string(info.param.name); });

class BaseName : public ::testing::TestWithParam<Typed> {};

TEST_P(BaseName, DropsLeadingBlanksAndTheSuffix) {
  EXPECT_EQ(base_name_entered(GetParam().typed), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, BaseName,
    ::testing::Values(Typed{"plain", "NILE", "NILE"}, Typed{"leading_blanks", "   NILE", "NILE"},
                      Typed{"suffix", "NILE.INC", "NILE"},
                      Typed{"lowercase_suffix", "nile.inc", "nile"},
                      Typed{"suffix_then_text", "NILE.INC  old", "NILE  old"},
                      Typed{"suffix_alone", ".INC", ""}, Typed{"dot_in_name", "A.B", "A.B"},
                      Typed{"blank", "   ", ""}),
    [](const ::testing::TestParamInfo<Typed>& info) { return std::string(info.param.name); });

TEST(BaseName, EndInAnyCaseAndPlainNames) {
  for (const char* end : {"END", "end", "End", "  END", "END   "}) EXPECT_TRUE(is_end(end)) << end;
  for (const char* other : {"ENDS", "", "E ND", "END.INC"}) EXPECT_FALSE(is_end(other)) << other;
  for (const char* plain : {"NILE", "A.B", "nile-2"}) EXPECT_TRUE(is_plain_name(plain)) << plain;
  for (const char* path : {"../NILE", "..", "sub/NILE", "/NILE", "C:\\NILE", "A..B"})
    EXPECT_FALSE(is_plain_name(path)) << path;
}

TEST(FindFlowFile, UppercaseFirstThenLowercase) {
  rivan6_test::TempDir tmp;
  const std::string dir = tmp.path().string();
  rivan6_test::write_file(tmp / "low.inc", "");
  rivan6_test::write_file(tmp / "BOTH.INC", "");
  rivan6_test::write_file(tmp / "BOTH.inc", "");
  EXPECT_EQ(find_flow_file(dir, "low"), dir + "/low.inc");
  EXPECT_EQ(find_flow_file(dir, "BOTH"), dir + "/BOTH.INC");
  EXPECT_EQ(find_flow_file(dir, "NONE"), dir + "/NONE.INC");
  EXPECT_EQ(find_flow_file("", "NONE"), "NONE.INC");
}

TEST(Names, StemAndFixedFields) {
  EXPECT_EQ(stem_of("NOOIT               "), "NOOIT");
  EXPECT_EQ(stem_of("NO OIT"), "NO");
  EXPECT_EQ(fixed_field("ABC", 5), "ABC  ");
  EXPECT_EQ(fixed_field("ABCDEFG", 5), "ABCDE");
}

}  // namespace
}  // namespace driver
