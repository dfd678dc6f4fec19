#include "flowfile/reader.hpp"

#include <array>
#include <cmath>
#include <system_error>

#include "files/error.hpp"
#include "files/input.hpp"
#include "flowfile/fields.hpp"

namespace flowfile {

namespace {

constexpr std::size_t kRecordColumns = 105;

bool is_blank(std::string_view line) {
  for (char c : line)
    if (c != ' ') return false;
  return true;
}

// Reads one line from sb into line, keeping at most `keep` characters of it:
// a line of any length costs no more memory than that. A line ends at LF, at
// CR LF, or at a lone CR (files from old Mac editors). False at the end of
// the input when no character was read. A read error propagates as the
// exception the buffer throws.
bool next_line(std::streambuf& sb, std::string& line, std::size_t keep) {
  using traits = std::streambuf::traits_type;
  line.clear();
  traits::int_type c = sb.sbumpc();
  if (traits::eq_int_type(c, traits::eof())) return false;
  while (!traits::eq_int_type(c, traits::eof()) && c != '\n' && c != '\r') {
    if (line.size() < keep) line += traits::to_char_type(c);
    c = sb.sbumpc();
  }
  if (c == '\r' && sb.sgetc() == '\n') sb.sbumpc();
  return true;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A refused file: the message names it (and the record), after what was
// noticed before.
[[noreturn]] void refuse(const std::string& message, const std::string& file, int line,
                         const ReadNotes& notes, std::error_code code = {}) {
  throw files::Error(message, file, line, code).with_notes(notes.notes);
}

}  // namespace

FlowRead read_flows(std::istream& in, std::string_view file_name) {
  FlowRead read;
  ReadNotes& notes = read.notes;
  FlowRecord& out = read.record;
  const std::string name(file_name);
  out.source.file = name;
  out.source.format = "flow file";
  std::streambuf* sb = in.rdbuf();
  if (sb == nullptr) refuse(name + " HOLDS NO RECORD OF FLOWS", name, 0, notes);
  std::vector<int> years;
  std::vector<bool> blank_line;
  std::string line;
  int line_number = 0;
  try {
    while (static_cast<int>(years.size()) < kMaxYears &&
           next_line(*sb, line, kRecordColumns + kByteOrderMark.size())) {
      ++line_number;
      if (line_number == 1 && line.starts_with(kByteOrderMark))
        line.erase(0, kByteOrderMark.size());
      if (line.size() > kRecordColumns) line.resize(kRecordColumns);
      const bool blank = is_blank(line);
      line.resize(kRecordColumns, ' ');
      int year = 0;
      bool readable = read_int_field(std::string_view(line).substr(4, 4), year);
      std::array<double, 12> months{};
      double sum = 0.0;
      for (int m = 0; m < 12 && readable; ++m) {
        readable = read_real_field(std::string_view(line).substr(9 + 8 * m, 7), months[m]);
        sum += months[m];
      }
      if (!readable) {
        notes.unreadable_record = line_number;
        notes.notes.push_back(" RECORD " + std::to_string(line_number) + " OF " + name +
                              " CANNOT BE READ: THE DATA END BEFORE IT");
        break;
      }
      if (!std::isfinite(sum))
        refuse("THE ANNUAL FLOW OF RECORD " + std::to_string(line_number) + " OF " + name +
                   " IS NOT A FINITE NUMBER",
               name, line_number, notes);
      bool no_flow_field = !blank;
      for (int m = 0; m < 12 && no_flow_field; ++m)
        no_flow_field = is_blank(std::string_view(line).substr(9 + 8 * m, 7));
      if (no_flow_field) notes.blank_years.push_back(year);
      years.push_back(year);
      blank_line.push_back(blank);
      out.months.push_back(months);
    }
    if (static_cast<int>(years.size()) == kMaxYears) {
      while (next_line(*sb, line, kRecordColumns)) {
        if (!is_blank(line)) {
          notes.more_than_max = true;
          notes.notes.push_back(" " + name +
                                " HOLDS MORE THAN 1000 RECORDS: ONLY THE FIRST 1000 ARE READ");
          break;
        }
      }
    }
  } catch (const std::system_error& e) {
    throw files::Error("READING " + name + " FAILED AFTER RECORD " + std::to_string(line_number) +
                           ": " + e.code().message(),
                       name, line_number, e.code());
  }
  // Blank lines at the end of the file are not records.
  std::size_t count = years.size();
  while (count > 0 && blank_line[count - 1]) --count;
  if (count == 0) refuse(name + " HOLDS NO RECORD OF FLOWS", name, 0, notes);
  for (std::size_t i = 0; i < count; ++i)
    if (blank_line[i])
      refuse("THE YEARS OF " + name + " ARE NOT CONSECUTIVE: RECORD " + std::to_string(i + 1) +
                 " IS A BLANK LINE",
             name, static_cast<int>(i + 1), notes);
  for (std::size_t i = 1; i < count; ++i)
    if (years[i] != years[0] + static_cast<int>(i))
      refuse("THE YEARS OF " + name + " ARE NOT CONSECUTIVE: RECORD " + std::to_string(i + 1) +
                 " HAS THE YEAR " + std::to_string(years[i]) + " AFTER " +
                 std::to_string(years[i - 1]),
             name, static_cast<int>(i + 1), notes);
  out.months.resize(count);
  out.first_year = years[0];
  return read;
}

FlowRead read_flow_file(const std::string& path) {
  files::InputFile file;
  std::string reason;
  const files::OpenFailure failure = file.open(path, reason);
  if (failure != files::OpenFailure::none)
    throw files::Error("CANNOT READ " + path + ": " + reason, path, 0,
                       failure == files::OpenFailure::missing
                           ? std::make_error_code(std::errc::no_such_file_or_directory)
                           : std::error_code{});
  std::istream in(&file);
  return read_flows(in, path);
}

}  // namespace flowfile
