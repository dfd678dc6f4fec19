#include "driver/gauges.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "driver/outputs.hpp"
#include "driver/reader.hpp"
#include "files/input.hpp"
#include "ingest/import.hpp"

namespace driver {

namespace {

namespace fs = std::filesystem;

bool is_directory(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

GaugeSource flow_file(const std::string& argument, const std::string& path) {
  GaugeSource g;
  g.argument = argument;
  g.path = path;
  const std::string file = fs::path(path).filename().string();
  g.stem = has_flow_suffix(file) ? file.substr(0, file.size() - 4) : file;
  if (g.stem.empty())
    g.error = "a flow file needs a name before .INC";
  else if (g.stem.size() > static_cast<std::size_t>(flowfile::kMaxName))
    g.error = "a base name has at most 19 characters";
  else if (g.stem.find(' ') != std::string::npos)
    g.error = "a base name has no blank (it would be cut there)";
  return g;
}

// A CSV table of flows: read and imported when it is analysed.
GaugeSource csv_table(const std::string& argument, const std::string& path) {
  GaugeSource g;
  g.kind = SourceKind::csv_table;
  g.argument = argument;
  g.path = path;
  g.stem = ingest::default_name(fs::path(path).filename().string());
  if (!ingest::valid_name(g.stem)) g.error = "no gauge name can be made of this file's name";
  return g;
}

GaugeSource failed(const std::string& argument, const std::string& why) {
  GaugeSource g;
  g.argument = argument;
  g.stem = argument;
  g.error = why;
  return g;
}

// Every flow file in a directory, sorted by name.
void add_directory(const std::string& argument, std::vector<GaugeSource>& out) {
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::directory_iterator it(argument, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (has_flow_suffix(name)) files.push_back(name);
  }
  if (ec) {
    out.push_back(failed(argument, "cannot list the directory: " + ec.message()));
    return;
  }
  if (files.empty()) {
    out.push_back(failed(argument, "no flow file (NAME.INC) in this directory"));
    return;
  }
  std::sort(files.begin(), files.end());
  for (const std::string& f : files) out.push_back(flow_file(argument, join_path(argument, f)));
}

// The same file reached by two routes has one key.
std::string identity(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(path, ec);
  return ec ? fs::path(path).lexically_normal().string() : p.string();
}

}  // namespace

std::vector<GaugeSource> resolve_gauges(const std::string& data_dir,
                                        const std::vector<std::string>& arguments) {
  std::vector<GaugeSource> all;
  for (const std::string& a : arguments) {
    if (a.empty()) {
      all.push_back(failed(a, "an empty base name"));
    } else if (has_flow_suffix(a)) {
      all.push_back(flow_file(a, a.find('/') != std::string::npos ? a : join_path(data_dir, a)));
    } else if (has_suffix(a, ".csv")) {
      all.push_back(csv_table(a, a.find('/') != std::string::npos ? a : join_path(data_dir, a)));
    } else if (a.find('/') != std::string::npos) {
      if (is_directory(a)) {
        add_directory(a, all);
      } else {
        const fs::path p(a);
        all.push_back(
            flow_file(a, find_flow_file(p.parent_path().string(), p.filename().string())));
      }
    } else {
      const std::string path = find_flow_file(data_dir, a);
      if (!files::file_exists(path) && is_directory(a))
        add_directory(a, all);
      else
        all.push_back(flow_file(a, path));
    }
  }

  // Each file once; one file per output name.
  std::vector<GaugeSource> kept;
  std::set<std::string> seen;
  std::map<std::string, std::string> path_of_stem;
  for (GaugeSource& g : all) {
    if (!g.error.empty()) {
      kept.push_back(std::move(g));
      continue;
    }
    if (!seen.insert(identity(g.path)).second) continue;
    const auto [it, fresh] = path_of_stem.emplace(g.stem, g.path);
    if (!fresh)
      g.error = "another flow file of this name, " + it->second +
                ", is analysed: its output files would be overwritten";
    kept.push_back(std::move(g));
  }
  return kept;
}

std::string prepare_output_directory(const std::string& out_dir) {
  const fs::path dir = out_dir.empty() ? fs::path(".") : fs::path(out_dir);
  const std::string shown = out_dir.empty() ? "." : out_dir;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    ec.clear();
    fs::create_directories(dir, ec);
    if (ec) return "cannot create the output directory " + shown + ": " + ec.message();
    if (!fs::is_directory(dir, ec))
      return "cannot create the output directory " + shown + ": " +
             std::make_error_code(std::errc::not_a_directory).message();
  }
  // A file made and removed again shows that the directory takes new files.
  std::string probe = (dir / ".rivan6-XXXXXX").string();
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return "cannot write in the output directory " + shown + ": " + std::strerror(errno);
  ::close(fd);
  ::unlink(probe.c_str());
  return "";
}

}  // namespace driver
