// rivan6: statistical analysis of the annual flow record of a river gauge.
//
// Without gauge names it runs the interactive dialogue; with names it
// analyses each gauge without prompts (batch mode).
#include <iostream>

#include "driver/cli.hpp"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  return driver::run_cli(argc, argv, std::cin, std::cout, std::cerr);
}
