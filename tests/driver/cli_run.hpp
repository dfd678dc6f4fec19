// Runs the program's command line in the test process, on string streams.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "driver/cli.hpp"

namespace driver::testing {

struct Outcome {
  int status = -1;
  std::string out, err;
};

inline Outcome run_rivan6(const std::vector<std::string>& args, const std::string& input = "",
                          bool err_is_terminal = false) {
  std::vector<const char*> argv{"rivan6"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status =
      run_cli(static_cast<int>(argv.size()), argv.data(), in, out, err, err_is_terminal);
  return {status, out.str(), err.str()};
}

}  // namespace driver::testing
