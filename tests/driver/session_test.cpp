#include "driver/session.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/console.hpp"
#include "support/files.hpp"

namespace driver {
namespace {

namespace fs = std::filesystem;

using rivan6_test::flow_file;
using rivan6_test::read_file;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) v.push_back(line);
  return v;
}

std::string pad(std::string s, std::size_t w) {
  s.resize(w, ' ');
  return s;
}

// A session in a directory of its own: data files in dir/, outputs in out/.
class Session : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "dir");
    fs::create_directories(root_ / "out");
  }

  void put(const std::string& name, const std::string& text) {
    std::ofstream(root_ / "dir" / name, std::ios::binary) << text;
  }
  std::string dir() const { return (root_ / "dir").string() + "/"; }
  fs::path out(const std::string& name) const { return root_ / "out" / name; }

  // Runs the dialogue on the given answers; returns the screen.
  std::string run(const std::string& answers, int* status = nullptr, SessionOptions options = {}) {
    std::istringstream in(answers);
    std::ostringstream screen;
    Console console(in, screen);
    options.out_dir = (root_ / "out").string();
    const int s = run_session(console, options);
    if (status) *status = s;
    return screen.str();
  }

  rivan6_test::TempDir tmp_;
  const fs::path& root_ = tmp_.path();
};

// Skewed positive flows, deterministic, no serial pattern to speak of.
std::vector<double> skewed_flows(int n) {
  std::vector<double> v;
  unsigned x = 12345;
  for (int i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    const double u = ((x >> 8) % 10000) / 10000.0;
    v.push_back(std::round(100.0 * std::exp(1.5 * u)) * 12.0 / 100.0 * 10.0);
  }
  return v;
}

TEST_F(Session, BannerPromptsAndCheckLinesAreExact) {
  put("G1.INC", flow_file(1951, skewed_flows(40)));
  int status = -1;
  const std::string screen = run(dir() + "\nN\nG1\nN\n", &status);
  EXPECT_EQ(status, 0);
  const std::string d50 = pad(dir(), 50);
  const std::string expected_start =
      "  ******************************************************\n"
      "  *                                                    *\n"
      "  *        M Q T   ROZER RESOURCES UTILITIES           *\n"
      "  *                                                    *\n"
      "  *                  R I V A N 6                       *\n"
      "  *                                                    *\n"
      "  *                 AS ON 08-05-98                     *\n"
      "  *                                                    *\n"
      "  ******************************************************\n"
      " ENTER THE BASE DIRECTORY WHERE DATA ARE STORED ? \n"
      " eg. /u/ROZER/QDLT/DOZIZ/ORANGE/ OR C:\\DOZIZ\\DATA\\\n"
      "  ?   \n"
      "\n"
      "  DO YOU WANT TO PAUSE AFTER EACH SCREEN PLOT OF\n"
      "  MARGINAL DISTRIBUTION FIT OF THE FLOWS?\n"
      "\n"
      "  IF YOU DO, ENTER Y/y, IF NOT ENTER N/n\n"
      "   ?  \n"
      "  DIR = " +
      d50 + "\n" +
      " ENTER THE BASE NAME OF DATA FILE( E.G. NOOIT )  \n"
      "    ?   \n";
  ASSERT_GE(screen.size(), expected_start.size());
  EXPECT_EQ(screen.substr(0, expected_start.size()), expected_start);
  char ldk[16];
  std::snprintf(ldk, sizeof ldk, "%3d%3d", static_cast<int>(dir().size()), 2);
  const std::string check =
      std::string(" ") + ldk + d50 + "*\n" + " " + pad("G1", 20) + "*\n" + " G1*\n" + " INC*\n";
  EXPECT_NE(screen.find(check), std::string::npos) << screen.substr(0, 2000);
  EXPECT_NE(screen.find(" REPEAT THE ANALYSIS FOR ANOTHER FILE (Y/N) - \n"), std::string::npos);
  EXPECT_TRUE(fs::exists(out("G1.ANS")));
  EXPECT_TRUE(fs::exists(out("G1.COR")));
  EXPECT_TRUE(fs::exists(out("G1.YER")));
}

