// Reading the monthly flow file of a gauge: one record per year, the year in
// columns 5-8 and twelve 7-column monthly flows from column 10, each followed
// by a one-character flag (the layout 4X I4 1X 12(F7.0 A1)).
#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "flowfile/record.hpp"

namespace flowfile {

// What a reader noticed of a file it read: things the user should know that
// do not stop the analysis.
struct ReadNotes {
  int unreadable_record = 0;       // the record at which the data ended (0: none)
  bool more_than_max = false;      // records after the 1000th were left out
  std::vector<int> blank_years;    // years whose twelve monthly fields were all blank
  std::vector<std::string> notes;  // the same, as the screen shows them
};

struct FlowRead {
  FlowRecord record;
  ReadNotes notes;
};

// Reads the records of a flow file already open; file_name names it in the
// messages and in the record's source. A line ends at LF, CR LF or a lone CR;
// a UTF-8 byte-order mark before the first record is skipped; only the first
// 105 columns of a line are kept. Data end at the end of the file, at the
// first record that cannot be read, or after 1000 records. Blank lines at the
// end are not records. Throws files::Error (with what was noticed before, as
// its notes) for a file with no record, a blank line amid the records, a gap,
// a repeat or a year going back, a year whose annual sum is not a finite
// number, and a read error (the stream's buffer throws std::system_error)
// part-way through the file.
FlowRead read_flows(std::istream& in, std::string_view file_name);

// Opens the flow file at path and reads it as above. Only a regular file is
// read: anything else, or a file that cannot be opened, is refused with the
// reason ("CANNOT READ path: reason"); a missing file's error has the code
// std::errc::no_such_file_or_directory.
FlowRead read_flow_file(const std::string& path);

}  // namespace flowfile
