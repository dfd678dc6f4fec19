#include "driver/reader.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <system_error>

#include "driver/outputs.hpp"
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

namespace {

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

}  // namespace

ReadResult read_flows(std::istream& in, std::string_view file_name, FlowRecord& out) {
  out = FlowRecord{};
  ReadResult result;
  const std::string name(file_name);
  std::array<int, kMaxYears> years{};
  std::array<bool, kMaxYears> blank_line{};
  int count = 0;
  std::string line;
  int line_number = 0;
  std::streambuf* sb = in.rdbuf();
  if (sb == nullptr) {
    result.message = " " + name + " HOLDS NO RECORD OF FLOWS";
    return result;
  }
  try {
    while (count < kMaxYears && next_line(*sb, line, kRecordColumns + kByteOrderMark.size())) {
      ++line_number;
      if (line_number == 1 && line.starts_with(kByteOrderMark))
        line.erase(0, kByteOrderMark.size());
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
        result.unreadable_record = line_number;
        result.notes.push_back(" RECORD " + std::to_string(line_number) + " OF " + name +
                               " CANNOT BE READ: THE DATA END BEFORE IT");
        break;
      }
      if (!std::isfinite(sum)) {
        result.message = " THE ANNUAL FLOW OF RECORD " + std::to_string(line_number) + " OF " +
                         name + " IS NOT A FINITE NUMBER";
        return result;
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
      while (next_line(*sb, line, kRecordColumns)) {
        if (!is_blank(line)) {
          result.more_than_max = true;
          result.notes.push_back(" " + name +
                                 " HOLDS MORE THAN 1000 RECORDS: ONLY THE FIRST 1000 ARE READ");
          break;
        }
      }
    }
  } catch (const std::system_error& e) {
    out = FlowRecord{};
    result.notes.clear();
    result.message = " READING " + name + " FAILED AFTER RECORD " + std::to_string(line_number) +
                     ": " + e.code().message();
    return result;
  }
  // Blank lines at the end of the file are not records.
  while (count > 0 && blank_line[count - 1]) --count;
  if (count == 0) {
    result.message = " " + name + " HOLDS NO RECORD OF FLOWS";
    return result;
  }
  for (int i = 0; i < count; ++i) {
    if (blank_line[i]) {
      result.message = " THE YEARS OF " + name + " ARE NOT CONSECUTIVE: RECORD " +
                       std::to_string(i + 1) + " IS A BLANK LINE";
      return result;
    }
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

ReadResult read_flow_file(const std::string& path, FlowRecord& out) {
  FlowInput file;
  std::string reason;
  const OpenFailure failure = file.open(path, reason);
  if (failure != OpenFailure::none) {
    out = FlowRecord{};
    ReadResult r;
    r.open_failure = failure;
    r.message = " CANNOT READ " + path + ": " + reason;
    return r;
  }
  std::istream in(&file);
  return read_flows(in, path, out);
}

std::string data_directory(std::string_view typed) {
  std::string dir(typed.substr(0, typed.find(' ')));
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir;
}

std::string base_name_entered(std::string_view typed) {
  const std::size_t first = typed.find_first_not_of(' ');
  std::string name(first == std::string_view::npos ? std::string_view() : typed.substr(first));
  const std::size_t blank = name.find(' ');
  const std::size_t stem_end = blank == std::string::npos ? name.size() : blank;
  if (has_flow_suffix(std::string_view(name).substr(0, stem_end))) name.erase(stem_end - 4, 4);
  return name;
}

bool is_end(std::string_view typed) {
  const std::size_t first = typed.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  std::string field = fixed_field(typed.substr(first), kNameColumns);
  for (char& c : field)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return field == fixed_field("END", kNameColumns);
}

bool is_plain_name(std::string_view stem) {
  return stem.find_first_of("/\\") == std::string_view::npos &&
         stem.find("..") == std::string_view::npos;
}

bool has_suffix(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(tail[i])) !=
        std::tolower(static_cast<unsigned char>(suffix[i])))
      return false;
  return true;
}

bool has_flow_suffix(std::string_view file_name) {
  return has_suffix(file_name, ".INC");
}

std::string find_flow_file(const std::string& dir, const std::string& stem) {
  const std::string upper = join_path(dir, stem + ".INC");
  if (file_exists(upper)) return upper;
  const std::string lower = join_path(dir, stem + ".inc");
  if (file_exists(lower)) return lower;
  return upper;
}

bool reader(Console& console, const std::string& directory, std::string& name, FlowRecord& out,
            ReadResult* read) {
  format::Writer screen(console.out());
  const std::string dir50 = fixed_field(directory, kDirectoryColumns);
  // ld: the length of the directory up to its first blank.
  const std::size_t dir_blank = dir50.find(' ');
  const int ld = dir_blank == std::string::npos ? -1 : static_cast<int>(dir_blank);
  // The directory joined to the base name: the text up to its first blank,
  // however long it is (only the field shown is cut to 50 columns).
  const std::string dir_text = directory.substr(0, directory.find(' '));
  while (true) {
    screen.list(" DIR = ", dir50);
    screen.write("(A)", " ENTER THE BASE NAME OF DATA FILE( E.G. NOOIT )  ");
    screen.list("   ?   ");
    std::string typed;
    if (!console.read_line(typed)) return false;
    if (is_end(typed)) return false;
    name = fixed_field(base_name_entered(typed), kNameColumns);
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
    if (!is_plain_name(stem)) {
      screen.list(" A BASE NAME HAS NO PATH: THE OUTPUT FILES GO TO THE WORKING DIRECTORY.");
      screen.list(" GIVE THE FOLDER OF THE FLOW FILES AS THE DIRECTORY - TRY AGAIN !");
      continue;
    }
    const std::string file_name = find_flow_file(dir_text, stem);
    const ReadResult r = read_flow_file(file_name, out);
    if (r.open_failure == OpenFailure::missing) {
      screen.list(" CANNOT FIND THE FILE YOU KEYED IN - TRY ONCE MORE");
      screen.write(
          "(A)", fixed_field(file_name, std::max<std::size_t>(kFileNameColumns, file_name.size())),
          " TRY AGAIN !");
      continue;
    }
    for (const std::string& note : r.notes) screen.list(note);
    if (!r.ok) {
      screen.list(r.message);
      screen.write("(A)", " TRY AGAIN !");
      continue;
    }
    if (read) *read = r;
    return true;
  }
}

}  // namespace driver
