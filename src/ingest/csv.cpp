#include "ingest/csv.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace ingest {

namespace {

bool all_digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int digits_value(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// The number of delimiters outside double quotes.
int count_outside_quotes(std::string_view line, char delimiter) {
  int n = 0;
  bool quoted = false;
  for (char c : line) {
    if (c == '"')
      quoted = !quoted;
    else if (c == delimiter && !quoted)
      ++n;
  }
  return n;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// sign? (digits ('.' digits*)? | '.' digits) (('e'|'E') sign? digits)?
bool number_shape(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (!all_digits(s.substr(i))) return false;
    i = s.size();
  }
  return i == s.size();
}

}  // namespace

char detect_delimiter(std::string_view first, std::string_view second) {
  constexpr std::array<char, 3> kCandidates{'\t', ';', ','};
  if (!second.empty()) {
    for (char c : kCandidates) {
      const int n = count_outside_quotes(first, c);
      if (n > 0 && n == count_outside_quotes(second, c)) return c;
    }
  }
  for (char c : kCandidates)
    if (count_outside_quotes(first, c) > 0) return c;
  return ',';
}

void split_cells(std::string_view line, char delimiter, std::vector<std::string>& cells) {
  cells.clear();
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && line[i] != delimiter && is_blank(line[i])) ++i;
    std::string cell;
    if (i < line.size() && line[i] == '"') {
      ++i;
      while (i < line.size()) {
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            cell += '"';
            i += 2;
          } else {
            ++i;
            break;
          }
        } else {
          cell += line[i++];
        }
      }
    }
    const std::size_t end = line.find(delimiter, i);
    const std::string_view rest =
        trim(line.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
    cell.append(rest.data(), rest.size());
    cells.push_back(std::move(cell));
    if (end == std::string_view::npos) break;
    i = end + 1;
  }
}

bool parse_iso_date(std::string_view s, Date& d) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
  if (!all_digits(s.substr(0, 4)) || !all_digits(s.substr(5, 2)) || !all_digits(s.substr(8, 2)))
    return false;
  d.year = digits_value(s.substr(0, 4));
  d.month = digits_value(s.substr(5, 2));
  d.day = digits_value(s.substr(8, 2));
  return true;
}

bool parse_year_month(std::string_view s, int& year, int& month) {
  if (s.size() != 7 || s[4] != '-') return false;
  if (!all_digits(s.substr(0, 4)) || !all_digits(s.substr(5, 2))) return false;
  year = digits_value(s.substr(0, 4));
  month = digits_value(s.substr(5, 2));
  return true;
}

bool parse_year(std::string_view s, int& year) {
  if (s.size() > 4 || !all_digits(s)) return false;
  year = digits_value(s);
  return true;
}

bool parse_month(std::string_view s, int& month) {
  if (s.size() > 2 || !all_digits(s)) return false;
  month = digits_value(s);
  return month >= 1 && month <= 12;
}

bool is_leap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month) {
  constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : kDays[month - 1];
}

int days_in_year(int year) {
  return is_leap(year) ? 366 : 365;
}

bool valid_date(const Date& d) {
  return d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= days_in_month(d.year, d.month);
}

int day_number(const Date& d) {
  // Days from the civil date, counting eras of 400 years (146097 days) from
  // 0000-03-01 so that the leap day falls at the end of each counted year.
  const int y = d.year - (d.month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (d.month > 2 ? d.month - 3 : d.month + 9) + 2) / 5 + d.day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Date date_of(int day_number) {
  const int z = day_number + 719468;
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = z - era * 146097;
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  Date d;
  d.day = doy - (153 * mp + 2) / 5 + 1;
  d.month = mp < 10 ? mp + 3 : mp - 9;
  d.year = yoe + era * 400 + (d.month <= 2 ? 1 : 0);
  return d;
}

CellValue parse_value(std::string_view cell, bool decimal_comma, double& value) {
  cell = trim(cell);
  if (cell.empty() || equal_ignoring_case(cell, "NA") || equal_ignoring_case(cell, "NaN"))
    return CellValue::Missing;
  std::string text(cell);
  if (decimal_comma) {
    const std::size_t comma = text.find(',');
    if (comma != std::string::npos && text.find(',', comma + 1) == std::string::npos &&
        text.find('.') == std::string::npos)
      text[comma] = '.';
  }
  if (!number_shape(text)) return CellValue::Text;
  const char* begin = text.data();
  if (*begin == '+') ++begin;
  double v = 0.0;
  const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
    return CellValue::Text;
  value = v == 0.0 ? 0.0 : v;
  return CellValue::Number;
}

std::string date_text(const Date& d) {
  char buf[32];
  const auto n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return std::string(buf, static_cast<std::size_t>(n));
}

std::string month_text(int year, int month) {
  char buf[32];
  const auto n = std::snprintf(buf, sizeof buf, "%04d-%02d", year, month);
  return std::string(buf, static_cast<std::size_t>(n));
}

}  // namespace ingest