TEST_F(Session, AnswerFileRecordsOfAGaugeWithoutZeroFlows) {
  const std::vector<double> flows = skewed_flows(40);
  put("G2.INC", flow_file(1951, flows));
  run(dir() + "\nN\nG2\nN\n");
  const std::string ans = read_file(out("G2.ANS"));
  const std::vector<std::string> L = lines_of(ans);
  ASSERT_GT(L.size(), 100u);
  // Header: an empty line, then a new page with the gauge line, then an empty line.
  EXPECT_EQ(L[0], "");
  EXPECT_EQ(L[1], "\f" + pad("G2", 20) + "      COMMENCING IN YEAR 1951 AND OF LENGTH 40");
  EXPECT_EQ(L[2], "");
  // Ranked-flow heading and 40 rows of four F10.3 fields.
  std::size_t h = 0;
  while (h < L.size() && L[h] != "  THE RANKED FLOWS FOR PLOTTING - ") ++h;
  ASSERT_LT(h + 4 + 40, L.size());
  EXPECT_EQ(L[h - 1], "");
  EXPECT_EQ(L[h - 2], "");
  EXPECT_EQ(L[h + 1], "");
  EXPECT_EQ(L[h + 2], "  ABCISSA   NATURAL   NORMALIZED STANDARD");
  EXPECT_EQ(L[h + 3], "");
  std::vector<double> sorted = flows;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < 40; ++i) {
    const std::string& row = L[h + 4 + i];
    // Four F10.3 fields, the first column taken by carriage control.
    ASSERT_EQ(row.size(), 39u) << row;
    char p[16];
    std::snprintf(p, sizeof p, "%10.3f", (i + 1) / 41.0);
    EXPECT_EQ(row.substr(0, 9), p + 1) << row;
    EXPECT_NEAR(std::stod(row.substr(9, 10)), sorted[i], 0.0015) << row;
  }
  // Moments and limits, on a new page.
  const std::size_t m = h + 4 + 40;
  EXPECT_EQ(L[m], "\f MEAN, STANDARD DEVIATION, SKEWNESS & EXCESS OF");
  EXPECT_EQ(L[m + 1].substr(0, 23), "NON-ZERO FLOWS     :   ");
  EXPECT_EQ(L[m + 1].size(), 63u);
  EXPECT_EQ(L[m + 2].substr(0, 23), "& NORMALIZED FLOWS :   ");
  EXPECT_EQ(L[m + 3], "");
  char limits[128];
  std::snprintf(limits, sizeof limits, "THE 95%% C.L. FOR SKEW & EXCESS ARE:   %10.3f%10.3f",
                1.96 * std::sqrt(6.0 / 40), 1.96 * std::sqrt(24.0 / 40));
  EXPECT_EQ(L[m + 4], limits);
  EXPECT_EQ(L[m + 5], "");
  EXPECT_EQ(L[m + 6], "");
  EXPECT_EQ(L[m + 7], "THE CHI-SQUARE STATISTIC FOR THE NORMAL FIT TO :");
  EXPECT_EQ(L[m + 8], "THE FLOWS IS:");
  // 40 values: 6 classes, 3 degrees of freedom for the flows, 2 for the normalised ones.
  EXPECT_EQ(L[m + 9].substr(10), " WITH   3 DEGREES OF FREEDOM");
  EXPECT_EQ(L[m + 10], "");
  EXPECT_EQ(L[m + 11].substr(0, 45), "THE EXCEEDENCE PROBABILITY OF THIS VALUE IS: ");
  EXPECT_EQ(L[m + 11].size(), 52u);
  EXPECT_EQ(L[m + 12], "");
  EXPECT_EQ(L[m + 13], "AND TO THE NORMALIZED FLOWS IS:");
  EXPECT_EQ(L[m + 14].substr(10), " WITH   2 DEGREES OF FREEDOM");
  // The correlogram section: n = 40 gives L = 13 and c = 0.310.
  const std::size_t c0 = m + 18;
  EXPECT_EQ(L[c0], "\f");
  EXPECT_EQ(L[c0 + 1], "THE CORRELOGRAM AND PARTIAL CORRELOGRAM FOR THE  NORMALIZED SERIES FROM " +
                           std::string(5, ' ') + pad("G2", 20));
  EXPECT_EQ(L[c0 + 2], "WITH CONFIDENCE INTERVAL +/-0.310");
  EXPECT_EQ(L[c0 + 3], "");
  EXPECT_EQ(L[c0 + 4], "");
  EXPECT_EQ(L[c0 + 5],
            "THE CORRELATION AND PARTIAL CORRELATION FUNCTION  FOR THE NORMALIZED FLOWS");
  EXPECT_EQ(L[c0 + 6], "WITH CONFIDENCE INTERVAL +/-0.310");
  EXPECT_EQ(L[c0 + 7], "");
  for (int k = 1; k <= 13; ++k) {
    char lag[8];
    std::snprintf(lag, sizeof lag, "%4d", k);
    EXPECT_EQ(L[c0 + 7 + k].substr(0, 3), lag + 1);
    EXPECT_EQ(L[c0 + 7 + k].size(), 23u);
  }
  EXPECT_EQ(L[c0 + 21], "");
  EXPECT_EQ(L[c0 + 22], "THE SEQUENCE IS OF LENGTH 40 WITH A CORRELOGRAM OF LENGTH 13");
  EXPECT_EQ(L[c0 + 23].substr(0, 9), "IT HAS 13");
  EXPECT_EQ(L[c0 + 24].substr(0, 58), "THE EXCEEDENCE PROBABILITY OF THIS CHI-SQUARE STATISTIC IS");
  EXPECT_EQ(L[c0 + 25], "");
  EXPECT_EQ(L[c0 + 26], "");
  EXPECT_EQ(L[c0 + 27], "");
  EXPECT_EQ(L[c0 + 28], "HERE FOLLOWS A SUMMARY OF THE OPTIMIZATION OUTPUT:");

  // Later sections.
  EXPECT_NE(ans.find("\nARMA22 STATISTICS FOR THE NORMALISED FLOWS ARE:\nPHI AND THETA :- "),
            std::string::npos);
  EXPECT_NE(ans.find("\f\nTHE CORRELOGRAM AND PARTIAL CORRELOGRAM FOR THE  RESIDUALS FROM " +
                     std::string(5, ' ') + pad("G2", 20) + "\nWITH CONFIDENCE INTERVAL +/-0.310\n"),
            std::string::npos);
  EXPECT_NE(ans.find("\n1 LEVEL CROSSING PROPERTIES FOR " + pad("G2", 20) + "\n\n\f\n"),
            std::string::npos);

  // Correlogram file: c, p, q, then one row per lag.
  const std::vector<std::string> C = lines_of(read_file(out("G2.COR")));
  ASSERT_EQ(C.size(), 14u);
  EXPECT_EQ(C[0].substr(0, 8), "   0.310");
  EXPECT_EQ(C[0].size(), 18u);
  EXPECT_EQ(C[13].substr(0, 4), "  13");

  // Year file: name; N and the first year; the decade table 1901-2000.
  const std::vector<std::string> Y = lines_of(read_file(out("G2.YER")));
  ASSERT_EQ(Y.size(), 4u + 10u + 1u);
  EXPECT_EQ(Y[0], pad("G2", 20));
  EXPECT_EQ(Y[1].substr(0, 10), "   40 1951");
  EXPECT_EQ(Y[1].size(), 82u);
  EXPECT_EQ(Y[2].size(), 83u);
  EXPECT_EQ(Y[3].size(), 88u);  // 7F12.5 I4, the last F12.5 has no item
  std::string zeros;
  for (int j = 0; j < 10; ++j) zeros += "      0.00";
  EXPECT_EQ(Y[4], zeros);  // 1901-1910
  char y1951[16];
  std::snprintf(y1951, sizeof y1951, "%10.2f", flows[0]);
  EXPECT_EQ(Y[9].substr(0, 10), y1951);  // 1951 is the first slot of the sixth decade
  EXPECT_EQ(Y[14].size(), 48u);
}

