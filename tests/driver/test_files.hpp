// Reading back the files a test made.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace driver::testing {

inline std::string read_file(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace driver::testing
