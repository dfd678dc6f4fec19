// The interactive session: banner, data directory, pause choice, then gauge
// after gauge until the user stops.
#pragma once

#include <string>

#include "driver/console.hpp"
#include "pipeline/pipeline.hpp"

namespace driver {

// Runs the dialogue on the console; output files go to out_dir (the working
// directory when empty); options set what each analysis computes. Returns the exit status (0: an
// ordinary stop, including the end of input).
int run_session(Console& console, const std::string& out_dir = "",
                const pipeline::Options& options = {});

}  // namespace driver