TEST_F(Session, GaugeWithZeroFlowsHasTheBoxAndNoCorrelation) {
  std::vector<double> flows = skewed_flows(30);
  flows[3] = 0.0;
  flows[17] = 0.0;
  put("Z.INC", flow_file(1961, flows));
  run(dir() + "\nN\nZ\nN\n");
  const std::string ans = read_file(out("Z.ANS"));
  const std::string star = std::string(8, ' ') + std::string(58, '*');
  const std::string box =
      std::string("\n") + pad("Z", 20).insert(0, "\f") +
      "      COMMENCING IN YEAR 1961 AND OF LENGTH 28\n\n" + star + "\n" + std::string(8, ' ') +
      "               THIS GAUGE HAS  2 ZERO FLOWS.\n" + std::string(8, ' ') +
      "     THE STATISTICS IN THIS ANSWER FILE APPLY ONLY TO THE\n" + std::string(8, ' ') +
      "    POSITIVE FLOWS AND NOT TO THE ZERO FLOWS UNLESS STATED.\n" + std::string(8, ' ') +
      "        THERE IS NO CORRELATION NOR CROSSING ANALYSIS.\n" + star + "\n\n";
  EXPECT_EQ(ans.substr(0, box.size()), box);
  EXPECT_FALSE(fs::exists(out("Z.COR")));
  EXPECT_EQ(ans.find("CORRELOGRAM"), std::string::npos);
  // The file ends with the probability record of the normalised flows.
  const std::vector<std::string> L = lines_of(ans);
  ASSERT_GE(L.size(), 2u);
  EXPECT_EQ(L[L.size() - 1], "");
  EXPECT_EQ(L[L.size() - 2].substr(0, 45), "THE EXCEEDENCE PROBABILITY OF THIS VALUE IS: ");
  // Year file: phi and theta 0, the zero fraction and nz.
  const std::vector<std::string> Y = lines_of(read_file(out("Z.YER")));
  ASSERT_GE(Y.size(), 4u);
  EXPECT_EQ(Y[3].substr(24), "     0.00000     0.00000     0.00000     0.00000     0.06667   2");
}

