// Small helpers for the output files.
#pragma once

#include <string>

namespace driver {

// dir and file joined with one '/' (the file alone when dir is empty).
std::string join_path(const std::string& dir, const std::string& file);

// Writes a text file whole, replacing it; false when it cannot be written.
bool write_file(const std::string& path, const std::string& text);

}  // namespace driver
