// The monthly flow file of a gauge: one record per year, the year in columns
// 5-8 and twelve 7-column monthly flows from column 10, each followed by a
// one-character flag (read with the layout 4X I4 1X 12(F7.0 A1)).
#pragma once

#include <array>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/console.hpp"

namespace driver {

constexpr int kMaxYears = 1000;
constexpr int kNameColumns = 20;       // the base name field
constexpr int kMaxStem = 19;           // longest stem (text before the first blank)
constexpr int kDirectoryColumns = 50;  // the directory field of the dialogue
constexpr int kFileNameColumns = 60;   // the longest flow-file name

// The annual flows of one gauge.
struct FlowRecord {
  std::array<double, kMaxYears> flows{};  // annual flows in year order
  int N = 0;                              // last year - first year + 1
  int first_year = 0;
};

// What reading a flow file came to. ok is false when the file is refused;
// message then says why, naming the file and the record. notes are things the
// user should know of a file that was read (data ended early, records left
// out).
struct ReadResult {
  bool ok = false;
  std::string message;
  std::vector<std::string> notes;
  int ended_at_line = 0;         // the unreadable line at which the data ended (0: none)
  std::vector<int> blank_years;  // years whose twelve monthly fields were all blank
};

// Reads the records of a flow file already open. Data end at the end of the
// file, at the first record that cannot be read, or after 1000 records. Blank
// lines at the end are not records. The years must run on one by one from the
// first record: a file with no record, or with a gap, a repeat or a year
// going back, is refused.
ReadResult read_flows(std::istream& in, std::string_view file_name, FlowRecord& out);

// Reads one F7.0 field the way a formatted read does (blanks ignored; no
// point: a whole number; a point: as written; exponent allowed; blank: 0).
// False when the field is not a number.
bool read_real_field(std::string_view field, double& value);
// Reads one I4 field (blanks ignored; blank: 0). False when not a number.
bool read_int_field(std::string_view field, int& value);

// The stem of a base name: the text before its first blank.
std::string stem_of(std::string_view name);
// The text as a field of the given width: cut, or padded with blanks.
std::string fixed_field(std::string_view text, std::size_t width);

// The dialogue that asks for a base name and reads its flow file from the
// directory (the 50-column directory field as typed). Asks again while the
// file cannot be found or is refused. Returns false when the session is to
// end: the base name "END", or the end of input. name receives the 20-column
// base name, read (when given) what the reader noticed of the file.
bool reader(Console& console, const std::string& directory, std::string& name, FlowRecord& out,
            ReadResult* read = nullptr);

}  // namespace driver
