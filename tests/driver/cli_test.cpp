#include "driver/cli.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "driver/cli_run.hpp"
#include "support/files.hpp"

namespace driver {
namespace {

using testing::Outcome;
using testing::run_rivan6;

using Action = CommandLine::Action;

struct ParseCase {
  const char* what;
  std::vector<std::string> args;  // after the program's name
  Action action;
  int jobs;  // expected -j (0: the default)
  bool quiet;
  std::vector<std::string> names;
  const char* error;  // part of the message of a usage error
};

void PrintTo(const ParseCase& c, std::ostream* os) {
  *os << c.what;
}

class Parse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Parse, OptionsAsAUnixToolTakesThem) {
  const ParseCase& c = GetParam();
  std::vector<const char*> argv{"rivan6"};
  for (const std::string& a : c.args) argv.push_back(a.c_str());
  const CommandLine cl = parse_command_line(static_cast<int>(argv.size()), argv.data());
  EXPECT_EQ(cl.action, c.action) << cl.error;
  if (c.action == Action::usage_error) {
    EXPECT_NE(cl.error.find(c.error), std::string::npos) << cl.error;
    return;
  }
  if (c.jobs > 0) {
    EXPECT_EQ(cl.options.jobs, c.jobs);
  }
  EXPECT_EQ(cl.options.quiet, c.quiet);
  EXPECT_EQ(cl.names, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, Parse,
    ::testing::Values(
        ParseCase{"no argument", {}, Action::dialogue, 0, false, {}, ""},
        ParseCase{"jobs glued", {"-j2", "G"}, Action::batch, 2, false, {"G"}, ""},
        ParseCase{"jobs apart", {"-j", "3", "G"}, Action::batch, 3, false, {"G"}, ""},
        ParseCase{"jobs long with equals", {"--jobs=4", "G"}, Action::batch, 4, false, {"G"}, ""},
        ParseCase{"jobs long apart", {"--jobs", "5", "G"}, Action::batch, 5, false, {"G"}, ""},
        ParseCase{"bundled flags", {"-qj2", "G"}, Action::batch, 2, true, {"G"}, ""},
        ParseCase{"long abbreviated", {"--qu", "--jo=6", "G"}, Action::batch, 6, true, {"G"}, ""},
        ParseCase{"options after names", {"A", "-q", "B"}, Action::batch, 0, true, {"A", "B"}, ""},
        ParseCase{"double dash before names",
                  {"-q", "--", "-A", "--", "B"},
                  Action::batch,
                  0,
                  true,
                  {"-A", "--", "B"},
                  ""},
        ParseCase{
            "directories", {"-d", "in", "--out-dir=out", "G"}, Action::batch, 0, false, {"G"}, ""},
        ParseCase{"help wins", {"-q", "--help", "G"}, Action::help, 0, true, {}, ""},
        ParseCase{"short help", {"-h"}, Action::help, 0, false, {}, ""},
        ParseCase{"version", {"--version"}, Action::version, 0, false, {}, ""},
        ParseCase{"short version", {"-V"}, Action::version, 0, false, {}, ""},
        ParseCase{"options without a gauge",
                  {"-q", "-j2"},
                  Action::usage_error,
                  0,
                  false,
                  {},
                  "no gauge named"},
        ParseCase{"double dash alone", {"--"}, Action::usage_error, 0, false, {}, "no gauge named"},
        ParseCase{"unknown short option",
                  {"-x", "G"},
                  Action::usage_error,
                  0,
                  false,
                  {},
                  "unknown option -x"},
        ParseCase{"unknown option in a bundle",
                  {"-qx", "G"},
                  Action::usage_error,
                  0,
                  false,
                  {},
                  "unknown option -x"},
        ParseCase{"unknown long option",
                  {"--frobnicate", "G"},
                  Action::usage_error,
                  0,
                  false,
                  {},
                  "unknown option --frobnicate"},
        ParseCase{"value to a flag",
                  {"--quiet=yes", "G"},
                  Action::usage_error,
                  0,
                  false,
                  {},
                  "-q/--quiet takes no value"},
        ParseCase{"missing value",
                  {"G", "-j"},
                  Action::usage_error,
                  0,
                  false,
                  {},
                  "-j/--jobs needs a value"},
        ParseCase{"missing long value",
                  {"G", "--out-dir"},
                  Action::usage_error,
                  0,
                  false,
                  {},
                  "-o/--out-dir needs a value"},
        ParseCase{"jobs zero", {"-j0", "G"}, Action::usage_error, 0, false, {}, "1 to 256"},
        ParseCase{
            "jobs too many", {"-j", "257", "G"}, Action::usage_error, 0, false, {}, "1 to 256"},
        ParseCase{"jobs not a number",
                  {"--jobs=two", "G"},
                  Action::usage_error,
                  0,
                  false,
                  {},
                  "not 'two'"},
        ParseCase{"jobs with a tail", {"-j2x", "G"}, Action::usage_error, 0, false, {}, "not '2x'"},
        ParseCase{"empty output directory",
                  {"-o", "", "G"},
                  Action::usage_error,
                  0,
                  false,
                  {},
                  "-o/--out-dir needs a directory"},
        ParseCase{"dialogue with analysis options",
                  {"--dialogue", "--bootstrap=0", "-o", "x", "--html"},
                  Action::dialogue,
                  0,
                  false,
                  {},
                  ""},
        ParseCase{"dialogue with a gauge",
                  {"--dialogue", "G"},
                  Action::usage_error,
                  0,
                  false,
                  {},
                  "name none"},
        ParseCase{"dialogue with a batch option",
                  {"--dia", "-j2"},
                  Action::usage_error,
                  0,
                  false,
                  {},
                  "-j/--jobs has no meaning in the dialogue"}),
    [](const ::testing::TestParamInfo<ParseCase>& info) {
      std::string n = info.param.what;
      for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST(Cli, ParsingTwiceInOneProcessStartsAfresh) {
  const char* first[] = {"rivan6", "-q", "A", "B"};
  const char* second[] = {"rivan6", "C"};
  EXPECT_EQ(parse_command_line(4, first).names, (std::vector<std::string>{"A", "B"}));
  const CommandLine again = parse_command_line(2, second);
  EXPECT_EQ(again.names, std::vector<std::string>{"C"});
  EXPECT_FALSE(again.options.quiet);
}

TEST(Cli, UsageErrorsExitTwoWithAHintAndNeverStartTheDialogue) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-q"}, {"-j", "0", "G"}, {"--frobnicate"}, {"-o", "x"}}) {
    const Outcome o = run_rivan6(args, "examples/\nN\nNILE\nN\n");
    EXPECT_EQ(o.status, 2) << args[0];
    EXPECT_EQ(o.out, "") << "the dialogue ran for " << args[0];
    EXPECT_EQ(o.err.rfind("rivan6: ", 0), 0u) << o.err;
    EXPECT_NE(o.err.find("\nTry 'rivan6 --help'.\n"), std::string::npos) << o.err;
  }
}

TEST(Cli, HelpAndVersionGoToStandardOutput) {
  const Outcome help = run_rivan6({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, usage_text());
  EXPECT_EQ(help.out.rfind("Usage: rivan6", 0), 0u);
  EXPECT_EQ(help.err, "");
  const Outcome version = run_rivan6({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("rivan6 ") + RIVAN6_VERSION + "\n");
}

// ---- the manual page ------------------------------------------------------------

// The options a help text names: "-x" and "--long-name" words.
std::set<std::string> options_in(const std::string& text) {
  std::set<std::string> found;
  const std::regex option(R"((^|[\s\[,(])(--?[A-Za-z][-A-Za-z0-9]*))");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it)
    found.insert((*it)[2]);
  return found;
}

// The manual page as its reader sees the words: roff's "\-" is a '-', and
// font changes ("\fB", "\fR", ...) show nothing.
std::string manual_words() {
  std::string page = rivan6_test::read_file(std::string(RIVAN6_SOURCE_DIR) + "/docs/rivan6.1");
  std::string words;
  for (std::size_t i = 0; i < page.size(); ++i) {
    if (page[i] == '\\' && i + 1 < page.size() && page[i + 1] == '-') {
      words += '-';
      ++i;
    } else if (page[i] == '\\' && i + 2 < page.size() && page[i + 1] == 'f') {
      i += 2;
    } else {
      words += page[i];
    }
  }
  return words;
}

// The help texts whose options the manual page documents; a subcommand's
// help text joins this list with its name.
std::vector<std::pair<std::string, std::string>> help_texts() {
  return {{"rivan6", run_rivan6({"--help"}).out},
          {"rivan6 generate", run_rivan6({"generate", "--help"}).out},
          {"rivan6 import", run_rivan6({"import", "--help"}).out}};
}

TEST(ManualPage, DocumentsEveryOptionOfEveryHelpText) {
  const std::string manual = manual_words();
  ASSERT_FALSE(manual.empty()) << "docs/rivan6.1 is missing";
  for (const auto& [command, help] : help_texts()) {
    const std::set<std::string> options = options_in(help);
    EXPECT_GE(options.size(), 10u) << command << " help names too few options:\n" << help;
    for (const std::string& o : options)
      EXPECT_TRUE(
          std::regex_search(manual, std::regex("(^|[^-A-Za-z0-9])" + o + "([^-A-Za-z0-9]|$)")))
          << command << ": the manual page does not mention " << o;
  }
}

TEST(ManualPage, HelpNamesEveryOptionTheParserAccepts) {
  const std::set<std::string> in_help = options_in(usage_text());
  for (const std::string& o : accepted_options())
    EXPECT_TRUE(in_help.count(o)) << o << " is accepted but not in --help";
}

TEST(ManualPage, CoversTheDialogueFilesAndExitStatus) {
  const std::string manual = manual_words();
  for (const char* section : {".SH SYNOPSIS", ".SH DESCRIPTION", ".SH OPTIONS", ".SH FILES",
                              ".SH \"EXIT STATUS\"", ".SH \"SEE ALSO\""})
    EXPECT_NE(manual.find(section), std::string::npos) << section;
  for (const char* word : {"NAME.ANS", "NAME.COR", "NAME.YER", "NAME.LOG", "NAME.INC",
                           "REPEAT THE ANALYSIS", "guide.md"})
    EXPECT_NE(manual.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace driver
