// The analysis of one gauge: from its annual flows to the answer file and
// the two side files.
#pragma once

#include <ostream>
#include <string>

#include "driver/reader.hpp"
#include "format/format.hpp"

namespace driver {

// What the analysis of one gauge produced besides the answer file.
struct GaugeOutcome {
  std::string cor;   // the correlogram file (empty when none is written)
  std::string yer;   // the year file
  int ITYPE = 0;     // chosen transform (0 when none was fitted)
  int p = 0, q = 0;  // chosen ARMA orders
  int npos = 0;      // number of positive flows
  int nz = 0;        // number of zero flows
  bool arma_done = false;
};

// Analyses the gauge `name` (the 20-column base name) with the flows of
// `record`: writes the answer file to ans (with carriage control), shows what
// the program shows on the screen, and pauses after the distribution plots
// when pause_after_plots is set.
GaugeOutcome analyse_gauge(const std::string& name, const FlowRecord& record, std::ostream& ans,
                           format::Screen& screen, bool pause_after_plots);

}  // namespace driver
