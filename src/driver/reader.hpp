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
#include "driver/flow_input.hpp"

namespace driver {

constexpr int kMaxYears = 1000;
constexpr int kNameColumns = 20;       // the base name field
constexpr int kMaxStem = 19;           // longest stem (text before the first blank)
constexpr int kDirectoryColumns = 50;  // the directory field of the dialogue
constexpr int kFileNameColumns = 60;   // the field of the flow-file name in a message

// The annual flows of one gauge.
struct FlowRecord {
  std::array<double, kMaxYears> flows{};  // annual flows in year order
  int N = 0;                              // last year - first year + 1
  int first_year = 0;
};

// What reading a flow file came to. ok is false when the file is refused;
// message then says why, naming the file and the record. notes are things the
// user should know of a file that was read (data ended early, records left
// out); the two fields after them say the same for a program.
struct ReadResult {
  bool ok = false;
  std::string message;
  std::vector<std::string> notes;
  int unreadable_record = 0;                     // the record whose fields cannot be read (0: none)
  bool more_than_max = false;                    // records after the 1000th were left out
  OpenFailure open_failure = OpenFailure::none;  // why the file could not be opened
  std::vector<int> blank_years;                  // years whose twelve monthly fields were all blank
};

// Reads the records of a flow file already open. A line ends at LF, CR LF or
// a lone CR; a UTF-8 byte-order mark before the first record is skipped; only
// the first 105 columns of a line are kept. Data end at the end of the file,
// at the first record that cannot be read, or after 1000 records. Blank lines
// at the end are not records. Refused: a file with no record, a blank line
// amid the records, a gap, a repeat or a year going back, a year whose annual
// sum is not a finite number, and a read error (the stream's buffer throws
// std::system_error) part-way through the file.
ReadResult read_flows(std::istream& in, std::string_view file_name, FlowRecord& out);

// Opens the flow file at path and reads it as above. Only a regular file is
// read: anything else, or a file that cannot be opened, is refused with the
// reason, and open_failure says which.
ReadResult read_flow_file(const std::string& path, FlowRecord& out);

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

// The data directory as the dialogue uses it: the text typed up to its first
// blank, with a closing '/' added when it has no closing separator.
std::string data_directory(std::string_view typed);
// The base name typed at the prompt without its leading blanks and without a
// ".INC" suffix (any case) on its stem.
std::string base_name_entered(std::string_view typed);
// Whether the typed base name is END (any case, leading blanks dropped).
bool is_end(std::string_view typed);
// Whether a stem names a file in a folder and no more: no path separator and
// no "..".
bool is_plain_name(std::string_view stem);
// Whether a name ends in suffix, in any case.
bool has_suffix(std::string_view name, std::string_view suffix);
// Whether a file name ends in ".INC" (any case).
bool has_flow_suffix(std::string_view file_name);
// The flow file of stem in dir: dir/stem.INC, or dir/stem.inc when only that
// one exists (dir/stem.INC when neither does).
std::string find_flow_file(const std::string& dir, const std::string& stem);

// The dialogue that asks for a base name and reads its flow file from the
// directory (as data_directory gives it; the screen shows its first 50
// columns). Asks again while the name is not a plain file name or the file
// cannot be found or is refused. Returns false when the session is to end:
// the base name END, or the end of input. name receives the 20-column base
// name, read (when given) what the reader noticed of the file.
bool reader(Console& console, const std::string& directory, std::string& name, FlowRecord& out,
            ReadResult* read = nullptr);

}  // namespace driver
