// The records of a folder of flow files, read once as the batch reads them,
// for the benchmarks that run over a whole network.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "driver/gauge.hpp"
#include "driver/reader.hpp"
#include "driver/texts.hpp"

namespace rivan6_bench {

struct Network {
  std::vector<std::string> names;
  std::vector<std::unique_ptr<driver::FlowRecord>> records;
};

// Every *.INC of folder that reads, in name order; empty when the folder is
// absent.
inline Network read_folder(const std::string& folder) {
  Network n;
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    if (e.path().extension() == ".INC") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const auto& path : files) {
    std::ifstream in(path, std::ios::binary);
    auto record = std::make_unique<driver::FlowRecord>();
    if (!driver::read_flows(in, path.filename().string(), *record).ok) continue;
    n.names.push_back(driver::fixed_field(path.stem().string(), driver::kNameColumns));
    n.records.push_back(std::move(record));
  }
  return n;
}

}  // namespace rivan6_bench
