// The whole program on three records, compared byte for byte with the files
// kept in tests/golden/ (the Nile, a record with zero flows, a six-year
// record). Any change of a record's layout in the report, the side files,
// the log, the JSON or the page shows here. `make golden` rewrites the kept files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "driver/cli.hpp"
#include "support/files.hpp"

namespace driver {
namespace {

namespace fs = std::filesystem;

const std::string kSource = RIVAN6_SOURCE_DIR;

struct Golden {
  const char* name;
  const char* dir;  // where its flow file is, relative to the source tree
};

void PrintTo(const Golden& g, std::ostream* os) {
  *os << g.name;
}

using rivan6_test::first_difference;

class WholeProgram : public ::testing::TestWithParam<Golden> {};

TEST_P(WholeProgram, FilesEqualTheKeptOnes) {
  const Golden g = GetParam();
  std::string tmpl = (fs::temp_directory_path() / "rivan6-golden-XXXXXX").string();
  ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
  const fs::path out = tmpl;
  const std::string data = kSource + "/" + g.dir;
  const std::vector<std::string> args{"rivan6", "-q", "-j", "1",          "--html",
                                      "-d",     data, "-o", out.string(), g.name};
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::istringstream in;
  std::ostringstream sout, serr;
  ASSERT_EQ(run_cli(static_cast<int>(argv.size()), argv.data(), in, sout, serr), 0) << serr.str();

  for (const char* ext : {".ANS", ".COR", ".YER", ".LOG", ".json", ".html"}) {
    const fs::path kept = fs::path(kSource) / "tests/golden" / (std::string(g.name) + ext);
    const fs::path written = out / (std::string(g.name) + ext);
    ASSERT_EQ(fs::exists(kept), fs::exists(written)) << g.name << ext;
    if (!fs::exists(kept)) continue;
    std::string text = rivan6_test::read_file(written);
    // The log names the data directory as it was given.
    if (std::string(ext) == ".LOG") {
      const std::string given = " DIR = " + data;
      if (text.compare(1, given.size(), given) == 0)
        text.replace(1, given.size(), std::string(" DIR = ") + g.dir);
    }
    const std::string expected = rivan6_test::read_file(kept);
    EXPECT_TRUE(text == expected) << g.name << ext << " differs from tests/golden, "
                                  << first_difference(expected, text);
  }
  fs::remove_all(out);
}

INSTANTIATE_TEST_SUITE_P(Records, WholeProgram,
                         ::testing::Values(Golden{"NILE", "examples"},
                                           Golden{"ZEROS", "tests/golden"},
                                           Golden{"SHORT", "tests/golden"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace driver
