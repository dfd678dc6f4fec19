#include "flowfile/year_file.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>
#include <string_view>

#include "files/error.hpp"
#include "format/format.hpp"

namespace flowfile {

namespace {

// The decade table: slot j holds the flow of the year 1900 + j, a line
// holds ten slots (1901-1910, 1911-1920, ...). Years outside 1901-2900 have
// no slot.
constexpr int kFirstSlotYear = 1901;
constexpr int kLastSlotYear = 2900;
constexpr int kSlots = kLastSlotYear - kFirstSlotYear + 1;

std::string_view trim(std::string_view s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

class YearReader {
 public:
  explicit YearReader(const std::string& file) : file_(file) {}

  [[noreturn]] void fail(int line, const std::string& what) const {
    throw files::Error(file_ + ":" + std::to_string(line) + ": " + what, file_, line);
  }

  // Columns first..first+width-1 (1-based) of a line; "" past its end.
  static std::string_view field(const std::string& text, int first, int width) {
    const std::size_t b = static_cast<std::size_t>(first - 1);
    if (b >= text.size()) return {};
    return std::string_view(text).substr(b, static_cast<std::size_t>(width));
  }

  static std::string columns(int first, int width, const char* what) {
    return std::string(what) + " (columns " + std::to_string(first) + "-" +
           std::to_string(first + width - 1) + ")";
  }

  // A number field; `overflow` is set instead of failing when the field is
  // all asterisks (a value too wide for it), when overflow is given.
  double real(const std::string& text, int line, int first, int width, const char* what,
              bool* overflow = nullptr) const {
    const std::string_view f = trim(field(text, first, width));
    if (overflow) *overflow = false;
    if (f.empty()) fail(line, columns(first, width, what) + " is blank");
    if (f.find_first_not_of('*') == std::string_view::npos) {
      if (overflow) {
        *overflow = true;
        return 0.0;
      }
      fail(line, columns(first, width, what) + " is too wide for its field (asterisks)");
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (ec != std::errc() || end != f.data() + f.size())
      fail(line, columns(first, width, what) + " is not a number: '" + std::string(f) + "'");
    return v;
  }

  int whole(const std::string& text, int line, int first, int width, const char* what) const {
    const std::string_view f = trim(field(text, first, width));
    if (f.empty()) fail(line, columns(first, width, what) + " is blank");
    int v = 0;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (ec != std::errc() || end != f.data() + f.size())
      fail(line, columns(first, width, what) + " is not a whole number: '" + std::string(f) + "'");
    return v;
  }

 private:
  std::string file_;
};

}  // namespace

std::string year_file_text(const YearFile& y) {
  std::ostringstream os;
  format::Writer w(os);
  w.write("(A)", y.name);
  w.write("(2I5 4F18.7)", y.years, y.first_year, y.residual_last, y.z_last, y.residual_before,
          y.z_before);
  w.write("(I2 1X 4F20.7)", y.family, y.GAMMA, y.DELTA, y.XLAM, y.XI);
  w.write("(7F12.5 I4 F12.5)", y.z_mean, y.z_sd, y.phi[0], y.phi[1], y.theta[0], y.theta[1],
          y.zero_fraction, y.zero_flows);

  // Up to the decade of the last year and at least ten lines.
  std::vector<double> slots(kSlots, 0.0);
  const int n = std::min(y.years, static_cast<int>(y.flows.size()));
  for (int i = 0; i < n; ++i) {
    const int j = y.first_year + i - 1900;
    if (j >= 1 && j <= kSlots) slots[static_cast<std::size_t>(j - 1)] = y.flows[i];
  }
  const int span = y.first_year - 1902 + y.years;
  const int decades = (span >= 0 ? span / 10 : -((-span + 9) / 10)) + 1;
  const int lines = std::min(std::max(decades, 10), kSlots / 10);
  std::vector<format::Item> items;
  items.reserve(static_cast<std::size_t>(lines) * 10);
  for (int j = 0; j < lines * 10; ++j) items.emplace_back(slots[static_cast<std::size_t>(j)]);
  w.write_items("(10F10.2)", items);

  if (y.has_scores)
    w.write("(7F12.5 I4 F12.5)", y.mean, y.sd, y.score, y.white_noise);
  else
    w.write("(2F12.5 2A12)", y.mean, y.sd, "N/A", "N/A");
  return os.str();
}

YearFile read_year_file(std::istream& in, const std::string& file) {
  std::vector<std::string> lines;
  std::string text;
  while (std::getline(in, text)) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    lines.push_back(text);
  }
  while (!lines.empty() && trim(lines.back()).empty()) lines.pop_back();
  const YearReader r(file);
  if (lines.size() < 5)
    throw files::Error(file + ": a year file has at least 5 lines (name, record, transform, " +
                           "model, last line); this one has " + std::to_string(lines.size()),
                       file);
  YearFile y;
  y.name = std::string(trim(YearReader::field(lines[0], 1, 20)));
  y.years = r.whole(lines[1], 2, 1, 5, "the number of years");
  y.first_year = r.whole(lines[1], 2, 6, 5, "the first year");
  if (y.years < 1) r.fail(2, "the number of years must be at least 1");
  const int last_year = y.first_year + y.years - 1;

  y.family = r.whole(lines[2], 3, 1, 2, "the family code");
  y.GAMMA = r.real(lines[2], 3, 4, 20, "GAMMA");
  y.DELTA = r.real(lines[2], 3, 24, 20, "DELTA");
  y.XLAM = r.real(lines[2], 3, 44, 20, "XLAM");
  y.XI = r.real(lines[2], 3, 64, 20, "XI");

  const char* names[4] = {"phi1", "phi2", "theta1", "theta2"};
  double c[4];
  for (int k = 0; k < 4; ++k) c[k] = r.real(lines[3], 4, 25 + 12 * k, 12, names[k]);
  y.phi = {c[0], c[1]};
  y.theta = {c[2], c[3]};
  y.zero_fraction = r.real(lines[3], 4, 73, 12, "the zero fraction");
  y.zero_flows = r.whole(lines[3], 4, 85, 4, "the number of zero flows");
  if (y.zero_flows < 0 || y.zero_flows >= y.years)
    r.fail(4, "the number of zero flows must lie in 0 .. N-1");
  if (std::fabs(y.zero_fraction - static_cast<double>(y.zero_flows) / y.years) > 1e-5)
    r.fail(4, "the zero fraction does not agree with the number of zero flows");

  const int last = static_cast<int>(lines.size());  // 1-based number of the last line
  y.mean = r.real(lines[last - 1], last, 1, 12, "the mean of the flows");
  y.sd = r.real(lines[last - 1], last, 13, 12, "the standard deviation of the flows");

  // The decade table, lines 5 .. last-1: slot j (1-based) is the year 1900+j.
  const int decade_lines = last - 5;
  std::vector<double> slots(static_cast<std::size_t>(decade_lines) * 10, 0.0);
  std::vector<bool> wide(slots.size(), false);
  for (int l = 0; l < decade_lines; ++l) {
    const std::string& t = lines[static_cast<std::size_t>(4 + l)];
    if (trim(YearReader::field(t, 101, static_cast<int>(t.size()))).size() > 0)
      r.fail(5 + l, "a line of the decade table has 10 fields of 10 columns");
    for (int k = 0; k < 10; ++k) {
      bool overflow = false;
      slots[static_cast<std::size_t>(l * 10 + k)] =
          r.real(t, 5 + l, 1 + 10 * k, 10, "a flow of the decade table", &overflow);
      wide[static_cast<std::size_t>(l * 10 + k)] = overflow;
    }
  }
  if (y.first_year < kFirstSlotYear || last_year > kLastSlotYear) {
    y.flows_note =
        "the year file holds the flows of the years 1901-2900 only, and this record "
        "runs from " +
        std::to_string(y.first_year) + " to " + std::to_string(last_year);
  } else if (last_year - 1900 > static_cast<int>(slots.size())) {
    r.fail(last, "the decade table ends before the last year of the record (" +
                     std::to_string(last_year) + ")");
  } else {
    for (int year = y.first_year; year <= last_year; ++year) {
      const std::size_t j = static_cast<std::size_t>(year - kFirstSlotYear);
      if (wide[j]) {
        y.flows.clear();
        y.flows_note = "the flow of " + std::to_string(year) + " is too wide for the year file";
        break;
      }
      y.flows.push_back(slots[j]);
    }
  }
  return y;
}

}  // namespace flowfile
