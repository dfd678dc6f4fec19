// What the generate tests share: a folder of their own, a model file written
// by hand, and the command run on string streams.
#pragma once

#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "generate/generate.hpp"

namespace generate_test {

// A folder of this process alone, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "rivan6-gen-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    path_ = ::mkdtemp(name.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& file) const { return (path_ / file).string(); }
  std::vector<std::string> files() const {
    std::vector<std::string> f;
    for (const auto& e : std::filesystem::directory_iterator(path_))
      f.push_back(e.path().filename().string());
    return f;
  }

 private:
  std::filesystem::path path_;
};

inline std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void write_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

struct Run {
  int status;
  std::string out, err;
};

// rivan6 generate ARGS... with `input` as standard input.
inline Run run(std::vector<std::string> args, const std::string& input = "") {
  args.insert(args.begin(), "generate");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status =
      generate::run_generate(static_cast<int>(args.size()), argv.data(), in, out, err);
  return {status, out.str(), err.str()};
}

// A results file as the analysis writes it, for a 40-year record from 1931
// with a lognormal transform and an ARMA(1,1) model; keys the generator does
// not read are there as they would be.
inline nlohmann::json model_json() {
  std::vector<double> flows;
  for (int i = 0; i < 40; ++i) flows.push_back(900.0 + 150.0 * std::sin(0.7 * i) + 3.0 * i);
  return {
      {"schema_version", 1},
      {"gauge",
       {{"name", "TESTRIVER"},
        {"first_year", 1931},
        {"last_year", 1970},
        {"years", 40},
        {"positive_flows", 40},
        {"zero_flows", 0},
        {"zero_fraction", 0.0},
        {"flows", flows}}},
      {"transform",
       {{"chosen",
         {{"model", "LN2"},
          {"ITYPE", 2},
          {"family", 1},
          {"GAMMA", -36.77},
          {"DELTA", 5.4},
          {"XLAM", 1.0},
          {"XI", 0.0}}},
        {"table", nlohmann::json::array()}}},
      {"arma",
       {{"chosen", {{"p", 1}, {"q", 1}, {"phi", {0.6, 0.0}}, {"theta", {0.3, 0.0}}}},
        {"aicc", nullptr}}},
  };
}

// The year file the analysis writes for the Nile (1871-1970): its flows
// have no slot in the decade table.
inline const char* const kNileYer =
    "NILE                \n"
    "  100 1871        -0.5601848        -1.0810118        -0.8518809        -1.2742322\n"
    " 1          -36.7712101           5.4021626           1.0000000           0.0000000\n"
    "     0.00000     1.00000     1.19825    -0.21896     0.86118     0.00000     0.00000   0\n"
    "    874.00    694.00    940.00    833.00    701.00    916.00    692.00   1020.00   1050.00   "
    " 969.00\n"
    "    831.00    726.00    456.00    824.00    702.00   1120.00   1100.00    832.00    764.00   "
    " 821.00\n"
    "    768.00    845.00    864.00    862.00    698.00    845.00    744.00    796.00   1040.00   "
    " 759.00\n"
    "    781.00    865.00    845.00    944.00    984.00    897.00    822.00   1010.00    771.00   "
    " 676.00\n"
    "    649.00    846.00    812.00    742.00    801.00   1040.00    860.00    874.00    848.00   "
    " 890.00\n"
    "    744.00    749.00    838.00   1050.00    918.00    986.00    797.00    923.00    975.00   "
    " 815.00\n"
    "   1020.00    906.00    901.00   1170.00    912.00    746.00    919.00    718.00    714.00   "
    " 740.00\n"
    "      0.00      0.00      0.00      0.00      0.00      0.00      0.00      0.00      0.00   "
    "   0.00\n"
    "      0.00      0.00      0.00      0.00      0.00      0.00      0.00      0.00      0.00   "
    "   0.00\n"
    "      0.00      0.00      0.00      0.00      0.00      0.00      0.00      0.00      0.00   "
    "   0.00\n"
    "   919.35000   168.37924    75.39653   102.04082\n";

}  // namespace generate_test
