// Annual flows of the real gauge records used by the optional tests.
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace normalize_test {

// The annual sums of a monthly flow file (twelve F7.0 fields from column 10,
// one every 8 columns); empty when the file is absent.
inline std::vector<double> annual_flows(const std::string& name) {
  std::ifstream in(std::string(RIVAN6_SHARED_DATA) + "/" + name);
  std::vector<double> a;
  std::string line;
  while (std::getline(in, line)) {
    if (line.find_first_not_of(" \r") == std::string::npos) continue;
    double sum = 0.0;
    for (std::size_t k = 0; k < 12; ++k) {
      const std::size_t col = 9 + 8 * k;
      if (col >= line.size()) break;
      const std::string field = line.substr(col, 7);
      if (field.find_first_not_of(' ') != std::string::npos) sum += std::stod(field);
    }
    a.push_back(sum);
  }
  return a;
}

}  // namespace normalize_test
