// The command-line parser of every command: short options that bundle
// ("-qj2", "-j 2"), long options with their value after '=' or in the next
// argument ("--jobs=2", "--jobs 2") and abbreviated to any unique prefix,
// "--" before operands that start with '-', and options and operands in any
// order. It keeps no state between calls.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct OptionSpec {
  int id;                      // what the command's switch tests
  char short_name;             // 0: none
  std::string_view long_name;  // "": none
  bool takes_value;
};

// One option as given.
struct Option {
  const OptionSpec* spec = nullptr;
  std::string value;    // "" for an option without a value
  std::string spelled;  // the argument that named it, as typed ("-j", "--jo=3", "-qj2")
};

// Why the command line cannot be taken apart.
enum class Problem {
  none,
  unknown_option,  // not an option of the command, or an ambiguous abbreviation
  missing_value,   // an option that takes a value came last
  unwanted_value,  // "--flag=value" for an option without a value
};

struct Parsed {
  std::vector<Option> options;        // in the order given
  std::vector<std::string> operands;  // the rest, in order
  Problem problem = Problem::none;
  // For a problem: the option (null when unknown) and how it was written:
  // "-x" for an unknown short option, the whole argument otherwise.
  const OptionSpec* problem_spec = nullptr;
  std::string problem_text;
};

// Parses the arguments after the command's name.
[[nodiscard]] Parsed parse(std::span<const OptionSpec> specs,
                           std::span<const char* const> arguments);

// "-j/--jobs", "--summary" or "-o": the option's names as a message gives them.
std::string names_of(const OptionSpec& spec);

}  // namespace cli
