// CSV flow tables to the flow file that the analysis reads.
//
// The tables of one gauge (daily or monthly values, in one or several files)
// become monthly values; only complete years are kept, and of those the
// longest run of consecutive years (or the span asked for) becomes the flow
// record, each value as the 7 columns of its field in the flow file hold it.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flowfile/record.hpp"
#include "ingest/table.hpp"

namespace ingest {

using flowfile::kMaxName;  // the longest base name

// How daily values become a monthly value.
enum class Aggregation { Sum, Mean };

// The options of the import command.
struct Options {
  std::string out_dir = ".";               // -o: folder of NAME.INC
  std::string name;                        // --name; empty: from the first file's name
  Layout layout = Layout::Auto;            // --layout
  std::string column;                      // --column: header name or 1-based number
  double scale = 1.0;                      // --scale: multiplies every monthly value
  Aggregation monthly = Aggregation::Sum;  // --monthly sum|mean
  std::optional<int> first_year;           // --years FIRST-LAST
  std::optional<int> last_year;
  std::optional<double> missing;  // --missing: a negative value that marks a missing value
  bool skip_bad_rows = false;     // --skip-bad-rows
  std::string report_file;        // --report: the report as JSON
};

// One file as the report describes it.
struct FileReport {
  std::string file;
  Layout layout = Layout::Auto;
  char delimiter = ',';
  int header_line = 0;  // 0: none
  std::string value_column;
  int rows_read = 0;
  std::string first;  // first and last date (or month) of its values
  std::string last;
};

// Missing days (daily tables) or months (monthly tables) of one year.
struct YearGap {
  int year = 0;
  int missing = 0;
  int of = 0;  // days or months in the year
};

// What the import did, for the screen, the log and --report.
struct Report {
  std::string name;
  std::vector<FileReport> files;
  int rows_read = 0;
  int values_missing = 0;
  std::vector<Rejection> rejected;
  bool daily = false;  // days were aggregated to months
  Aggregation monthly = Aggregation::Sum;
  double scale = 1.0;
  std::vector<YearGap> missing;               // years of the data's span with something missing
  std::vector<std::pair<int, int>> complete;  // runs of consecutive complete years
  int first_year = 0;                         // the years written (0 and -1: none)
  int last_year = -1;
  bool years_asked = false;  // chosen by --years (else the longest run)
  int min_decimals = 0;      // the decimals of the values written
  int max_decimals = 0;
  double max_rounding = 0.0;  // largest |written - computed| of a value
  std::vector<std::string> notes;
  std::string error;  // why the import failed (empty when it did not)

  int years_written() const { return last_year - first_year + 1; }
  nlohmann::json to_json() const;
  // Lines for the screen and the log, each ending in '\n'.
  std::string to_text() const;
};

struct Result {
  bool ok = false;
  std::string message;          // why not ok: names the file and the line (or the years)
  flowfile::FlowRecord record;  // the years written, each value as its field holds it
  std::string name;             // the gauge name (--name, or from the first file)
  Report report;

  // The flow file of the record ("" when not ok).
  std::string flow_text() const;
};

// The gauge name a file gives: its stem (the name without folders and its
// last extension) upper-cased, characters other than letters, digits, '_'
// and '-' replaced by '_', cut to 19 characters; "GAUGE" for an empty stem.
std::string default_name(std::string_view file_name);

// True when a name can be a base name: 1 to 19 letters, digits, '_' or '-'.
bool valid_name(std::string_view name);

// Imports the tables of one gauge. Several inputs are parts of one record
// (e.g. one file per decade): they must all be daily or all monthly, are
// put in the order of their first dates and may not overlap.
Result import_tables(const std::vector<Input>& inputs, const Options& options);

}  // namespace ingest
