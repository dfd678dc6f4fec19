// The records of a folder of flow files, read once as the batch reads them,
// for the benchmarks that run over a whole network.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "answer/answer.hpp"
#include "driver/reader.hpp"
#include "files/error.hpp"
#include "flowfile/reader.hpp"
#include "results/result.hpp"

namespace rivan6_bench {

struct Network {
  std::vector<std::string> names;
  std::vector<results::Record> records;
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
    try {
      const flowfile::FlowRead read = flowfile::read_flows(in, path.filename().string());
      n.names.push_back(driver::fixed_field(path.stem().string(), driver::kNameColumns));
      n.records.push_back(results::record_of(read, n.names.back()));
    } catch (const files::Error&) {
    }
  }
  return n;
}

}  // namespace rivan6_bench
