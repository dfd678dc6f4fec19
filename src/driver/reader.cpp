#include "driver/reader.hpp"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "format/format.hpp"

namespace driver {

namespace {

constexpr std::size_t kRecordColumns = 105;

// Removes every blank: a formatted numeric read ignores them.
std::string without_blanks(std::string_view field) {
  std::string s;
  for (char c : field)
    if (c != ' ') s += c;
  return s;
}

bool all_digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool is_blank(std::string_view line) {
  for (char c : line)
    if (c != ' ') return false;
  return true;
}

}  // namespace

bool read_int_field(std::string_view field, int& value) {
  std::string s = without_blanks(field);
  value = 0;
  if (s.empty()) return true;
  std::size_t pos = 0;
  bool negative = false;
  if (s[0] == '+' || s[0] == '-') {
    negative = s[0] == '-';
    pos = 1;
  }
  if (!all_digits(std::string_view(s).substr(pos))) return false;
  int v = 0;
  for (std::size_t i = pos; i < s.size(); ++i) v = v * 10 + (s[i] - '0');
  value = negative ? -v : v;
  return true;
}

bool read_real_field(std::string_view field, double& value) {
  std::string s = without_blanks(field);
  value = 0.0;
  if (s.empty()) return true;
  std::size_t pos = 0;
  std::string text;
  if (s[pos] == '+' || s[pos] == '-') {
    if (s[pos] == '-') text += '-';
    ++pos;
  }
  // Mantissa: digits with at most one point, at least one digit.
  std::size_t digits = 0;
  bool point = false;
  while (pos < s.size()) {
    char c = s[pos];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
    text += c;
    ++pos;
  }
  if (digits == 0) return false;
  // Exponent: a letter E or D with an optional sign, or a sign alone.
  if (pos < s.size()) {
    char c = s[pos];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd')
      ++pos;
    else if (c != '+' && c != '-')
      return false;
    std::string exponent;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) exponent += s[pos++];
    if (!all_digits(std::string_view(s).substr(pos))) return false;
    if (s.size() - pos > 4) return false;  // no double has such an exponent
    exponent += s.substr(pos);
    text += 'e';
    text += exponent;
  }
  double v = 0.0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec == std::errc::result_out_of_range) return false;
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  value = v;
  return true;
}

std::string stem_of(std::string_view name) {
  std::size_t blank = name.find(' ');
  return std::string(name.substr(0, blank));
}

std::string fixed_field(std::string_view text, std::size_t width) {
  std::string s(text.substr(0, width));
  s.resize(width, ' ');
  return s;
}

ReadResult read_flows(std::istream& in, std::string_view file_name, FlowRecord& out) {
  out = FlowRecord{};
  ReadResult result;
  const std::string name(file_name);
  std::array<int, kMaxYears> years{};
  std::array<bool, kMaxYears> blank_line{};
  int count = 0;
  std::string line;
  int line_number = 0;
  while (count < kMaxYears && std::getline(in, line)) {
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kRecordColumns) line.resize(kRecordColumns);
    blank_line[count] = is_blank(line);
    line.resize(kRecordColumns, ' ');
    int year = 0;
    bool readable = read_int_field(std::string_view(line).substr(4, 4), year);
    double sum = 0.0;
    for (int m = 0; m < 12 && readable; ++m) {
      double v = 0.0;
      readable = read_real_field(std::string_view(line).substr(9 + 8 * m, 7), v);
      sum += v;
    }
    if (!readable) {
      result.ended_at_line = line_number;
      result.notes.push_back(" RECORD " + std::to_string(line_number) + " OF " + name +
                             " CANNOT BE READ: THE DATA END BEFORE IT");
      break;
    }
    years[count] = year;
    bool no_flow_field = !blank_line[count];
    for (int m = 0; m < 12 && no_flow_field; ++m)
      no_flow_field = is_blank(std::string_view(line).substr(9 + 8 * m, 7));
    if (no_flow_field) result.blank_years.push_back(year);
    out.flows[count] = sum;
    ++count;
  }
  if (count == kMaxYears) {
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!is_blank(line)) {
        result.notes.push_back(" " + name + " HOLDS MORE THAN 1000 RECORDS: ONLY THE FIRST 1000 " +
                               "ARE READ");
        break;
      }
    }
  }
  // Blank lines at the end of the file are not records.
  while (count > 0 && blank_line[count - 1]) --count;
  if (count == 0) {
    result.message = " " + name + " HOLDS NO RECORD OF FLOWS";
    return result;
  }
  for (int i = 1; i < count; ++i) {
    if (years[i] != years[0] + i) {
      result.message = " THE YEARS OF " + name + " ARE NOT CONSECUTIVE: RECORD " +
                       std::to_string(i + 1) + " HAS THE YEAR " + std::to_string(years[i]) +
                       " AFTER " + std::to_string(years[i - 1]);
      return result;
    }
  }
  for (int i = count; i < kMaxYears; ++i) out.flows[i] = 0.0;
  out.first_year = years[0];
  out.N = years[count - 1] - years[0] + 1;
  result.ok = true;
  return result;
}

bool reader(Console& console, const std::string& directory, std::string& name, FlowRecord& out,
            ReadResult* read) {
  format::Writer screen(console.out());
  const std::string dir50 = fixed_field(directory, kDirectoryColumns);
  // ld: the length of the directory up to its first blank.
  const std::size_t dir_blank = dir50.find(' ');
  const int ld = dir_blank == std::string::npos ? -1 : static_cast<int>(dir_blank);
  const std::string dir_text = dir50.substr(0, dir_blank);
  while (true) {
    screen.list(" DIR = ", dir50);
    screen.write("(A)", " ENTER THE BASE NAME OF DATA FILE( E.G. NOOIT )  ");
    screen.list("   ?   ");
    std::string typed;
    if (!console.read_line(typed)) return false;
    name = fixed_field(typed, kNameColumns);
    if (name == fixed_field("END", kNameColumns)) return false;
    const std::size_t name_blank = name.find(' ');
    const int k = name_blank == std::string::npos ? -1 : static_cast<int>(name_blank);
    const std::string stem = stem_of(name);
    screen.write("(1X 2I3 A A / 1X A A / 1X A A / 1X A A)", ld, k, dir50, "*", name, "*", stem, "*",
                 "INC", "*");
    if (k < 0) {
      screen.list(" A BASE NAME HAS AT MOST 19 CHARACTERS - TRY AGAIN !");
      continue;
    }
    if (stem.empty()) {
      screen.list(" THE BASE NAME IS EMPTY - TRY AGAIN !");
      continue;
    }
    std::string file_name = dir_text + stem + ".INC";
    if (file_name.size() > kFileNameColumns) file_name.resize(kFileNameColumns);
    std::error_code ec;
    const bool exists = std::filesystem::is_regular_file(file_name, ec);
    std::ifstream in;
    if (exists) in.open(file_name, std::ios::binary);
    if (!exists || !in) {
      screen.list(" CANNOT FIND THE FILE YOU KEYED IN - TRY ONCE MORE");
      screen.write("(A)", fixed_field(file_name, kFileNameColumns), " TRY AGAIN !");
      continue;
    }
    ReadResult r = read_flows(in, file_name, out);
    for (const std::string& note : r.notes) screen.list(note);
    if (!r.ok) {
      screen.list(r.message);
      screen.write("(A)", " TRY AGAIN !");
      continue;
    }
    if (read) *read = std::move(r);
    return true;
  }
}

}  // namespace driver
