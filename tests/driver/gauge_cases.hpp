// Gauges for the tests of the data outputs: the bundled Nile, crafted records
// that stop the analysis at each of its stages, and the real records of
// ../shared/data when that folder is present.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "driver/reader.hpp"
#include "files/error.hpp"
#include "flowfile/reader.hpp"
#include "results/json.hpp"
#include "results/result.hpp"
#include "support/files.hpp"

namespace driver::testing {

namespace fs = std::filesystem;

using rivan6_test::read_file;

// One year of a flow file: twelve equal monthly flows.
inline std::string flow_line(int year, double month) {
  return rivan6_test::flow_record(year, month, "GAUG") + "\n";
}

// n years from `first` whose flows vary (a fixed pseudo-random sequence);
// the years at the offsets in `zero` have zero flows.
inline std::string varied_record(int first, int n, std::vector<int> zero = {},
                                 unsigned seed = 777) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    const double u = ((seed >> 8) % 10000) / 10000.0;
    const bool dry = std::find(zero.begin(), zero.end(), i) != zero.end();
    s += flow_line(first + i, dry ? 0.0 : 5.0 + 10.0 * u * u);
  }
  return s;
}

inline std::string constant_record(int n, double month) {
  std::string s;
  for (int i = 0; i < n; ++i) s += flow_line(1950 + i, month);
  return s;
}

inline fs::path nile_file() {
  return fs::path(RIVAN6_SOURCE_DIR) / "examples" / "NILE.INC";
}

struct GaugeCase {
  std::string name;  // base name, also the test's name
  std::string text;  // the flow file
};

// The Nile and records that end the analysis at each of its stages.
inline const std::vector<GaugeCase>& gauge_cases() {
  static const std::vector<GaugeCase> cases{
      {"Nile", read_file(nile_file())},
      {"ZeroFlows", varied_record(1950, 30, {3, 7, 20})},
      {"TwelveYears", varied_record(1950, 12)},
      {"OneYear", varied_record(1950, 1)},
      {"TwoYears", varied_record(1950, 2)},
      {"ThreeYears", varied_record(1950, 3)},
      {"AllFlowsEqual", constant_record(20, 2.0)},
      {"NegativeFlow", varied_record(1950, 20) + flow_line(1970, -1.0) + varied_record(1971, 5)},
      {"NoPositiveFlow", constant_record(20, 0.0)},
  };
  return cases;
}

inline void PrintTo(const GaugeCase& c, std::ostream* os) {
  *os << c.name;
}

inline std::string case_name(const ::testing::TestParamInfo<GaugeCase>& info) {
  return info.param.name;
}

// Reads a flow file's text and analyses it, as batch and dialogue do.
inline results::GaugeResult analyse_text(const std::string& name, const std::string& text) {
  std::istringstream in(text);
  flowfile::FlowRead read;
  try {
    read = flowfile::read_flows(in, name + ".INC");
  } catch (const files::Error& e) {
    ADD_FAILURE() << name << ": " << e.what();
  }
  return results::analyse(results::record_of(read, fixed_field(name, kNameColumns)));
}

// The JSON of a result as written to NAME.json, parsed back.
inline nlohmann::json written_json(const results::GaugeResult& r) {
  return nlohmann::json::parse(results::json_text(results::to_json(r)));
}

// The stems of the real records under ../shared/data (none when absent).
inline std::vector<std::string> shared_gauges() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(RIVAN6_SHARED_DATA, ec))
    if (e.path().extension() == ".INC") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

using rivan6_test::TempDir;

}  // namespace driver::testing
