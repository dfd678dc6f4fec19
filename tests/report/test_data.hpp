// Records for the report tests: the bundled Nile, read here by a few lines
// that sum each year's twelve 7-column fields as the program's reader does,
// and small records made up in the test.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "results/result.hpp"

namespace report::testing {

inline std::string read_text(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// The analysis of a made-up record of annual flows.
inline results::GaugeResult analysed(const std::string& name, int first_year,
                                     const std::vector<double>& flows) {
  results::Record rec;
  rec.name = name;
  rec.name20 = name + std::string(20 - name.size(), ' ');
  rec.first_year = first_year;
  rec.N = static_cast<int>(flows.size());
  rec.flows = flows;
  return results::analyse(std::move(rec));
}

// The annual flows of a flow file whose fields all hold a decimal point
// (the year in columns 5-8, twelve 7-column fields from column 10, each
// followed by a flag).
inline std::vector<double> annual_flows(const std::string& path, int& first_year) {
  std::ifstream f(path);
  std::vector<double> flows;
  std::string line;
  while (std::getline(f, line)) {
    if (line.size() < 16) continue;
    if (flows.empty()) first_year = std::atoi(line.substr(4, 4).c_str());
    double sum = 0.0;
    for (int m = 0; m < 12; ++m) {
      const std::size_t at = 9 + 8 * m;
      if (at < line.size()) sum += std::strtod(line.substr(at, 7).c_str(), nullptr);
    }
    flows.push_back(sum);
  }
  return flows;
}

inline const results::GaugeResult& nile() {
  static const results::GaugeResult r = [] {
    int first = 0;
    const std::vector<double> flows =
        annual_flows(std::string(RIVAN6_SOURCE_DIR) + "/examples/NILE.INC", first);
    return analysed("NILE", first, flows);
  }();
  return r;
}

inline int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace report::testing
