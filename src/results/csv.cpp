#include "results/csv.hpp"

#include <charconv>
#include <cmath>

namespace results {

namespace {

// The columns, with a value maker for a result.
struct Builder {
  Columns c;
  void text(const char* h, std::string v) { c.emplace_back(h, std::move(v)); }
  void number(const char* h, double v) { c.emplace_back(h, csv_number(v)); }
  void integer(const char* h, long long v) { c.emplace_back(h, std::to_string(v)); }
  void none(const char* h) { c.emplace_back(h, ""); }
};

// Fills the columns; r null gives the headers with empty values.
Columns build(const GaugeResult* r) {
  Builder b;
  const bool t = r && r->transformed();
  const bool corr = r && r->correlated();
  const bool comp = r && r->complete();
  const Record* rec = r ? &r->record : nullptr;
  b.text("name", rec ? rec->name : "");
  rec ? b.integer("first_year", rec->first_year) : b.none("first_year");
  rec ? b.integer("last_year", rec->last_year()) : b.none("last_year");
  rec ? b.integer("years", rec->N) : b.none("years");
  rec ? b.integer("positive_flows", rec->npos) : b.none("positive_flows");
  rec ? b.integer("zero_flows", rec->nz) : b.none("zero_flows");
  r && rec->npos > 0 ? b.number("mean", r->raw.mean) : b.none("mean");
  r && rec->npos > 0 ? b.number("sd", r->raw.sd) : b.none("sd");
  t ? b.number("skewness", r->raw.skewness) : b.none("skewness");
  t ? b.number("excess", r->raw.excess) : b.none("excess");
  const normalize::Normalisation* nm = t ? &r->normalisation : nullptr;
  b.text("transform", nm ? normalize::model_code(nm->fitted.itype()) : "");
  nm ? b.number("GAMMA", nm->fitted.GAMMA) : b.none("GAMMA");
  nm ? b.number("DELTA", nm->fitted.DELTA) : b.none("DELTA");
  nm ? b.number("XLAM", nm->fitted.XLAM) : b.none("XLAM");
  nm ? b.number("XI", nm->fitted.XI) : b.none("XI");
  nm ? b.number("criterion", nm->candidates[nm->fitted.itype() - 1].CR) : b.none("criterion");
  for (const auto& [prefix, test] :
       {std::pair{"chi2_flows", t ? &r->chi_flows : nullptr},
        std::pair{"chi2_normalised", t ? &r->chi_normalised : nullptr}}) {
    const std::string p = prefix;
    b.c.emplace_back(p, test ? csv_number(test->statistic) : "");
    b.c.emplace_back(p + "_df", test ? std::to_string(test->df) : "");
    b.c.emplace_back(p + "_p", test ? csv_number(test->probability) : "");
  }
  corr ? b.number("r1", r->correlogram.r[0]) : b.none("r1");
  corr ? b.number("Q", r->correlogram.Q) : b.none("Q");
  corr ? b.integer("Q_df", r->correlogram.df) : b.none("Q_df");
  corr ? b.number("Q_p", r->correlogram.probability) : b.none("Q_p");
  comp ? b.integer("p", r->p) : b.none("p");
  comp ? b.integer("q", r->q) : b.none("q");
  comp ? b.number("phi1", r->phi[0]) : b.none("phi1");
  comp ? b.number("phi2", r->phi[1]) : b.none("phi2");
  comp ? b.number("theta1", r->theta[0]) : b.none("theta1");
  comp ? b.number("theta2", r->theta[1]) : b.none("theta2");
  comp ? b.number("min_score", r->arma.min_score) : b.none("min_score");
  comp && r->arma.refitted ? b.number("refit_aicc", r->arma.refit.fff) : b.none("refit_aicc");
  comp ? b.number("residual_Q", r->residual_correlogram.Q) : b.none("residual_Q");
  comp ? b.integer("residual_Q_df", r->residual_correlogram.df) : b.none("residual_Q_df");
  comp ? b.number("residual_Q_p", r->residual_correlogram.probability) : b.none("residual_Q_p");
  return b.c;
}

}  // namespace

Columns csv_columns(const GaugeResult& r) {
  return build(&r);
}

Columns csv_empty_columns() {
  return build(nullptr);
}

std::string csv_number(double v) {
  if (!std::isfinite(v)) return "";
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string q = "\"";
  for (const char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

std::string csv_line(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    line += csv_field(fields[i]);
  }
  return line + "\n";
}

}  // namespace results