// After a gauge's files are written: the chosen models, the files written,
// an older correlogram file that no longer belongs to the gauge removed (and
// said so), then the findings; the dialogue's own lines come before them.
TEST_F(Session, AfterTheFilesTheModelsTheFilesAndTheFindings) {
  std::vector<double> flows = skewed_flows(30);
  put("G.INC", flow_file(1961, flows));
  const std::string first = run(dir() + "\nN\nG\n\nN\n");
  const std::string o = (root_ / "out").string() + "/G";
  const std::string files =
      " FILES WRITTEN: " + o + ".ANS " + o + ".COR " + o + ".YER " + o + ".json\n";
  const std::size_t at = first.find("\n G: TRANSFORM ");
  ASSERT_NE(at, std::string::npos) << first;
  EXPECT_NE(first.find(", ARMA(", at), std::string::npos);
  EXPECT_EQ(first.find(files, at), first.find('\n', at + 1) + 1) << first;
  EXPECT_LT(at, first.find(" Findings for G: 30 years from 1961"));
  EXPECT_LT(first.find(" Findings for G"), first.rfind(" REPEAT THE ANALYSIS"));
  ASSERT_TRUE(fs::exists(out("G.COR")));

  flows[5] = 0.0;  // now with a zero flow: no correlogram belongs to it
  put("G.INC", flow_file(1961, flows));
  const std::string second = run(dir() + "\nN\nG\nN\n");
  EXPECT_NE(second.find("\n G: TRANSFORM LN2, NO ARMA MODEL (ZERO FLOWS)\n"), std::string::npos)
      << second;
  EXPECT_NE(second.find("\n THE OLDER " + o + ".COR WAS REMOVED"), std::string::npos) << second;
  EXPECT_FALSE(fs::exists(out("G.COR")));

  // The options of the command line reach the analysis and the files.
  SessionOptions options;
  options.analysis.findings.bootstrap = 0;
  options.html = true;
  run(dir() + "\nN\nG\nN\n", nullptr, options);
  EXPECT_NE(rivan6_test::read_file(out("G.json")).find("\"samples\": 0"), std::string::npos);
  EXPECT_TRUE(fs::exists(out("G.html")));
}

