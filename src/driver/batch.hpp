// Analysis of many gauges without a dialogue, optionally in parallel.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace driver {

struct BatchOptions {
  std::string data_dir;  // where NAME.INC are read ("" = working directory)
  std::string out_dir;   // where NAME.ANS, .COR, .YER, .LOG go ("" = working directory)
  int jobs = 1;          // gauges analysed at the same time
  bool quiet = false;    // no summary line per gauge
  std::string summary;   // the network table (CSV) to write ("" = none)
  std::vector<std::string> names;
};

// Analyses every named gauge: the same files as the dialogue writes, plus
// NAME.LOG with what the dialogue shows on the screen. One summary line per
// gauge on out (in the order given, whatever the number of jobs) and a final
// count; failures on err. Returns 0 when every gauge was analysed, else 1.
int run_batch(const BatchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace driver
