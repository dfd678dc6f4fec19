// Results to compute findings from: the bundled Nile, the real records of
// ../shared/data (absent: an empty optional) and crafted records.
#pragma once

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "results/result.hpp"
#include "support/files.hpp"

namespace findings_test {

// The analysis of annual flows from first_year on.
inline results::GaugeResult analysed(const std::string& name, int first_year,
                                     std::vector<double> flows) {
  results::Record rec;
  rec.name = name;
  rec.name20 = name;
  rec.name20.resize(20, ' ');
  rec.first_year = first_year;
  rec.N = static_cast<int>(flows.size());
  rec.flows = std::move(flows);
  return results::analyse(std::move(rec));
}

// The first year of a flow file (columns 5-8 of its first record).
inline int first_year_of(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line))
    if (line.find_first_not_of(" \r") != std::string::npos) return std::stoi(line.substr(4, 4));
  return 0;
}

inline const results::GaugeResult& nile() {
  static const results::GaugeResult r = [] {
    const std::string path = std::string(RIVAN6_SOURCE_DIR) + "/examples/NILE.INC";
    const std::vector<double> flows = rivan6_test::annual_flows(path);
    return analysed("NILE", first_year_of(path), flows);
  }();
  return r;
}

// A record of ../shared/data by its base name; nullopt when the folder is
// absent.
inline std::optional<results::GaugeResult> shared(const std::string& stem) {
  const std::string file = stem + ".INC";
  std::vector<double> flows = rivan6_test::shared_annual_flows(file);
  if (flows.empty()) return std::nullopt;
  return analysed(stem, first_year_of(std::string(RIVAN6_SHARED_DATA) + "/" + file), flows);
}

// Smooth pseudo-random positive flows (a fixed recurrence, no generator).
inline std::vector<double> wavy(int n, double base = 500.0) {
  std::vector<double> x;
  for (int i = 0; i < n; ++i)
    x.push_back(base + 100.0 * ((i * 37 % 23) - 11) / 11.0 + 30.0 * ((i * 17 % 7) - 3) / 3.0);
  return x;
}

}  // namespace findings_test