TEST_F(Session, PauseAfterThePlotsOnlyWhenAskedFor) {
  put("P.INC", flow_file(1951, skewed_flows(20)));
  const std::string pause = " PRESS ENTER TO CONTINUE ";
  const std::string with = run(dir() + "\ny\nP\n\n\n\n\nN\n");
  ASSERT_NE(with.find(pause), std::string::npos);
  // The pause comes after both plots and before the correlogram plot.
  EXPECT_LT(with.rfind("EXCEEDANCE PROBABILITY (%)"), with.find(pause));
  EXPECT_LT(with.find(pause), with.find("+ IS S.C.C. & * IS P.S.C.C."));
  EXPECT_EQ(run(dir() + "\nN\nP\n\n\n\n\nN\n").find(pause), std::string::npos);
}

TEST_F(Session, BaseNameWithoutABlankInItsTwentyColumnsIsAskedAgain) {
  put("OK.INC", flow_file(1951, skewed_flows(20)));
  const std::string screen = run(dir() + "\nN\nABCDEFGHIJKLMNOPQRSTUV\nOK\n\n\nN\n");
  EXPECT_NE(screen.find("  A BASE NAME HAS AT MOST 19 CHARACTERS - TRY AGAIN !\n"),
            std::string::npos);
  // The gauge's files and nothing else (no temporary file left behind).
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(root_ / "out")) names.insert(e.path().filename());
  EXPECT_EQ(names, (std::set<std::string>{"OK.ANS", "OK.COR", "OK.YER", "OK.json"}));
}

TEST_F(Session, EndStopsBeforeAnyFileIsOpened) {
  int status = -1;
  const std::string screen = run(dir() + "\nN\nEND\n", &status);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(fs::is_empty(root_ / "out"));
  EXPECT_EQ(screen.find("REPEAT"), std::string::npos);
}

TEST_F(Session, RepeatPromptAsksAgainUntilYesOrNo) {
  put("A.INC", flow_file(1951, skewed_flows(20)));
  put("B.INC", flow_file(1951, skewed_flows(25)));
  const std::string screen = run(dir() + "\nN\nA\n\nmaybe\nY\nB\n\nx\nn\nnever read\n");
  auto count = [&screen](const std::string& what) {
    std::size_t c = 0;
    for (std::size_t p = screen.find(what); p != std::string::npos; p = screen.find(what, p + 1))
      ++c;
    return c;
  };
  // Six lines answer the pauses of the analyses (how many depends on the
  // data) and the repeat prompts: "", "maybe" and "x" ask again, "Y" goes on,
  // "n" stops before the last line is read.
  EXPECT_EQ(count(" REPEAT THE ANALYSIS") + count("Press enter to continue"), 6u) << screen;
  EXPECT_GE(count(" REPEAT THE ANALYSIS"), 3u);
  EXPECT_EQ(count(" ENTER THE BASE NAME"), 2u);
  EXPECT_TRUE(fs::exists(out("A.ANS")));
  EXPECT_TRUE(fs::exists(out("B.ANS")));
}

