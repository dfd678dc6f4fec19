// The command line: the dialogue when no argument is given, batch mode when
// gauges are named.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "driver/batch.hpp"

namespace driver {

// Runs rivan6 with its arguments on the given streams; returns the exit
// status (0 success, 1 a gauge or the output failed, 2 usage error).
// err_is_terminal says that err is a terminal, where a long batch run shows
// a progress line.
int run_cli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
            std::ostream& err, bool err_is_terminal = false);

// The command line taken apart (getopt_long: bundled short options, "-j2",
// "-j 2", "--jobs=2", "--jobs 2", unique abbreviations of long options, "--"
// before names that start with '-'; options and names in any order).
struct CommandLine {
  enum class Action { dialogue, batch, help, version, usage_error };
  Action action = Action::usage_error;
  BatchOptions options;            // its gauges are not resolved yet
  std::vector<std::string> names;  // the gauge arguments, in order
  std::string error;               // what is wrong, for a usage error
};
CommandLine parse_command_line(int argc, const char* const* argv);

// The help text of rivan6 --help.
const char* usage_text();

// Every option the parser accepts, short ("-d") and long ("--data-dir").
std::vector<std::string> accepted_options();

}  // namespace driver
