#include "generate/model.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "generate/process.hpp"
#include "stats/moments.hpp"

namespace generate {

namespace {

using nlohmann::json;

std::string number_text(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

// The checks that both readers share; `where_t` and `where_arma` locate the
// transform and the ARMA model in the file for the messages.
void check_model(const Model& m, const std::string& where_t, const std::string& where_arma) {
  if (m.family != normalize::kLognormal && m.family != normalize::kBounded)
    throw ModelError(where_t + ": family " + std::to_string(m.family) +
                     " is neither 1 (lognormal) nor 3 (Johnson SB)");
  const normalize::Transform& t = m.t;
  if (!std::isfinite(t.GAMMA) || !std::isfinite(t.XI))
    throw ModelError(where_t + ": GAMMA and XI must be finite numbers");
  if (!(t.DELTA > 0.0) || !std::isfinite(t.DELTA))
    throw ModelError(where_t + ": DELTA must be a positive number (it is " + number_text(t.DELTA) +
                     ")");
  if (!(t.XLAM > 0.0) || !std::isfinite(t.XLAM))
    throw ModelError(where_t + ": XLAM must be a positive number (it is " + number_text(t.XLAM) +
                     ")");
  if (!roots_outside_unit_circle(m.phi[0], m.phi[1]))
    throw ModelError(where_arma + ": the ARMA model is not stationary (phi1 = " +
                     number_text(m.phi[0]) + ", phi2 = " + number_text(m.phi[1]) +
                     "): the roots of 1 - phi1 B - phi2 B^2 must lie outside the unit circle");
  if (!roots_outside_unit_circle(m.theta[0], m.theta[1]))
    throw ModelError(where_arma + ": the ARMA model is not invertible (theta1 = " +
                     number_text(m.theta[0]) + ", theta2 = " + number_text(m.theta[1]) +
                     "): the roots of 1 - theta1 B - theta2 B^2 must lie outside the unit circle");
}

// ---- JSON -------------------------------------------------------------------

class JsonReader {
 public:
  explicit JsonReader(const std::string& file) : file_(file) {}

  [[noreturn]] void fail(const std::string& path, const std::string& what) const {
    throw ModelError(file_ + ": " + path + ": " + what);
  }

  const json& member(const json& j, const std::string& path, const char* key) const {
    if (!j.is_object()) fail(path, "is not an object");
    const auto it = j.find(key);
    if (it == j.end()) fail(join(path, key), "missing");
    return *it;
  }

  double number(const json& j, const std::string& path, const char* key) const {
    const json& v = member(j, path, key);
    if (v.is_null()) fail(join(path, key), "is null (not a finite number)");
    if (!v.is_number()) fail(join(path, key), "is not a number");
    return v.get<double>();
  }

  int integer(const json& j, const std::string& path, const char* key) const {
    const json& v = member(j, path, key);
    if (!v.is_number_integer()) fail(join(path, key), "is not a whole number");
    const auto i = v.get<long long>();
    if (i < -1000000000LL || i > 1000000000LL) fail(join(path, key), "is out of range");
    return static_cast<int>(i);
  }

  // Entries 0..order-1 of an array of coefficients.
  std::array<double, 2> coefficients(const json& j, const std::string& path, const char* key,
                                     int order) const {
    const json& v = member(j, path, key);
    const std::string p = join(path, key);
    if (!v.is_array()) fail(p, "is not an array");
    if (static_cast<int>(v.size()) < order)
      fail(p, "has fewer than " + std::to_string(order) + " entries");
    std::array<double, 2> c{};
    for (int i = 0; i < order; ++i) {
      if (v[i].is_null()) fail(p + "[" + std::to_string(i) + "]", "is null (not a finite number)");
      if (!v[i].is_number()) fail(p + "[" + std::to_string(i) + "]", "is not a number");
      c[i] = v[i].get<double>();
    }
    return c;
  }

  static std::string join(const std::string& path, const char* key) {
    return path.empty() ? std::string(key) : path + "." + key;
  }

 private:
  std::string file_;
};

// ---- Year file --------------------------------------------------------------

std::string_view trim(std::string_view s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

class YearReader {
 public:
  YearReader(const std::string& file) : file_(file) {}

  [[noreturn]] void fail(int line, const std::string& what) const {
    throw ModelError(file_ + ":" + std::to_string(line) + ": " + what);
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

constexpr int kFirstSlotYear = 1901;
constexpr int kLastSlotYear = 2900;

}  // namespace

Model read_json_model(std::istream& in, const std::string& file) {
  json j;
  try {
    j = json::parse(in);
  } catch (const json::parse_error& e) {
    // e.what() is "[json.exception.parse_error.101] parse error at line L, ...".
    std::string what = e.what();
    const auto close = what.find("] ");
    if (close != std::string::npos) what = what.substr(close + 2);
    throw ModelError(file + ": not a valid JSON file: " + what);
  }
  const JsonReader r(file);
  Model m;
  if (!j.is_object()) r.fail("(top level)", "is not an object");
  const int version = r.integer(j, "", "schema_version");
  if (version != 1)
    r.fail("schema_version", std::to_string(version) + " is not supported (this program reads 1)");

  const json& g = r.member(j, "", "gauge");
  const json& name = r.member(g, "gauge", "name");
  if (!name.is_string()) r.fail("gauge.name", "is not a string");
  m.name = std::string(trim(name.get<std::string>()));
  m.first_year = r.integer(g, "gauge", "first_year");
  m.N = r.integer(g, "gauge", "years");
  if (m.N < 1) r.fail("gauge.years", "must be at least 1");
  if (r.integer(g, "gauge", "last_year") != m.last_year())
    r.fail("gauge.last_year", "does not agree with first_year and years");
  m.nz = r.integer(g, "gauge", "zero_flows");
  if (m.nz < 0 || m.nz > m.N) r.fail("gauge.zero_flows", "must lie between 0 and years");
  m.zero_fraction = r.number(g, "gauge", "zero_fraction");
  if (!(m.zero_fraction >= 0.0 && m.zero_fraction < 1.0))
    r.fail("gauge.zero_fraction", "must lie in [0, 1)");
  const json& flows = r.member(g, "gauge", "flows");
  if (!flows.is_array()) r.fail("gauge.flows", "is not an array");
  if (static_cast<int>(flows.size()) != m.N)
    r.fail("gauge.flows", "has " + std::to_string(flows.size()) + " entries for " +
                              std::to_string(m.N) + " years");
  m.flows.reserve(flows.size());
  for (std::size_t i = 0; i < flows.size(); ++i) {
    if (!flows[i].is_number() || !std::isfinite(flows[i].get<double>()))
      r.fail("gauge.flows[" + std::to_string(i) + "]", "is not a finite number");
    m.flows.push_back(flows[i].get<double>());
  }
  m.record_mean = stats::xmean(m.flows);
  m.record_sd = stats::stdev(m.flows, m.record_mean);

  const json& transform = r.member(j, "", "transform");
  if (transform.is_null() || r.member(transform, "transform", "chosen").is_null())
    throw ModelError(file +
                     ": no transform was fitted to this record (transform is null): there is "
                     "nothing to generate from");
  const json& tc = transform["chosen"];
  const std::string tp = "transform.chosen";
  m.t.ITYPE = r.integer(tc, tp, "ITYPE");
  if (m.t.ITYPE < 1 || m.t.ITYPE > 4) r.fail(tp + ".ITYPE", "must be 1, 2, 3 or 4");
  m.family = normalize::family_of(m.t.ITYPE);
  if (tc.contains("family") && r.integer(tc, tp, "family") != m.family)
    r.fail(tp + ".family", "does not agree with ITYPE " + std::to_string(m.t.ITYPE));
  m.t.GAMMA = r.number(tc, tp, "GAMMA");
  m.t.DELTA = r.number(tc, tp, "DELTA");
  m.t.XLAM = r.number(tc, tp, "XLAM");
  m.t.XI = r.number(tc, tp, "XI");

  const json& arma = r.member(j, "", "arma");
  if (arma.is_null() || r.member(arma, "arma", "chosen").is_null()) {
    m.arma_identified = false;
  } else {
    const json& ac = arma["chosen"];
    m.p = r.integer(ac, "arma.chosen", "p");
    m.q = r.integer(ac, "arma.chosen", "q");
    if (m.p < 0 || m.p > 2) r.fail("arma.chosen.p", "must be 0, 1 or 2");
    if (m.q < 0 || m.q > 2) r.fail("arma.chosen.q", "must be 0, 1 or 2");
    m.phi = r.coefficients(ac, "arma.chosen", "phi", m.p);
    m.theta = r.coefficients(ac, "arma.chosen", "theta", m.q);
  }
  check_model(m, file + ": " + tp, file + ": arma.chosen");
  return m;
}

Model read_year_file(std::istream& in, const std::string& file) {
  std::vector<std::string> lines;
  std::string text;
  while (std::getline(in, text)) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    lines.push_back(text);
  }
  while (!lines.empty() && trim(lines.back()).empty()) lines.pop_back();
  const YearReader r(file);
  if (lines.size() < 5)
    throw ModelError(file + ": a year file has at least 5 lines (name, record, transform, " +
                     "model, last line); this one has " + std::to_string(lines.size()));
  Model m;
  m.name = std::string(trim(YearReader::field(lines[0], 1, 20)));
  m.N = r.whole(lines[1], 2, 1, 5, "the number of years");
  m.first_year = r.whole(lines[1], 2, 6, 5, "the first year");
  if (m.N < 1) r.fail(2, "the number of years must be at least 1");

  m.family = r.whole(lines[2], 3, 1, 2, "the family code");
  if (m.family == 0)
    throw ModelError(file +
                     ":3: family 0: no transform was fitted to this record, there is nothing to "
                     "generate from");
  m.t.GAMMA = r.real(lines[2], 3, 4, 20, "GAMMA");
  m.t.DELTA = r.real(lines[2], 3, 24, 20, "DELTA");
  m.t.XLAM = r.real(lines[2], 3, 44, 20, "XLAM");
  m.t.XI = r.real(lines[2], 3, 64, 20, "XI");

  const char* names[4] = {"phi1", "phi2", "theta1", "theta2"};
  double c[4];
  for (int k = 0; k < 4; ++k) c[k] = r.real(lines[3], 4, 25 + 12 * k, 12, names[k]);
  m.phi = {c[0], c[1]};
  m.theta = {c[2], c[3]};
  m.p = m.phi[1] != 0.0 ? 2 : m.phi[0] != 0.0 ? 1 : 0;
  m.q = m.theta[1] != 0.0 ? 2 : m.theta[0] != 0.0 ? 1 : 0;
  const double printed_fraction = r.real(lines[3], 4, 73, 12, "the zero fraction");
  m.nz = r.whole(lines[3], 4, 85, 4, "the number of zero flows");
  if (m.nz < 0 || m.nz >= m.N) r.fail(4, "the number of zero flows must lie in 0 .. N-1");
  m.zero_fraction = static_cast<double>(m.nz) / m.N;
  if (std::fabs(printed_fraction - m.zero_fraction) > 1e-5)
    r.fail(4, "the zero fraction does not agree with the number of zero flows");
  // The analysis identifies no ARMA model with zero flows or with fewer than
  // 3 positive flows.
  m.arma_identified = m.nz == 0 && m.N - m.nz >= 3;

  const int last = static_cast<int>(lines.size());  // 1-based number of the last line
  m.record_mean = r.real(lines[last - 1], last, 1, 12, "the mean of the flows");
  m.record_sd = r.real(lines[last - 1], last, 13, 12, "the standard deviation of the flows");

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
  if (m.first_year < kFirstSlotYear || m.last_year() > kLastSlotYear) {
    m.flows_note =
        "the year file holds the flows of the years 1901-2900 only, and this record "
        "runs from " +
        std::to_string(m.first_year) + " to " + std::to_string(m.last_year());
  } else if (m.last_year() - 1900 > static_cast<int>(slots.size())) {
    r.fail(last, "the decade table ends before the last year of the record (" +
                     std::to_string(m.last_year()) + ")");
  } else {
    for (int y = m.first_year; y <= m.last_year(); ++y) {
      const std::size_t j = static_cast<std::size_t>(y - 1901);
      if (wide[j]) {
        m.flows.clear();
        m.flows_note = "the flow of " + std::to_string(y) + " is too wide for the year file";
        break;
      }
      m.flows.push_back(slots[j]);
    }
  }
  check_model(m, file + ":3", file + ":4");
  return m;
}

Model read_model(std::istream& in, const std::string& file) {
  std::string ext;
  const auto dot = file.find_last_of('.');
  const auto slash = file.find_last_of('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    ext = file.substr(dot + 1);
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  }
  if (ext == "json") return read_json_model(in, file);
  if (ext == "yer") return read_year_file(in, file);
  std::ostringstream whole;
  whole << in.rdbuf();
  const std::string text = whole.str();
  std::istringstream again(text);
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && text[first] == '{') return read_json_model(again, file);
  return read_year_file(again, file);
}

}  // namespace generate
