// The gauges named on the command line of batch mode, resolved to the files
// to read and the names of the files to write.
#pragma once

#include <string>
#include <vector>

namespace driver {

// What a gauge is read from.
enum class SourceKind {
  flow_file,  // a monthly flow file NAME.INC
  csv_table,  // a CSV table of daily or monthly flows, imported in memory
};

struct GaugeSource {
  SourceKind kind = SourceKind::flow_file;
  std::string argument;  // the command-line argument it comes from
  std::string stem;      // the output name: stem.ANS, stem.COR, stem.YER, stem.LOG
  std::string path;      // the file to read
  std::string error;     // not empty: the argument cannot be analysed, and why
};

// Resolves the gauge arguments, in order:
// - a name ending in .INC (any case) is a flow file: a path when it holds a
//   '/', else a file in data_dir;
// - a name ending in .csv (any case) is a table of flows, found the same
//   way; its output name is the import's name of the file (its stem,
//   upper-cased, cut to 19 characters);
// - a directory (a path with a '/', or a name that is no gauge in data_dir)
//   stands for every flow file in it, sorted by name;
// - any other name is a base name: data_dir/NAME.INC, or data_dir/NAME.inc
//   when only that exists (a path such as dir/NAME looks in dir).
// The stem of the file names the output; it has at most 19 characters and no
// blank. A file named twice (by any route) is kept once; a second, different
// file with the stem of an earlier one would overwrite its output and gets an
// error instead.
std::vector<GaugeSource> resolve_gauges(const std::string& data_dir,
                                        const std::vector<std::string>& arguments);

// Creates the output directory (with its parents) when it is missing and
// checks that a file can be made in it ("" is the working directory).
// Returns "" when it can take the output, else what is wrong, with the
// system's reason.
std::string prepare_output_directory(const std::string& out_dir);

}  // namespace driver
