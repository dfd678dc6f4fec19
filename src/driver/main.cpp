// rivan6: statistical analysis of the annual flow record of a river gauge.
//
// Without arguments it runs the interactive dialogue; with gauges named it
// analyses each without prompts (batch mode).
#include <unistd.h>

#include <iostream>

#include "driver/cli.hpp"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  return driver::run_cli(argc, argv, std::cin, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
