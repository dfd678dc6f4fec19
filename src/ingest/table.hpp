// One CSV file read into dated values: the layout is detected (or named),
// the value column chosen, and every row checked.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ingest {

// One input file: its name (for messages and the default gauge name) and
// its whole text.
struct Input {
  std::string name;
  std::string text;
};

// The layouts of a table.
enum class Layout {
  Auto,       // detected from the header and the first rows
  Daily,      // YYYY-MM-DD, value
  Monthly,    // YYYY-MM, value (or a date whose day is ignored)
  YearMonth,  // year, month, value
  Wide,       // year, then twelve monthly values January to December
};

// "daily", "monthly", "year-month", "wide" ("auto" for Auto).
std::string_view layout_name(Layout layout);
// The layout of a name given to --layout; false for an unknown name.
bool layout_from_name(std::string_view name, Layout& layout);

// A row left out of the data (only with skip_bad_rows), and why.
struct Rejection {
  std::string file;
  int line = 0;
  std::string reason;
};

// One value of the table, at a day (daily tables) or a month.
struct Observation {
  int key = 0;    // day number (daily) or month index year*12 + month-1
  int month = 0;  // month index year*12 + month-1
  double value = 0.0;
  bool missing = false;
  int line = 0;
};

// How to read the tables.
struct ReadOptions {
  Layout layout = Layout::Auto;
  std::string column;  // value column: header name or 1-based number; empty: the only one
  std::optional<double> missing;  // a negative value that marks a missing value
  bool skip_bad_rows = false;     // reject rows with a bad date or value instead of failing
};

// A file read into observations, with what the report says about it.
struct Table {
  std::string file;
  Layout layout = Layout::Auto;  // as read (never Auto)
  bool daily = false;            // keys are days (else months)
  char delimiter = ',';
  int header_line = 0;           // 0: no header row
  std::string value_column;      // the column read ("flow", "column 3"; empty for wide tables)
  int rows_read = 0;             // data rows (not the header, blank or comment lines)
  int values_missing = 0;        // values marked missing (empty, NA, NaN, the sentinel)
  std::vector<Observation> obs;  // keys strictly increasing
  std::vector<Rejection> rejected;
  std::vector<std::string> notes;
};

// Reads one file. False when the file is refused; error then names the file
// and the line. Rows are the non-blank lines that do not start with '#'; a
// UTF-8 byte-order mark and CR line ends are ignored.
bool read_table(const Input& input, const ReadOptions& options, Table& table, std::string& error);

}  // namespace ingest
