#include "report/page.hpp"

#include <cmath>

#include "report/svg.hpp"

#ifndef RIVAN6_VERSION
#define RIVAN6_VERSION "unknown"
#endif

namespace report {

namespace {

const char* const kStyle = R"(
body{font-family:'DejaVu Sans',Arial,Helvetica,sans-serif;color:#111;background:#fff;max-width:62rem;margin:0 auto;padding:1rem 1.5rem 2rem;line-height:1.45}
h1{font-size:1.7rem;margin:.3rem 0 .2rem}
h2{font-size:1.3rem;border-bottom:2px solid #0072B2;padding-bottom:.15rem;margin:2.2rem 0 .6rem}
h3{font-size:1.05rem;margin:1.2rem 0 .4rem}
p{margin:.4rem 0}
a{color:#0060A0}
nav.files a,nav.toc a{margin-right:1.1rem;white-space:nowrap}
nav.toc{font-size:.9rem;margin:.6rem 0}
.record{font-size:1.05rem;color:#333}
.summary{background:#F6F8FA;border:1px solid #D8DEE4;border-radius:4px;padding:.5rem 1.2rem;margin:1rem 0}
.summary ul{margin:.3rem 0;padding-left:1.2rem}
.summary h2{margin-top:.5rem}
.warnings li{margin:.15rem 0}
.warnings code{background:#FFF1D6;border:1px solid #E69F00;border-radius:3px;padding:0 .3rem;font-size:.85rem}
table{border-collapse:collapse;margin:.5rem 0 1rem;font-size:.88rem}
caption{text-align:left;font-weight:bold;padding:.2rem 0}
th,td{border:1px solid #C8C8C8;padding:.18rem .5rem;text-align:left;vertical-align:top}
th{background:#F0F0F0}
td.n,th.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
tr.chosen td{background:#CCE6F5;font-weight:bold}
td.failed{color:#8A3000}
table.index td{vertical-align:middle;padding-top:.1rem;padding-bottom:.1rem}
table.index svg{display:block}
figure{margin:1rem 0 1.4rem;break-inside:avoid;page-break-inside:avoid}
figure svg{max-width:100%;height:auto;display:block}
figcaption{font-size:.85rem;color:#444;margin-top:.2rem}
.absent{color:#444;font-style:italic;border-left:4px solid #C8C8C8;padding:.1rem .7rem;margin:.6rem 0}
footer{margin-top:2.5rem;font-size:.8rem;color:#666;border-top:1px solid #ddd;padding-top:.4rem}
@media print{
@page{size:A4;margin:14mm 12mm}
body{max-width:none;padding:0;font-size:9.5pt}
h2{break-after:avoid;page-break-after:avoid;margin-top:1.2rem}
h3{break-after:avoid;page-break-after:avoid}
table,figure,.summary{break-inside:avoid;page-break-inside:avoid}
table{font-size:8.5pt}
th{white-space:normal}
nav.toc{display:none}
a{color:inherit;text-decoration:none}
}
)";

const char* model_name(int ITYPE) {
  switch (ITYPE) {
    case normalize::kLN3:
      return "three-parameter lognormal";
    case normalize::kLN2:
      return "two-parameter lognormal (lower bound 0)";
    case normalize::kSB4:
      return "four-parameter Johnson SB";
    case normalize::kSB3:
      return "three-parameter Johnson SB (lower bound 0)";
    default:
      return "";
  }
}

const char* fault_text(normalize::CandidateFault f) {
  switch (f) {
    case normalize::CandidateFault::kNone:
      return "";
    case normalize::CandidateFault::kNotFitted:
      return "not fitted: a flow below 0.0001 leaves no room for the lower bound";
    case normalize::CandidateFault::kOutOfRange:
      return "a flow lies outside the fitted bounds";
    case normalize::CandidateFault::kNegativeBound:
      return "lower bound below 0: penalised by 4000";
    case normalize::CandidateFault::kNegativeArgument:
      return "a flow at or above the fitted upper bound";
  }
  return "";
}

std::string arma_name(int p, int q) {
  return "ARMA(" + std::to_string(p) + "," + std::to_string(q) + ")";
}

std::string probability_text(double p) {
  return std::isfinite(p) ? fixed(p, 4) : "N/A";
}

// Writes the page piece by piece.
class Html {
 public:
  std::string out;

  void raw(std::string_view s) { out += s; }
  void text(std::string_view s) { out += escape(s); }
  void element(std::string_view tag, std::string_view content, std::string_view attributes = "") {
    out += "<";
    out += tag;
    if (!attributes.empty()) {
      out += ' ';
      out += attributes;
    }
    out += ">" + escape(content) + "</";
    out += tag;
    out += ">\n";
  }
  void heading(int level, std::string_view id, std::string_view title) {
    out += "<h" + std::to_string(level);
    if (!id.empty()) out += " id=\"" + std::string(id) + "\"";
    out += ">" + escape(title) + "</h" + std::to_string(level) + ">\n";
  }
  void absent(std::string_view why) { element("p", why, "class=\"absent\""); }
  void figure(const std::string& svg, std::string_view name, std::string_view caption) {
    out += "<figure data-figure=\"";
    out += name;
    out += "\">\n" + svg + "<figcaption>" + escape(caption) + "</figcaption>\n</figure>\n";
  }
  // A table: the header cells, then the rows; `numeric` marks the columns
  // whose cells are right-aligned; `chosen` marks one row (-1: none).
  void table(const std::vector<std::string>& header,
             const std::vector<std::vector<std::string>>& rows,
             const std::vector<bool>& numeric = {}, int chosen = -1,
             std::string_view caption = "") {
    out += "<table>\n";
    if (!caption.empty()) out += "<caption>" + escape(caption) + "</caption>\n";
    auto cls = [&](std::size_t c) {
      return c < numeric.size() && numeric[c] ? std::string(" class=\"n\"") : std::string();
    };
    out += "<thead><tr>";
    for (std::size_t c = 0; c < header.size(); ++c)
      out += "<th scope=\"col\"" + cls(c) + ">" + escape(header[c]) + "</th>";
    out += "</tr></thead>\n<tbody>\n";
    for (std::size_t r = 0; r < rows.size(); ++r) {
      out += static_cast<int>(r) == chosen ? "<tr class=\"chosen\">" : "<tr>";
      for (std::size_t c = 0; c < rows[r].size(); ++c)
        out += "<td" + cls(c) + ">" + escape(rows[r][c]) + "</td>";
      out += "</tr>\n";
    }
    out += "</tbody>\n</table>\n";
  }
};

void head(Html& h, const std::string& title) {
  h.raw("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n");
  h.raw("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n");
  h.raw("<meta name=\"generator\" content=\"rivan6 " RIVAN6_VERSION "\"/>\n");
  h.element("title", title);
  h.raw("<style>");
  h.raw(kStyle);
  h.raw("</style>\n</head>\n<body>\n");
}

void foot(Html& h) {
  h.raw("<footer>Written by rivan6 " RIVAN6_VERSION
        " from the same analysis as the report file; flows are in the unit of the input "
        "file.</footer>\n</body>\n</html>\n");
}

void extra_sections(Html& h, const PageExtras& extras, Place place) {
  for (const Section& s : extras.sections) {
    if (s.place != place) continue;
    h.heading(3, "", s.title);
    if (!s.text.empty()) h.element("p", s.text, s.header.empty() ? "class=\"absent\"" : "");
    if (!s.header.empty()) {
      // Columns whose cells all read as numbers are right-aligned.
      std::vector<bool> numeric(s.header.size(), !s.rows.empty());
      for (const auto& row : s.rows)
        for (std::size_t c = 0; c < numeric.size(); ++c) {
          if (c >= row.size()) continue;
          const std::string& v = row[c];
          const bool number =
              !v.empty() && v.find_first_not_of("0123456789.-+eE% ") == std::string::npos;
          numeric[c] = numeric[c] && (number || v == "n/a" || v == "N/A");
        }
      h.table(s.header, s.rows, numeric);
    }
  }
}

const char* extent_text(const results::GaugeResult& r) {
  switch (r.extent) {
    case results::Extent::kNoSpread:
      return "The positive flows have no spread (none, or all equal): no transform, test, "
             "correlogram or model could be fitted.";
    case results::Extent::kMarginal:
      return r.record.nz > 0
                 ? "The record has years without flow: the transform and the tests of normality "
                   "cover the positive flows; correlograms, ARMA models and level crossings are "
                   "not analysed."
                 : "Fewer than 3 positive flows: correlograms, ARMA models and level crossings "
                   "are not analysed.";
    case results::Extent::kLagRefused:
      return "The ARMA identification was stopped by its lag check: no model was chosen, and "
             "the residuals and level crossings are not analysed.";
    case results::Extent::kComplete:
      return "";
  }
  return "";
}

void summary(Html& h, const results::GaugeResult& r, const PageExtras& extras) {
  h.raw("<section class=\"summary\" id=\"summary\">\n");
  h.heading(2, "", "Findings");
  std::vector<std::string> facts;
  const std::string extent = extent_text(r);
  if (!extent.empty()) facts.push_back(extent);
  if (r.transformed()) {
    const int t = r.normalisation.fitted.itype();
    facts.push_back("Chosen transform: " + std::string(normalize::model_code(t)) + ", " +
                    model_name(t) + ".");
    std::vector<std::string> outside;
    if (std::fabs(r.normalised.skewness) > r.skew_limit) outside.push_back("skewness");
    if (std::fabs(r.normalised.excess) > r.excess_limit) outside.push_back("excess kurtosis");
    if (!outside.empty())
      facts.push_back("The " + outside[0] + (outside.size() > 1 ? " and " + outside[1] : "") +
                      " of the normalised flows lie outside the 95 % limits of a normal sample: "
                      "the transform does not make these flows normal.");
    const stats::ChiSquareTest& c = r.chi_normalised;
    if (std::isfinite(c.probability))
      facts.push_back("The normalised flows " +
                      std::string(c.probability < 0.05 ? "fail" : "pass") +
                      " the chi-square test of normality at 5 % (probability " +
                      fixed(c.probability, 4) + ").");
    else
      facts.push_back(
          "Too few flows for the chi-square test of normality to have degrees of "
          "freedom.");
  }
  if (r.correlated()) {
    const stats::Correlogram& c = r.correlogram;
    std::string s = "Lag-one serial correlation of the normalised flows r(1) = " + fixed(c.r[0], 3);
    s += std::fabs(c.r[0]) > c.c ? ", outside" : ", inside";
    s += " the band \u00b1" + fixed(c.c, 3) + ".";
    facts.push_back(s);
  }
  if (r.complete()) {
    std::string s = "Chosen model: " + arma_name(r.p, r.q);
    for (int k = 0; k < r.p; ++k)
      s += ", \u03c6" + std::to_string(k + 1) + " = " + fixed(r.phi[k], 4);
    for (int k = 0; k < r.q; ++k)
      s += ", \u03b8" + std::to_string(k + 1) + " = " + fixed(r.theta[k], 4);
    s += " (score " + fixed(r.score, 2) + ").";
    facts.push_back(s);
  }
  for (const std::string& f : extras.findings) facts.push_back(f);
  h.raw("<ul>\n");
  for (const std::string& f : facts) h.element("li", f);
  h.raw("</ul>\n");
  h.heading(3, "warnings", "Warnings");
  if (extras.warnings.empty()) {
    h.element("p", "No warnings.");
  } else {
    h.raw("<ul class=\"warnings\">\n");
    for (const Warning& w : extras.warnings)
      h.raw("<li><code>" + escape(w.code) + "</code> " + escape(w.sentence) + "</li>\n");
    h.raw("</ul>\n");
  }
  if (!r.record.notes.empty()) {
    h.heading(3, "", "Notes on the flow file");
    h.raw("<ul>\n");
    for (const std::string& n : r.record.notes) h.element("li", n);
    h.raw("</ul>\n");
  }
  extra_sections(h, extras, Place::kSummary);
  h.raw("</section>\n");
}

// Flows in their own unit to five significant digits; normalised flows, in
// normal units, to four decimals.
std::vector<std::string> moments_row(const std::string& what, const results::Moments& m,
                                     bool higher, bool normal_units = false) {
  auto value = [&](double v) { return normal_units ? fixed(v, 4) : fmt(v, 5); };
  return {what, value(m.mean), value(m.sd), higher ? fixed(m.skewness, 3) : "",
          higher ? fixed(m.excess, 3) : ""};
}

void series_section(Html& h, const results::GaugeResult& r, const PageExtras& extras) {
  h.heading(2, "series", "Annual series");
  const results::Record& rec = r.record;
  if (rec.N == 0) {
    h.absent("The record holds no year.");
    return;
  }
  h.figure(series_figure(r, extras.series), "series",
           "Annual flows in year order; the dashed line is the mean of all years.");
  std::vector<std::vector<std::string>> rows;
  if (rec.npos > 0) rows.push_back(moments_row("positive flows", r.raw, r.transformed()));
  if (r.transformed()) rows.push_back(moments_row("normalised flows", r.normalised, true, true));
  if (rec.nz > 0)
    rows.push_back(moments_row("all years, zeros included",
                               results::Moments{r.all_mean, r.all_sd, 0.0, 0.0}, false));
  if (!rows.empty())
    h.table({"flows", "mean", "standard deviation", "skewness", "excess kurtosis"}, rows,
            {false, true, true, true, true});
  extra_sections(h, extras, Place::kSeries);
}

void distribution_section(Html& h, const results::GaugeResult& r, const PageExtras& extras) {
  h.heading(2, "distribution", "Distribution and transform");
  if (!r.transformed()) {
    h.absent("Absent: with no spread among the positive flows no distribution can be fitted.");
    extra_sections(h, extras, Place::kDistribution);
    return;
  }
  const normalize::Normalisation& nm = r.normalisation;
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < normalize::kModels; ++i) {
    const normalize::Candidate& c = nm.candidates[i];
    rows.push_back({normalize::model_code(i + 1), model_name(i + 1), fmt(c.GAMMA, 5),
                    fmt(c.DELTA, 5), fmt(c.XLAM, 5), fmt(c.XI, 5), fixed(c.CR, 4),
                    fault_text(c.fault)});
  }
  h.element("p",
            "The four candidate transforms z = \u03b3 + \u03b4 g((x \u2212 \u03be)/\u03bb); the "
            "smallest criterion chooses (4000 is added to an unusable one).");
  h.table({"model", "distribution", "\u03b3 (GAMMA)", "\u03b4 (DELTA)", "\u03bb (XLAM)",
           "\u03be (XI)", "criterion", "note"},
          rows, {false, false, true, true, true, true, true, false}, nm.fitted.itype() - 1);
  h.figure(probability_figure(r, extras.probability), "probability",
           "Observed flows at their plotting positions and the fitted distribution on normal "
           "probability paper.");
  extra_sections(h, extras, Place::kDistribution);
}

void tests_section(Html& h, const results::GaugeResult& r, const PageExtras& extras) {
  h.heading(2, "tests", "Tests of normality");
  if (!r.transformed()) {
    h.absent("Absent: no transform, so no test of the normalised flows.");
    extra_sections(h, extras, Place::kTests);
    return;
  }
  auto verdict = [](double v, double limit) {
    return std::fabs(v) <= limit ? "within" : "outside";
  };
  std::vector<std::vector<std::string>> moments{
      {"skewness", fixed(r.raw.skewness, 3), fixed(r.normalised.skewness, 3),
       "\u00b1" + fixed(r.skew_limit, 3), verdict(r.normalised.skewness, r.skew_limit)},
      {"excess kurtosis", fixed(r.raw.excess, 3), fixed(r.normalised.excess, 3),
       "\u00b1" + fixed(r.excess_limit, 3), verdict(r.normalised.excess, r.excess_limit)}};
  h.table({"moment", "flows", "normalised flows", "95 % limits", "normalised: within limits?"},
          moments, {false, true, true, true, false});
  auto chi = [](const std::string& what, const stats::ChiSquareTest& t) {
    std::string counts;
    for (int k = 0; k < t.k; ++k) {
      if (k > 0) counts += ' ';
      counts += std::to_string(t.counts[k]);
    }
    return std::vector<std::string>{what,
                                    std::to_string(t.k),
                                    counts,
                                    fixed(t.statistic, 3),
                                    std::to_string(t.df),
                                    probability_text(t.probability)};
  };
  h.table({"chi-square test", "classes", "counts", "statistic", "df", "probability"},
          {chi("flows against the normal", r.chi_flows), chi("normalised flows", r.chi_normalised)},
          {false, true, false, true, true, true});
  h.element("p",
            "Classes of equal normal probability; the probability is that of a larger statistic "
            "(N/A: no degrees of freedom). The normalised flows lose one more degree of freedom "
            "to the fit.");
  extra_sections(h, extras, Place::kTests);
}

std::vector<std::string> portmanteau_row(const std::string& what, const stats::Correlogram& c) {
  return {what,
          std::to_string(c.n),
          std::to_string(c.L),
          fixed(c.c, 3),
          fixed(c.Q, 3),
          std::to_string(c.df),
          probability_text(c.probability)};
}
const std::vector<std::string> kPortmanteauHeader{
    "series", "n", "lags", "band \u00b11.96/\u221an", "portmanteau Q", "df", "probability"};
const std::vector<bool> kPortmanteauNumeric{false, true, true, true, true, true, true};

const char* not_correlated_text(const results::GaugeResult& r) {
  if (!r.transformed()) return "Absent: no normalised flows.";
  if (r.record.nz > 0)
    return "Absent: a record with zero flows gets no correlogram, ARMA model or level-crossing "
           "analysis.";
  return "Absent: fewer than 3 positive flows.";
}

void correlation_section(Html& h, const results::GaugeResult& r, const PageExtras& extras) {
  h.heading(2, "correlation", "Serial correlation");
  if (!r.correlated()) {
    h.absent(not_correlated_text(r));
  } else {
    const std::string& name = r.record.name;
    h.figure(correlogram_figure(r.correlogram, CorrelogramKind::kSerial, name), "acf",
             "Serial correlation of the normalised flows by lag, with the 95 % band of white "
             "noise.");
    h.figure(correlogram_figure(r.correlogram, CorrelogramKind::kPartial, name), "pacf",
             "Partial correlation of the normalised flows by lag.");
    h.table(kPortmanteauHeader, {portmanteau_row("normalised flows", r.correlogram)},
            kPortmanteauNumeric);
  }
  extra_sections(h, extras, Place::kCorrelation);
}

void model_section(Html& h, const results::GaugeResult& r, const PageExtras& extras) {
  h.heading(2, "model", "ARMA model");
  if (!r.correlated()) {
    h.absent(not_correlated_text(r));
    extra_sections(h, extras, Place::kModel);
    return;
  }
  const arma::Identification& id = r.arma;
  const std::string& name = r.record.name;
  h.figure(arma_figure(id, name), "arma",
           "The nine ARMA(p,q) models: AICc, deficit distance and score 0.5 (AICc + distance).");
  if (!id.ok()) {
    h.absent("The lag check stopped the identification: " + results::refusal_text(id.refusal));
  }
  if (r.complete()) {
    std::vector<std::vector<std::string>> rows{
        {arma_name(r.p, r.q), r.p >= 1 ? fixed(r.phi[0], 4) : "",
         r.p >= 2 ? fixed(r.phi[1], 4) : "", r.q >= 1 ? fixed(r.theta[0], 4) : "",
         r.q >= 2 ? fixed(r.theta[1], 4) : "", fixed(r.score, 2),
         id.refitted ? fixed(id.refit.fff, 2) : ""}};
    h.table(
        {"chosen model", "\u03c61", "\u03c62", "\u03b81", "\u03b82", "score", "AICc of the refit"},
        rows, {false, true, true, true, true, true, true});
    const arma::ArmaFit& fit = id.fits[r.p][r.q];
    h.figure(deficit_figure(fit, r.raw.mean, name), "deficit",
             "The deficit distance of the chosen model: at each demand level the observed largest "
             "deficit against those of the synthetic series.");
    std::vector<std::vector<std::string>> drows;
    for (int i = 0; i < arma::kLevels; ++i) {
      const arma::DeficitLevel& d = fit.deficits[i];
      int below = 0;
      double sum = 0.0;
      for (const double v : d.simulated) {
        if (v < d.observed) ++below;
        sum += v;
      }
      const double fraction = (2 * (i + 1) + 3) * 0.1;
      drows.push_back({fixed(fraction, 1) + " \u00d7 mean", fmt(fraction * r.raw.mean, 5),
                       fmt(d.observed, 5), fmt(sum / d.simulated.size(), 5),
                       std::to_string(below) + " of " + std::to_string(d.simulated.size())});
    }
    h.table({"demand", "demand flow", "observed largest deficit", "simulated mean",
             "simulated below the observed"},
            drows, {false, true, true, true, true});
  }
  extra_sections(h, extras, Place::kModel);
}

void residual_section(Html& h, const results::GaugeResult& r) {
  h.heading(2, "residuals", "Residuals of the model");
  if (!r.complete()) {
    h.absent(r.correlated() ? "Absent: no model was chosen." : not_correlated_text(r));
    return;
  }
  const std::string model = arma_name(r.p, r.q);
  h.figure(
      correlogram_figure(r.residual_correlogram, CorrelogramKind::kResidual, r.record.name, model),
      "racf", "Serial correlation of the residuals of " + model + ".");
  h.table(kPortmanteauHeader, {portmanteau_row("residuals of " + model, r.residual_correlogram)},
          kPortmanteauNumeric);
}

void crossings_section(Html& h, const results::GaugeResult& r, const PageExtras& extras) {
  h.heading(2, "crossings", "Droughts and surpluses (level crossings)");
  if (!r.complete()) {
    h.absent(r.correlated() ? "Absent: the level crossings follow the choice of a model, and "
                              "none was chosen."
                            : not_correlated_text(r));
    extra_sections(h, extras, Place::kCrossings);
    return;
  }
  const stats::CrossTables& t = r.crossings;
  const normalize::FittedDistribution& tr = r.normalisation.fitted;
  std::vector<std::vector<std::string>> rows;
  for (int j = 0; j < stats::kCrossLevels; ++j) {
    const bool down = j < 6;
    const double percent = stats::kCrossPercent[j % 6];
    const bool fitted = tr.fitted();
    const double flow = fitted ? tr.from_normal(t.levels[j]) : 0.0;
    rows.push_back({down ? "below (drought)" : "above (surplus)",
                    trimmed(down ? 100.0 - percent : percent, 2) + " %", fixed(t.levels[j], 4),
                    fitted ? fmt(flow, 5) : "n/a", std::to_string(t.crossings[j]),
                    std::to_string(t.length[j]), fixed(t.sum[j], 0)});
  }
  h.element("p",
            "Runs of the normalised flows below (above) each level, the level given by its "
            "non-exceedance probability: how often the series crosses into them, their total "
            "length in years and their total sum.");
  h.table({"runs", "level", "level in normal units", "level as flow", "crossings",
           "total length (years)", "total sum (normal units)"},
          rows, {false, true, true, true, true, true, true});
  extra_sections(h, extras, Place::kCrossings);
}

}  // namespace

Links links_for(const results::GaugeResult& r, bool with_index) {
  const std::string& n = r.record.name;
  Links l;
  l.ans = n + ".ANS";
  if (r.complete()) l.cor = n + ".COR";
  l.yer = n + ".YER";
  l.json = n + ".json";
  if (with_index) l.index = "index.html";
  return l;
}

std::string gauge_page(const results::GaugeResult& r, const PageExtras& extras,
                       const Links& links) {
  const results::Record& rec = r.record;
  Html h;
  h.out.reserve(200000);
  head(h, rec.name + ": annual flow analysis");
  h.raw("<header>\n");
  h.element("h1", "Gauge " + rec.name);
  std::string record = "Annual flows " + std::to_string(rec.first_year) + "\u2013" +
                       std::to_string(rec.last_year()) + ": " + std::to_string(rec.N) + " years, " +
                       std::to_string(rec.npos) + " with flow, " + std::to_string(rec.nz) +
                       " without.";
  h.element("p", record, "class=\"record\"");
  h.raw("<nav class=\"files\">Files: ");
  auto link = [&](const std::string& href, const std::string& what) {
    if (href.empty()) return;
    h.raw("<a href=\"" + escape(href) + "\">" + escape(what) + "</a> ");
  };
  link(links.ans, "report (" + links.ans + ")");
  link(links.cor, "correlogram (" + links.cor + ")");
  link(links.yer, "year file (" + links.yer + ")");
  link(links.json, "all numbers (" + links.json + ")");
  link(links.index, "all gauges");
  h.raw(
      "</nav>\n<nav class=\"toc\">Contents: <a href=\"#summary\">findings</a> "
      "<a href=\"#series\">series</a> <a href=\"#distribution\">distribution</a> "
      "<a href=\"#tests\">tests</a> <a href=\"#correlation\">correlation</a> "
      "<a href=\"#model\">model</a> <a href=\"#residuals\">residuals</a> "
      "<a href=\"#crossings\">crossings</a></nav>\n</header>\n<main>\n");
  summary(h, r, extras);
  series_section(h, r, extras);
  distribution_section(h, r, extras);
  tests_section(h, r, extras);
  correlation_section(h, r, extras);
  model_section(h, r, extras);
  residual_section(h, r);
  crossings_section(h, r, extras);
  extra_sections(h, extras, Place::kEnd);
  h.raw("</main>\n");
  foot(h);
  return std::move(h.out);
}

IndexRow index_row(const results::GaugeResult& r, const std::string& page, int warnings) {
  IndexRow row;
  row.name = r.record.name;
  row.page = page;
  row.first_year = r.record.first_year;
  row.last_year = r.record.last_year();
  row.years = r.record.N;
  if (r.transformed()) row.transform = normalize::model_code(r.normalisation.fitted.itype());
  row.model = r.complete();
  row.p = r.p;
  row.q = r.q;
  row.flows = r.record.flows;
  row.warnings = warnings;
  return row;
}

IndexRow failed_row(const std::string& name, const std::string& reason) {
  IndexRow row;
  row.name = name;
  row.failure = reason.empty() ? "failed" : reason;
  return row;
}

std::string index_page(const std::vector<IndexRow>& rows, const std::string& title) {
  Html h;
  h.out.reserve(4096 + rows.size() * 3000);
  int failed = 0;
  for (const IndexRow& row : rows)
    if (!row.failure.empty()) ++failed;
  const std::string heading = title.empty() ? "Gauge network" : title;
  head(h, heading);
  h.element("h1", heading);
  h.element("p",
            std::to_string(rows.size()) + " gauges: " + std::to_string(rows.size() - failed) +
                " analysed, " + std::to_string(failed) +
                " failed. Each name leads to the "
                "gauge's page.",
            "class=\"record\"");
  h.raw(
      "<table class=\"index\">\n<thead><tr><th scope=\"col\">gauge</th><th scope=\"col\">years</th>"
      "<th scope=\"col\" class=\"n\">N</th><th scope=\"col\">transform</th>"
      "<th scope=\"col\">ARMA (p,q)</th><th scope=\"col\">annual flows (own scale)</th>"
      "<th scope=\"col\" class=\"n\">warnings</th></tr></thead>\n<tbody>\n");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const IndexRow& row = rows[i];
    h.raw("<tr><td>");
    if (!row.page.empty())
      h.raw("<a href=\"" + escape(row.page) + "\">" + escape(row.name) + "</a>");
    else
      h.text(row.name);
    h.raw("</td>");
    if (!row.failure.empty()) {
      h.raw("<td colspan=\"6\" class=\"failed\">failed: " + escape(row.failure) + "</td></tr>\n");
      continue;
    }
    h.raw("<td>" + std::to_string(row.first_year) + "\u2013" + std::to_string(row.last_year) +
          "</td><td class=\"n\">" + std::to_string(row.years) + "</td><td>" +
          escape(row.transform.empty() ? "none" : row.transform) + "</td><td>" +
          (row.model ? "(" + std::to_string(row.p) + "," + std::to_string(row.q) + ")"
                     : std::string("none")) +
          "</td><td>");
    h.raw(sparkline(row.flows, row.name, row.first_year, "spark-" + std::to_string(i + 1)));
    h.raw("</td><td class=\"n\">" + std::to_string(row.warnings) + "</td></tr>\n");
  }
  h.raw("</tbody>\n</table>\n");
  foot(h);
  return std::move(h.out);
}

}  // namespace report
