// Writing the files of one gauge, for the dialogue and for batch alike.
#pragma once

#include <string>
#include <vector>

#include "findings/findings.hpp"
#include "results/result.hpp"

namespace driver {

// The texts of one gauge's files. An empty correlogram file means that none
// belongs to this analysis (an older one is removed); an empty log, JSON or
// HTML text is not written.
struct GaugeTexts {
  std::string ans, cor, yer, log, json, html;
};

struct WriteOutcome {
  bool ok = false;
  std::vector<std::string> written;  // the paths written, in order
  std::string removed;               // an older correlogram file that was removed
  std::string error;                 // what failed, naming the file and the reason
};

// Writes dir/stem.ANS, .COR, .YER, .LOG, .json and .html (dir "" is the
// working directory). Each file is first written whole under a temporary
// name in the same folder; only when all of them are written are they
// renamed into place, so an interrupted or failed run never leaves a
// half-written file, or a set of files from two runs. A failure to write any
// of them writes none.
WriteOutcome write_gauge_files(const std::string& dir, const std::string& stem,
                               const GaugeTexts& texts);

// dir and file joined with one '/' (the file alone when dir is empty).
std::string join_path(const std::string& dir, const std::string& file);

// The texts of all files of a gauge, its findings in its JSON; log is the
// batch's log text ("" in the dialogue).
GaugeTexts gauge_texts(const results::GaugeResult& r, const findings::Findings& f, std::string log);

}  // namespace driver
