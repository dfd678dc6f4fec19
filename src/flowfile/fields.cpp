#include "flowfile/fields.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <system_error>

namespace flowfile {

namespace {

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

bool format_field(double value, std::string& field, int& decimals) {
  if (!std::isfinite(value) || value < 0.0 || value >= kLargestField) return false;
  char buf[32];
  // The most decimals that fit; below 1 the leading zero gives way to a
  // sixth decimal (".123456" reads back as 0.123456).
  for (int d = 6; d >= 1; --d) {
    const int n = std::snprintf(buf, sizeof buf, "%.*f", d, value);
    std::string_view s(buf, static_cast<std::size_t>(n));
    if (s.starts_with("0.")) s.remove_prefix(1);
    if (s.size() <= static_cast<std::size_t>(kFieldWidth)) {
      field.assign(kFieldWidth - s.size(), ' ');
      field += s;
      decimals = d;
      return true;
    }
  }
  // 100000 and more: a whole number without a point (read as written).
  const int n = std::snprintf(buf, sizeof buf, "%.0f", value);
  if (n > kFieldWidth) return false;
  field.assign(static_cast<std::size_t>(kFieldWidth - n), ' ');
  field.append(buf, static_cast<std::size_t>(n));
  decimals = 0;
  return true;
}

double field_value(std::string_view field) {
  double back = 0.0;
  const std::size_t start = field.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0.0;
  std::from_chars(field.data() + start, field.data() + field.size(), back);
  return back;
}

}  // namespace flowfile
