#include "generate/model.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "flowfile/year_file.hpp"
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
  const normalize::FittedDistribution& t = m.distribution;
  if (!std::isfinite(t.GAMMA) || !std::isfinite(t.XI))
    throw files::Error(where_t + ": GAMMA and XI must be finite numbers");
  if (!(t.DELTA > 0.0) || !std::isfinite(t.DELTA))
    throw files::Error(where_t + ": DELTA must be a positive number (it is " +
                       number_text(t.DELTA) + ")");
  if (!(t.XLAM > 0.0) || !std::isfinite(t.XLAM))
    throw files::Error(where_t + ": XLAM must be a positive number (it is " + number_text(t.XLAM) +
                       ")");
  if (!roots_outside_unit_circle(m.phi[0], m.phi[1]))
    throw files::Error(where_arma + ": the ARMA model is not stationary (phi1 = " +
                       number_text(m.phi[0]) + ", phi2 = " + number_text(m.phi[1]) +
                       "): the roots of 1 - phi1 B - phi2 B^2 must lie outside the unit circle");
  if (!roots_outside_unit_circle(m.theta[0], m.theta[1]))
    throw files::Error(
        where_arma + ": the ARMA model is not invertible (theta1 = " + number_text(m.theta[0]) +
        ", theta2 = " + number_text(m.theta[1]) +
        "): the roots of 1 - theta1 B - theta2 B^2 must lie outside the unit circle");
}

// ---- JSON -------------------------------------------------------------------

class JsonReader {
 public:
  explicit JsonReader(const std::string& file) : file_(file) {}

  [[noreturn]] void fail(const std::string& path, const std::string& what) const {
    throw files::Error(file_ + ": " + path + ": " + what, file_);
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

std::string_view trim(std::string_view s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

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
    throw files::Error(file + ": not a valid JSON file: " + what);
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
  m.distribution.zero_share = r.number(g, "gauge", "zero_fraction");
  if (!(m.distribution.zero_share >= 0.0 && m.distribution.zero_share < 1.0))
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
    throw files::Error(file +
                       ": no transform was fitted to this record (transform is null): there is "
                       "nothing to generate from");
  const json& tc = transform["chosen"];
  const std::string tp = "transform.chosen";
  const int itype = r.integer(tc, tp, "ITYPE");
  if (itype < 1 || itype > 4) r.fail(tp + ".ITYPE", "must be 1, 2, 3 or 4");
  m.distribution.model = normalize::model_of_itype(itype);
  if (tc.contains("family") && r.integer(tc, tp, "family") != m.distribution.family())
    r.fail(tp + ".family", "does not agree with ITYPE " + std::to_string(itype));
  m.distribution.GAMMA = r.number(tc, tp, "GAMMA");
  m.distribution.DELTA = r.number(tc, tp, "DELTA");
  m.distribution.XLAM = r.number(tc, tp, "XLAM");
  m.distribution.XI = r.number(tc, tp, "XI");

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
  const flowfile::YearFile y = flowfile::read_year_file(in, file);
  if (y.family == 0)
    throw files::Error(
        file +
            ":3: family 0: no transform was fitted to this record, there is nothing to "
            "generate from",
        file, 3);
  Model m;
  m.name = y.name;
  m.N = y.years;
  m.first_year = y.first_year;
  m.distribution.model = normalize::model_of_family(y.family);
  if (!m.distribution.fitted())
    throw files::Error(file + ":3: family " + std::to_string(y.family) +
                           " is neither 1 (lognormal) nor 3 (Johnson SB)",
                       file, 3);
  m.distribution.GAMMA = y.GAMMA;
  m.distribution.DELTA = y.DELTA;
  m.distribution.XLAM = y.XLAM;
  m.distribution.XI = y.XI;
  m.phi = y.phi;
  m.theta = y.theta;
  m.p = m.phi[1] != 0.0 ? 2 : m.phi[0] != 0.0 ? 1 : 0;
  m.q = m.theta[1] != 0.0 ? 2 : m.theta[0] != 0.0 ? 1 : 0;
  m.nz = y.zero_flows;
  m.distribution.zero_share = static_cast<double>(m.nz) / m.N;
  // The analysis identifies no ARMA model with zero flows or with fewer than
  // 3 positive flows.
  m.arma_identified = m.nz == 0 && m.N - m.nz >= 3;
  m.record_mean = y.mean;
  m.record_sd = y.sd;
  m.flows = y.flows;
  m.flows_note = y.flows_note;
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
