// The command line: the dialogue when no gauge is named, batch mode otherwise.
#pragma once

#include <istream>
#include <ostream>

namespace driver {

// Runs rivan6 with its arguments on the given streams; returns the exit
// status (0 success, 1 a gauge failed, 2 usage error).
int run_cli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
            std::ostream& err);

}  // namespace driver