TEST_F(Session, MissingAndRefusedFilesAskForAnotherName) {
  put("GAP.INC", flow_file(1951, skewed_flows(5)) + flow_file(1960, skewed_flows(5)));
  put("EMPTY.INC", "");
  put("OK.INC", flow_file(1951, skewed_flows(20)));
  const std::string screen = run(dir() + "\nN\nNOPE\nGAP\nEMPTY\nOK\nN\n");
  const std::string missing = "  CANNOT FIND THE FILE YOU KEYED IN - TRY ONCE MORE\n" +
                              pad(dir() + "NOPE.INC", 60) + "\n TRY AGAIN !\n";
  EXPECT_NE(screen.find(missing), std::string::npos) << screen;
  EXPECT_NE(screen.find("  THE YEARS OF " + dir() +
                        "GAP.INC ARE NOT CONSECUTIVE: RECORD 6 HAS THE YEAR 1960 AFTER 1955\n"),
            std::string::npos);
  EXPECT_NE(screen.find("  " + dir() + "EMPTY.INC HOLDS NO RECORD OF FLOWS\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(out("GAP.ANS")));
  EXPECT_FALSE(fs::exists(out("EMPTY.ANS")));
  EXPECT_TRUE(fs::exists(out("OK.ANS")));
}

TEST_F(Session, EndOfInputAtAnyPromptStopsCleanly) {
  put("OK.INC", flow_file(1951, skewed_flows(20)));
  for (const std::string& answers : {std::string(""), dir(), dir() + "\nN\n", dir() + "\nY\nOK\n",
                                     dir() + "\nN\nOK\n", dir() + "\nN\nOK\nmaybe\n"}) {
    int status = -1;
    run(answers, &status);
    EXPECT_EQ(status, 0) << answers;
  }
  // The gauge in hand was finished and its files closed.
  EXPECT_TRUE(fs::exists(out("OK.YER")));
  EXPECT_FALSE(read_file(out("OK.ANS")).empty());
}

TEST_F(Session, UnwritableOutputSkipsTheGaugeAndGoesOn) {
  put("OK.INC", flow_file(1951, skewed_flows(20)));
  fs::remove_all(root_ / "out");  // the output directory no longer exists
  const std::string screen = run(dir() + "\nN\nOK\nN\n");
  // The message names the file and the system's reason; no file is left.
  const std::size_t at = screen.find("\n THE FILES OF OK COULD NOT BE WRITTEN: cannot create ");
  ASSERT_NE(at, std::string::npos) << screen;
  EXPECT_NE(screen.find("OK.ANS: No such file or directory\n", at), std::string::npos);
  EXPECT_LT(at, screen.find(" REPEAT THE ANALYSIS"));
  EXPECT_FALSE(fs::exists(root_ / "out"));
}

}  // namespace
}  // namespace driver

