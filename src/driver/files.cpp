#include "driver/files.hpp"

#include <fstream>

namespace driver {

std::string join_path(const std::string& dir, const std::string& file) {
  if (dir.empty()) return file;
  return dir.back() == '/' ? dir + file : dir + "/" + file;
}

bool write_file(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) return false;
  f << text;
  f.close();
  return static_cast<bool>(f);
}

}  // namespace driver
