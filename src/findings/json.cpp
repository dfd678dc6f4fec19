// The findings as JSON (layout and meaning of every key in
// docs/findings.schema.json). A number that could not be computed is null,
// with the reason in a sibling "<key>_note"; a part that could not be made
// at all is null with "<part>_note".
#include "results/json.hpp"

#include <cmath>
#include <string>
#include <utility>

#include "findings/parts.hpp"
#include "normalize/johnson.hpp"

namespace findings {

namespace {

using results::Json;
using results::put_number;

// A year that is 0 when there is none.
void put_year(Json& obj, const std::string& key, int year, const std::string& why) {
  if (year != 0) {
    obj[key] = year;
  } else {
    obj[key] = nullptr;
    obj[key + "_note"] = why;
  }
}

void put_part(Json& obj, const std::string& key, bool available, Json part,
              const std::string& why) {
  if (available) {
    obj[key] = std::move(part);
  } else {
    obj[key] = nullptr;
    obj[key + "_note"] = why.empty() ? "not computed" : why;
  }
}

Json quantile_json(const Quantile& q, const std::string& bounds_note) {
  Json j = results::object_with_room();
  put_number(j, "flow", q.flow, "the fitted distribution gives no flow here");
  put_number(j, "lower", q.lower, bounds_note);
  put_number(j, "upper", q.upper, bounds_note);
  return j;
}

Json return_periods_json(const ReturnPeriods& rp) {
  Json j = results::object_with_room();
  j["model"] = normalize::model_code(rp.ITYPE);
  put_number(j, "zero_probability", rp.zero_probability, "");
  Json b = results::object_with_room();
  b["samples"] = rp.samples;
  b["refitted"] = rp.refitted;
  b["failed"] = rp.failed;
  put_number(b, "level", kBoundLevel, "");
  if (!rp.bounds_note.empty()) b["note"] = rp.bounds_note;
  j["bootstrap"] = std::move(b);
  Json periods = Json::array();
  for (const ReturnPeriod& p : rp.periods) {
    Json e = results::object_with_room();
    e["T"] = p.T;
    e["dry"] = quantile_json(p.dry, rp.bounds_note);
    e["wet"] = quantile_json(p.wet, rp.bounds_note);
    periods.push_back(std::move(e));
  }
  j["periods"] = std::move(periods);
  return j;
}

Json trend_json(const Findings& f) {
  Json j = results::object_with_room();
  const MannKendall& mk = f.mann_kendall;
  Json m = results::object_with_room();
  m["n"] = mk.n;
  put_number(m, "S", mk.S, "");
  put_number(m, "variance", mk.variance, "");
  put_number(m, "Z", mk.Z, mk.note);
  put_number(m, "p", mk.p, mk.note);
  j["mann_kendall"] = std::move(m);

  Json s = results::object_with_room();
  put_number(s, "slope", f.sen.slope, f.sen.note);
  put_number(s, "lower", f.sen.lower, f.sen.interval_note);
  put_number(s, "upper", f.sen.upper, f.sen.interval_note);
  put_number(s, "level", kBoundLevel, "");
  j["sen_slope"] = std::move(s);

  const Pettitt& pt = f.pettitt;
  Json p = results::object_with_room();
  put_number(p, "K", pt.K, pt.note);
  put_year(p, "last_year_before", pt.last_year_before, pt.note);
  put_year(p, "first_year_after", pt.first_year_after, pt.note);
  put_number(p, "p", pt.p, pt.note);
  put_number(p, "mean_before", pt.mean_before, pt.note);
  put_number(p, "mean_after", pt.mean_after, pt.note);
  j["pettitt"] = std::move(p);
  return j;
}

Json event_json(const Event& e) {
  Json j = results::object_with_room();
  j["first_year"] = e.first_year;
  j["last_year"] = e.last_year;
  j["duration"] = e.duration;
  put_number(j, "volume", e.volume, "");
  put_number(j, "extreme", e.extreme, "");
  j["complete"] = e.complete;
  return j;
}

Json events_json(const Events& ev) {
  Json levels = Json::array();
  for (const LevelEvents& L : ev.levels) {
    Json j = results::object_with_room();
    j["level"] = L.level;
    j["kind"] = L.drought ? "drought" : "surplus";
    put_number(j, "percent", L.percent, "");
    put_number(j, "z", L.z, "");
    put_number(j, "flow", L.flow, "the fitted distribution gives no flow at this level");
    j["count"] = L.events.size();
    Json list = Json::array();
    for (const Event& e : L.events) list.push_back(event_json(e));
    j["events"] = std::move(list);
    const std::string none = "no event at this level";
    put_part(j, "longest", L.longest >= 0,
             L.longest >= 0 ? event_json(L.events[L.longest]) : Json(), none);
    put_part(j, "largest", L.largest >= 0,
             L.largest >= 0 ? event_json(L.events[L.largest]) : Json(), none);
    levels.push_back(std::move(j));
  }
  Json j = results::object_with_room();
  j["levels"] = std::move(levels);
  return j;
}

Json chi_json(const ExactChiSquare& e) {
  Json j = results::object_with_room();
  j["classes"] = e.k;
  j["df"] = e.df;
  put_number(j, "statistic_report", e.statistic_report, "");
  put_number(j, "probability_report", e.probability_report, e.probability_note);
  Json counts = Json::array();
  for (int i = 0; i < e.k; ++i) counts.push_back(e.counts_exact[i]);
  j["counts_exact"] = std::move(counts);
  put_number(j, "statistic_exact", e.statistic_exact, "");
  put_number(j, "probability_exact", e.probability_exact, e.probability_note);
  return j;
}

Json portmanteau_json(const ExactPortmanteau& e) {
  Json j = results::object_with_room();
  j["lags"] = e.L;
  j["df"] = e.df;
  put_number(j, "Q", e.Q, "");
  put_number(j, "probability_report", e.probability_report, e.probability_note);
  put_number(j, "probability_exact", e.probability_exact, e.probability_note);
  return j;
}

Json roots_json(const std::vector<std::pair<double, double>>& roots) {
  Json a = Json::array();
  for (const auto& [re, im] : roots) {
    Json j = results::object_with_room();
    put_number(j, "re", re, "");
    put_number(j, "im", im, "");
    put_number(j, "modulus", std::hypot(re, im), "");
    a.push_back(std::move(j));
  }
  return a;
}

Json likelihood_json(const Likelihood& l) {
  Json j = results::object_with_room();
  j["p"] = l.p;
  j["q"] = l.q;
  put_number(j, "loglik_model", l.model, l.note);
  put_number(j, "loglik_white_noise", l.white_noise, l.note);
  put_number(j, "sigma2", l.sigma2, l.note);
  j["ar_roots"] = roots_json(l.roots.ar);
  j["ma_roots"] = roots_json(l.roots.ma);
  put_number(j, "largest_ar_modulus", l.roots.ar_modulus, "");
  put_number(j, "largest_ma_modulus", l.roots.ma_modulus, "");
  put_number(j, "closest_ar_ma", l.roots.closest, "the model has no AR and MA roots to compare");
  return j;
}

}  // namespace

nlohmann::ordered_json to_json(const Findings& f) {
  Json j = results::object_with_room();
  Json o = results::object_with_room();
  o["bootstrap"] = f.options.bootstrap;
  o["seed"] = f.options.seed;
  j["options"] = std::move(o);
  const ReturnPeriods& rp = f.return_periods;
  put_part(j, "return_periods", rp.available, rp.available ? return_periods_json(rp) : Json(),
           rp.note);
  j["trend"] = trend_json(f);
  put_part(j, "events", f.events.available, f.events.available ? events_json(f.events) : Json(),
           f.events.note);
  Json x = results::object_with_room();
  put_part(x, "chi_square_flows", f.chi_flows.available, chi_json(f.chi_flows), f.chi_flows.note);
  put_part(x, "chi_square_normalised", f.chi_normalised.available, chi_json(f.chi_normalised),
           f.chi_normalised.note);
  put_part(x, "portmanteau_normalised", f.portmanteau_normalised.available,
           portmanteau_json(f.portmanteau_normalised), f.portmanteau_normalised.note);
  put_part(x, "portmanteau_residuals", f.portmanteau_residuals.available,
           portmanteau_json(f.portmanteau_residuals), f.portmanteau_residuals.note);
  j["exact_probabilities"] = std::move(x);
  put_part(j, "arma_likelihood", f.likelihood.available, likelihood_json(f.likelihood),
           f.likelihood.note);
  Json w = Json::array();
  for (const Warning& warning : f.warnings) {
    Json e = results::object_with_room();
    e["code"] = warning.code;
    e["message"] = warning.message;
    w.push_back(std::move(e));
  }
  j["warnings"] = std::move(w);
  return j;
}

}  // namespace findings
