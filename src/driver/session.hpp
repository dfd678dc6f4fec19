// The interactive session: banner, data directory, pause choice, then gauge
// after gauge until the user stops.
#pragma once

#include <string>

#include "driver/console.hpp"
#include "pipeline/pipeline.hpp"

namespace driver {

// Runs the dialogue on the console with the options of the command line. Returns the exit status
// (0: an ordinary stop, including the end of input).
struct SessionOptions {
  std::string out_dir;         // where the files go ("" = working directory)
  pipeline::Options analysis;  // what each analysis computes
  bool html = false;           // also NAME.html per gauge
};

int run_session(Console& console, const SessionOptions& options = {});

}  // namespace driver