namespace driver {
namespace {

TEST_F(Session, DirectoryWithoutItsClosingSeparatorGetsOne) {
  put("G.INC", flow_file(1951, skewed_flows(20)));
  std::string typed = dir();
  typed.pop_back();
  const std::string screen = run(typed + "\nN\nG\n\n\nN\n");
  EXPECT_NE(screen.find("  DIR = " + pad(dir(), 50) + "\n"), std::string::npos) << screen;
  EXPECT_TRUE(fs::exists(out("G.ANS")));
}

TEST_F(Session, DirectoryLongerThanItsFieldStillWorks) {
  const fs::path deep = root_ / "dir" / "a-folder-whose-name-takes-the-path-past-fifty-columns";
  fs::create_directories(deep);
  rivan6_test::write_file(deep / "G.INC", flow_file(1951, skewed_flows(20)));
  const std::string typed = deep.string() + "/";
  ASSERT_GT(typed.size(), 50u);
  const std::string screen = run(typed + "\nN\nG\n\n\nN\n");
  // The screen shows the first 50 columns; ld is -1, as there is no blank in them.
  EXPECT_NE(screen.find("  DIR = " + typed.substr(0, 50) + "\n"), std::string::npos) << screen;
  EXPECT_NE(screen.find("\n  -1  1" + typed.substr(0, 50) + "*\n"), std::string::npos) << screen;
  EXPECT_TRUE(fs::exists(out("G.ANS")));
  EXPECT_EQ(screen.find("CANNOT FIND"), std::string::npos);
}

struct TypedName {
  const char* what;
  const char* file;   // the flow file in the data directory
  const char* typed;  // the answer to the base-name prompt
  const char* stem;   // the output files written ("" for none: the session ended)
};

void PrintTo(const TypedName& c, std::ostream* os) {
  *os << c.what;
}

class BaseNames : public Session, public ::testing::WithParamInterface<TypedName> {};

TEST_P(BaseNames, FindTheFileAndNameTheOutput) {
  const TypedName& c = GetParam();
  put(c.file, flow_file(1951, skewed_flows(20)));
  int status = -1;
  const std::string screen = run(dir() + "\nN\n" + c.typed + "\n\n\nN\n", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(screen.find("TRY AGAIN"), std::string::npos) << screen;
  if (*c.stem) {
    EXPECT_TRUE(fs::exists(out(std::string(c.stem) + ".ANS"))) << screen;
    EXPECT_NE(read_file(out(std::string(c.stem) + ".ANS")).find("\f" + pad(c.stem, 20) + "      "),
              std::string::npos);
    // NAME.ANS, .COR, .YER and .json.
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "out"), fs::directory_iterator{}), 4);
  } else {
    EXPECT_TRUE(fs::is_empty(root_ / "out"));
    EXPECT_EQ(screen.find("REPEAT"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, BaseNames,
    ::testing::Values(TypedName{"plain", "G.INC", "G", "G"},
                      TypedName{"with_its_suffix", "G.INC", "G.INC", "G"},
                      TypedName{"with_a_lowercase_suffix", "G.INC", "G.inc", "G"},
                      TypedName{"leading_blanks", "G.INC", "   G", "G"},
                      TypedName{"lowercase_file", "nile.inc", "nile", "nile"},
                      TypedName{"lowercase_end", "G.INC", "end", ""},
                      TypedName{"end_with_blanks", "G.INC", "  End  ", ""}),
    [](const ::testing::TestParamInfo<TypedName>& info) { return std::string(info.param.what); });

TEST_F(Session, BaseNameWithAPathIsRefused) {
  put("OK.INC", flow_file(1951, skewed_flows(20)));
  fs::create_directories(root_ / "dir" / "sub");
  rivan6_test::write_file(root_ / "dir" / "sub" / "G.INC", flow_file(1951, skewed_flows(20)));
  rivan6_test::write_file(root_ / "G.INC", flow_file(1951, skewed_flows(20)));
  const std::string screen = run(dir() + "\nN\nsub/G\n../G\nOK\n\n\nN\n");
  const std::string refusal =
      "  A BASE NAME HAS NO PATH: THE OUTPUT FILES GO TO THE WORKING DIRECTORY.\n"
      "  GIVE THE FOLDER OF THE FLOW FILES AS THE DIRECTORY - TRY AGAIN !\n";
  const std::size_t first = screen.find(refusal);
  ASSERT_NE(first, std::string::npos) << screen;
  EXPECT_NE(screen.find(refusal, first + 1), std::string::npos);
  EXPECT_TRUE(fs::exists(out("OK.ANS")));
  EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "out"), fs::directory_iterator{}), 4);
  EXPECT_FALSE(fs::exists(root_ / "G.ANS"));
  EXPECT_FALSE(fs::exists(root_ / "dir" / "G.ANS"));
}

TEST_F(Session, FlowFileThatIsNotARegularFileIsRefusedWithoutWaiting) {
  put("OK.INC", flow_file(1951, skewed_flows(20)));
  ASSERT_EQ(::mkfifo((root_ / "dir" / "PIPE.INC").c_str(), 0600), 0);
  fs::create_directory(root_ / "dir" / "FOLDER.INC");
  const std::string screen = run(dir() + "\nN\nPIPE\nFOLDER\nOK\n\n\nN\n");
  EXPECT_NE(screen.find("  CANNOT READ " + dir() +
                        "PIPE.INC: a FIFO, not a regular file\n"
                        " TRY AGAIN !\n"),
            std::string::npos)
      << screen;
  EXPECT_NE(screen.find("  CANNOT READ " + dir() + "FOLDER.INC: a directory, not a regular file\n"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(out("OK.ANS")));
}

}  // namespace
}  // namespace driver
