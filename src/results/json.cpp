#include "results/json.hpp"

#include <cmath>
#include <limits>
#include <utility>

#ifndef RIVAN6_VERSION
#define RIVAN6_VERSION "unknown"
#endif

namespace results {

namespace {

// Room for a gauge's JSON text, which is some 80 KB.
constexpr std::size_t kJsonRoom = 128 * 1024;

const char* extent_name(Extent e) {
  switch (e) {
    case Extent::kNoSpread:
      return "no_spread";
    case Extent::kMarginal:
      return "marginal";
    case Extent::kLagRefused:
      return "lag_refused";
    case Extent::kComplete:
      return "complete";
  }
  return "";
}

const char* candidate_fault(normalize::CandidateFault f) {
  switch (f) {
    case normalize::CandidateFault::kNone:
      return "none";
    case normalize::CandidateFault::kNotFitted:
      return "not_fitted";
    case normalize::CandidateFault::kOutOfRange:
      return "out_of_range";
    case normalize::CandidateFault::kNegativeBound:
      return "negative_bound";
    case normalize::CandidateFault::kNegativeArgument:
      return "negative_argument";
  }
  return "";
}

const char* simplex_fault(normalize::SimplexStatus status) {
  switch (status) {
    case normalize::SimplexStatus::converged:
      return "converged";
    case normalize::SimplexStatus::too_many_unknowns:
      return "too_many_unknowns";
    case normalize::SimplexStatus::iteration_limit:
      return "iteration_limit";
    case normalize::SimplexStatus::stalled:
      return "stalled";
  }
  return "unknown";
}

// An array of numbers; a value that is not finite is null, and the note says
// which.
Json numbers(std::span<const double> v, std::string* note = nullptr) {
  Json a = Json::array();
  a.get_ref<Json::array_t&>().reserve(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (std::isfinite(v[i])) {
      a.push_back(v[i]);
    } else {
      a.push_back(nullptr);
      if (note && note->empty())
        *note = "value " + std::to_string(i + 1) +
                " and maybe others: " + (std::isnan(v[i]) ? "not a number" : "infinite");
    }
  }
  return a;
}

void put_numbers(Json& obj, const std::string& key, std::span<const double> v) {
  std::string note;
  obj[key] = numbers(v, &note);
  if (!note.empty()) obj[key + "_note"] = note;
}

Json moments(const Moments& m, bool higher = true) {
  Json j = object_with_room();
  put_number(j, "mean", m.mean);
  put_number(j, "sd", m.sd);
  if (higher) {
    put_number(j, "skewness", m.skewness);
    put_number(j, "excess", m.excess);
  }
  return j;
}

const char* const kNoDf = "no degrees of freedom: too few values for the test";

Json chi_square(const stats::ChiSquareTest& t) {
  Json j = object_with_room();
  j["classes"] = t.k;
  j["counts"] = std::vector<int>(t.counts.begin(), t.counts.begin() + t.k);
  put_number(j, "statistic", t.statistic);
  j["df"] = t.df;
  put_number(j, "probability", t.probability, kNoDf);
  return j;
}

Json correlogram(const stats::Correlogram& c) {
  Json j = object_with_room();
  j["n"] = c.n;
  j["lags"] = c.L;
  put_number(j, "confidence", c.c);
  put_numbers(j, "r", std::span<const double>(c.r.data(), c.L));
  put_numbers(j, "partial", std::span<const double>(c.phi.data(), c.L));
  Json q = object_with_room();
  put_number(q, "Q", c.Q);
  q["df"] = c.df;
  put_number(q, "probability", c.probability, kNoDf);
  j["portmanteau"] = std::move(q);
  return j;
}

Json arma_fit(const arma::ArmaFit& f) {
  Json j = object_with_room();
  j["p"] = f.p;
  j["q"] = f.q;
  j["fitted"] = f.fitted;
  if (!f.fitted) {
    j["reason"] = "too few flows: n - p - q - 2 <= 0 leaves the AICc without meaning";
    return j;
  }
  j["iterations"] = f.it;
  j["ier"] = normalize::fault_code(f.status);
  j["search"] = f.p + f.q > 0 ? simplex_fault(f.status) : "none";
  // The search minimised the AICc: its minimum is "aicc" below.
  if (f.p + f.q > 0) put_number(j, "objective_at_minimum", f.ff);
  put_number(j, "aicc", f.aicc);
  put_number(j, "distance", f.dist);
  put_number(j, "score", f.score);
  put_numbers(j, "phi", f.phi);
  put_numbers(j, "theta", f.theta);
  Json levels = Json::array();
  for (int i = 0; i < arma::kLevels; ++i) {
    Json d = object_with_room();
    d["demand_fraction"] = (2 * (i + 1) + 3) / 10.0;
    put_number(d, "observed", f.deficits[i].observed);
    put_numbers(d, "simulated", f.deficits[i].simulated);
    levels.push_back(std::move(d));
  }
  j["deficits"] = std::move(levels);
  return j;
}

Json arma_section(const GaugeResult& r) {
  const arma::Identification& id = r.arma;
  Json j = object_with_room();
  Json fits = Json::array();
  // The fits in the order they were made, up to the one the lag check
  // refused (when it refused one).
  const int made = id.refused >= 0 && id.refused < 9 ? id.refused : 9;
  for (int k = 0; k < made; ++k) fits.push_back(arma_fit(id.fits[k / 3][k % 3]));
  j["fits"] = std::move(fits);
  if (id.refused >= 0 && id.refused < 9) {
    j["score_table"] = nullptr;
    j["chosen"] = nullptr;
  } else {
    Json table = Json::array();
    std::string note;
    for (const auto& row : id.table) table.push_back(numbers(row, &note));
    j["score_table"] = std::move(table);
    if (!note.empty()) j["score_table_note"] = note;
    Json c = object_with_room();
    c["p"] = id.p;
    c["q"] = id.q;
    put_numbers(c, "phi", id.phi);
    put_numbers(c, "theta", id.theta);
    put_number(c, "min_score", id.min_score);
    j["chosen"] = std::move(c);
  }
  if (id.refitted) {
    Json f = object_with_room();
    f["iterations"] = id.refit.it;
    f["ier"] = normalize::fault_code(id.refit.status);
    f["search"] = simplex_fault(id.refit.status);
    put_number(f, "aicc", id.refit.fff);
    put_number(f, "objective_at_minimum", id.refit.ff);
    // The refit may end elsewhere than the first fit: the residuals belong
    // to these coefficients.
    put_numbers(f, "phi", id.refit.phi);
    put_numbers(f, "theta", id.refit.theta);
    j["refit"] = std::move(f);
  } else {
    j["refit"] = nullptr;
  }
  if (id.ok()) {
    put_numbers(j, "residuals", id.residuals);
    j["refused"] = nullptr;
  } else {
    Json f = object_with_room();
    f["at"] = id.refused == 9 ? "refit" : "fit";
    f["message"] = refusal_text(id.refusal);
    j["refused"] = std::move(f);
  }
  return j;
}

Json crossings(const stats::CrossTables& t) {
  Json a = Json::array();
  for (int j = 0; j < stats::kCrossLevels; ++j) {
    Json l = object_with_room();
    l["direction"] = j < 6 ? "down" : "up";
    l["percent"] = stats::kCrossPercent[j % 6];
    l["level"] = t.levels[j];
    l["crossings"] = t.crossings[j];
    l["total_run_length"] = t.length[j];
    l["total_run_sum"] = t.sum[j];
    a.push_back(std::move(l));
  }
  return a;
}

Json transform_section(const GaugeResult& r) {
  const normalize::Normalisation& nm = r.normalisation;
  Json j = object_with_room();
  Json cands = Json::array();
  for (int i = 0; i < normalize::kModels; ++i) {
    const normalize::Candidate& c = nm.candidates[i];
    Json k = object_with_room();
    k["model"] = normalize::model_code(i + 1);
    k["ITYPE"] = i + 1;
    put_number(k, "GAMMA", c.GAMMA);
    put_number(k, "DELTA", c.DELTA);
    put_number(k, "XLAM", c.XLAM);
    put_number(k, "XI", c.XI);
    put_number(k, "criterion", c.CR,
               "the likelihood has no value: a flow lies outside the model's range");
    k["fault"] = candidate_fault(c.fault);
    cands.push_back(std::move(k));
  }
  j["candidates"] = std::move(cands);
  Json s = object_with_room();
  s["run"] = nm.sb4.run;
  if (nm.sb4.run) {
    s["iterations"] = nm.sb4.it;
    s["ier"] = normalize::fault_code(nm.sb4.status);
    s["search"] = simplex_fault(nm.sb4.status);
    put_number(s, "xi_lower_limit", nm.sb4.xi_lo);
    put_number(s, "xi_upper_limit", nm.sb4.xi_hi);
    put_number(s, "upper_bound_base", nm.sb4.upper_base);
    if (nm.sb4.out_of_range) {
      Json o = object_with_room();
      put_number(o, "XI", nm.sb4.range_XI);
      put_number(o, "flow", nm.sb4.range_x);
      put_number(o, "upper_bound", nm.sb4.range_upper);
      s["out_of_range"] = std::move(o);
    } else {
      s["out_of_range"] = nullptr;
    }
  }
  j["sb4_search"] = std::move(s);
  j["sb3_negative_arguments"] = nm.sb3_negative;
  Json c = object_with_room();
  c["model"] = normalize::model_code(nm.fitted.itype());
  c["ITYPE"] = nm.fitted.itype();
  c["family"] = r.normalisation.fitted.family();
  put_number(c, "GAMMA", nm.fitted.GAMMA);
  put_number(c, "DELTA", nm.fitted.DELTA);
  put_number(c, "XLAM", nm.fitted.XLAM);
  put_number(c, "XI", nm.fitted.XI);
  c["IFAULT"] = nm.IFAULT;
  put_number(c, "mean", nm.mean);
  put_number(c, "sd", nm.sd);
  j["chosen"] = std::move(c);
  j["failed_transforms"] = nm.failed;
  return j;
}

}  // namespace

Json object_with_room(std::size_t members) {
  Json j = Json::object();
  j.get_ref<Json::object_t&>().reserve(members);
  return j;
}

void put_number(Json& obj, const std::string& key, double v, const std::string& why) {
  if (std::isfinite(v)) {
    obj[key] = v;
    return;
  }
  obj[key] = nullptr;
  obj[key + "_note"] = !why.empty() ? why : std::isnan(v) ? "not a number" : "infinite";
}

Json to_json(const GaugeResult& r) {
  // The sections, and the findings that the caller adds.
  Json j = object_with_room(32);
  j["schema_version"] = kSchemaVersion;
  j["program"] = {{"name", "rivan6"}, {"version", RIVAN6_VERSION}};
  const Record& rec = r.record;
  Json g = object_with_room();
  g["name"] = rec.name;
  g["first_year"] = rec.first_year;
  g["last_year"] = rec.last_year();
  g["years"] = rec.N;
  g["positive_flows"] = rec.npos;
  g["zero_flows"] = rec.nz;
  put_number(g, "zero_fraction", rec.zero_fraction);
  put_numbers(g, "flows", rec.flows);
  g["ended_at_line"] = rec.ended_at_line;
  g["blank_years"] = rec.blank_years;
  g["notes"] = rec.notes;
  j["gauge"] = std::move(g);
  j["extent"] = extent_name(r.extent);
  j["raw_moments"] = rec.npos > 0 ? moments(r.raw, r.transformed()) : Json(nullptr);
  j["all_flows"] = moments(Moments{r.all_mean, r.all_sd, 0.0, 0.0}, false);
  // n^2/(n-2) has no meaning below 3 flows (it is -1 for one flow, 0 for none).
  const double undefined = std::numeric_limits<double>::quiet_NaN();
  const bool scored = rec.npos >= 3;
  Json scores = object_with_room();
  put_number(scores, "white_noise", scored ? r.white_noise : undefined,
             "fewer than 3 positive flows");
  put_number(scores, "chosen_model", scored ? r.score : undefined, "fewer than 3 positive flows");
  j["scores"] = std::move(scores);

  if (!r.transformed()) {
    for (const char* key : {"transform", "ranked_flows", "normalised", "limits_95", "chi_square",
                            "correlogram", "arma", "residual_correlogram", "crossings"})
      j[key] = nullptr;
    return j;
  }
  j["transform"] = transform_section(r);
  Json ranked = object_with_room();
  std::vector<double> p, flow, z, score, fitted;
  for (const RankedFlow& row : r.ranked) {
    p.push_back(row.p);
    flow.push_back(row.flow);
    z.push_back(row.normalised);
    score.push_back(row.normal_score);
    fitted.push_back(row.fitted);
  }
  put_numbers(ranked, "plotting_position", p);
  put_numbers(ranked, "flow", flow);
  put_numbers(ranked, "normalised", z);
  put_numbers(ranked, "normal_score", score);
  put_numbers(ranked, "fitted_flow", fitted);
  j["ranked_flows"] = std::move(ranked);
  Json nz = object_with_room();
  put_numbers(nz, "flows", r.z);
  nz["moments"] = moments(r.normalised);
  j["normalised"] = std::move(nz);
  Json lim = object_with_room();
  put_number(lim, "skewness", r.skew_limit);
  put_number(lim, "excess", r.excess_limit);
  j["limits_95"] = std::move(lim);
  j["chi_square"] = {{"flows", chi_square(r.chi_flows)},
                     {"normalised", chi_square(r.chi_normalised)}};
  j["correlogram"] = r.correlated() ? correlogram(r.correlogram) : Json(nullptr);
  j["arma"] = r.correlated() ? arma_section(r) : Json(nullptr);
  j["residual_correlogram"] = r.complete() ? correlogram(r.residual_correlogram) : Json(nullptr);
  j["crossings"] = r.complete() ? crossings(r.crossings) : Json(nullptr);
  return j;
}

std::string json_text(const Json& j) {
  // What dump(2) writes, into a string that has its room from the start: a
  // gauge's text is some 80 KB, and growing the string step by step copied
  // it over and over.
  std::string text;
  text.reserve(kJsonRoom);
  nlohmann::detail::serializer<Json> s(nlohmann::detail::output_adapter<char>(text), ' ',
                                       Json::error_handler_t::replace);
  s.dump(j, true, false, 2);
  text += '\n';
  return text;
}

}  // namespace results
