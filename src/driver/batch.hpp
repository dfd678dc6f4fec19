// Analysis of many gauges without a dialogue, optionally in parallel.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "driver/gauges.hpp"
#include "pipeline/pipeline.hpp"

namespace driver {

struct BatchOptions {
  std::string data_dir;             // where base names are looked up ("" = working directory)
  std::string out_dir;              // where NAME.ANS, .COR, .YER, .LOG go ("" = working directory)
  int jobs = 1;                     // gauges analysed at the same time
  bool quiet = false;               // no summary line per gauge
  bool progress = false;            // a progress line on err while the gauges run (a terminal)
  std::string summary;              // the network table (CSV) to write ("" = none)
  pipeline::Options analysis;       // what each gauge's analysis computes
  bool html = false;                // NAME.html per gauge and index.html for the run
  std::vector<GaugeSource> gauges;  // as resolve_gauges gives them
};

// Analyses every gauge: the same files as the dialogue writes, plus NAME.LOG
// with what the dialogue shows on the screen. One summary line per gauge on
// out (in the order given, whatever the number of jobs) and a final count of
// the gauges analysed, of those with warnings and of those that failed;
// failures and warnings on err. Returns 0 when every gauge was analysed and
// the summary written, else 1.
int run_batch(const BatchOptions& options, std::ostream& out, std::ostream& err);

// Whether a run shows a progress line: only on a terminal, not with -q, and
// only for more than a few gauges.
bool wants_progress(bool err_is_terminal, bool quiet, std::size_t gauges);

// The progress line: gauges done and failed so far, the time elapsed and an
// estimate of the time remaining (once a gauge is done).
std::string progress_line(std::size_t done, std::size_t failed, std::size_t total,
                          double elapsed_seconds);

}  // namespace driver
