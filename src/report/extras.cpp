#include "report/extras.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "normalize/johnson.hpp"
#include "report/svg.hpp"

namespace report {

namespace {

using findings::Findings;
using findings::Quantile;

constexpr double kSignificance = 0.05;

std::string bounds(const Quantile& q) {
  if (!std::isfinite(q.lower) || !std::isfinite(q.upper)) return "n/a";
  return fmt(q.lower, 5) + " to " + fmt(q.upper, 5);
}

// A probability with four decimals, or in exponent form when smaller.
std::string probability(double p) {
  if (!std::isfinite(p)) return "n/a";
  if (p >= 0.0001 || p == 0.0) return fixed(p, 4);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2g", p);
  return buf;
}

std::string span(int first, int last) {
  return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
}

// A probability among all years as one among the positive flows, which is
// what the probability paper plots (negative inside the zero mass).
double among_positive(double P, double zero_probability) {
  return (P - zero_probability) / (1.0 - zero_probability);
}

void head_sentences(const results::GaugeResult& r, const Findings& f, PageExtras& x) {
  const findings::ReturnPeriods& rp = f.return_periods;
  if (rp.available) {
    for (const bool dry : {true, false}) {
      std::string s = dry ? "Dry-year flow" : "Wet-year flow";
      const char* sep = " of ";
      for (const int T : {10, 100}) {
        const findings::ReturnPeriod* p = findings::find_period(rp, T);
        if (!p) continue;
        const Quantile& q = dry ? p->dry : p->wet;
        s += sep + std::to_string(T) + " years: " + fmt(q.flow, 5) + " (90 %: " + bounds(q) + ")";
        sep = "; of ";
      }
      x.findings.push_back(s + ".");
    }
  } else {
    x.findings.push_back("No return-period flows: " + rp.note + ".");
  }
  const findings::MannKendall& mk = f.mann_kendall;
  if (std::isfinite(mk.p))
    x.findings.push_back(std::string("Trend: Mann-Kendall Z = ") + fmt(mk.Z, 3) +
                         ", p = " + probability(mk.p) +
                         (mk.p < kSignificance ? " (a trend at the 5 % level)" : " (no trend)") +
                         "; Sen's slope " + fmt(f.sen.slope, 3) + " per year.");
  const findings::Pettitt& pt = f.pettitt;
  if (std::isfinite(pt.p) && pt.last_year_before != 0) {
    if (pt.p < kSignificance)
      x.findings.push_back("Change: Pettitt finds a change between " +
                           std::to_string(pt.last_year_before) + " and " +
                           std::to_string(pt.first_year_after) + " (p = " + probability(pt.p) +
                           "), the mean going from " + fmt(pt.mean_before, 5) + " to " +
                           fmt(pt.mean_after, 5) + ".");
    else
      x.findings.push_back(
          "Change: no change point at the 5 % level (Pettitt p = " + probability(pt.p) + ").");
  }
  if (f.events.available && !f.events.levels.empty()) {
    const findings::LevelEvents& L = f.events.levels.front();
    if (L.longest >= 0) {
      const findings::Event& e = L.events[L.longest];
      x.findings.push_back("Longest drought below the " + fmt(L.percent, 3) + " % level (" +
                           fmt(L.flow, 5) + "): " + span(e.first_year, e.last_year) + ", " +
                           std::to_string(e.duration) + (e.duration == 1 ? " year" : " years") +
                           ", deficit " + fmt(e.volume, 5) + ".");
    }
  }
  (void)r;
}

Section trend_section(const Findings& f) {
  Section s;
  s.place = Place::kSeries;
  s.title = "Trend and change";
  s.text =
      "Tests of the annual flows (zeros included) against the years. The ARMA model assumes a "
      "stationary record: a trend or a change at the 5 % level puts it in doubt.";
  s.header = {"test", "statistic", "result", "probability"};
  const findings::MannKendall& mk = f.mann_kendall;
  s.rows.push_back({"Mann-Kendall", "S = " + fmt(mk.S, 6) + ", Z = " + fmt(mk.Z, 4),
                    std::isfinite(mk.p) ? (mk.p < kSignificance ? "trend" : "no trend") : mk.note,
                    probability(mk.p)});
  const findings::SenSlope& sen = f.sen;
  s.rows.push_back({"Sen's slope (flow per year)", fmt(sen.slope, 4),
                    std::isfinite(sen.lower)
                        ? "90 %: " + fmt(sen.lower, 4) + " to " + fmt(sen.upper, 4)
                        : (sen.note.empty() ? sen.interval_note : sen.note),
                    ""});
  const findings::Pettitt& pt = f.pettitt;
  s.rows.push_back({"Pettitt", "K = " + fmt(pt.K, 6),
                    pt.last_year_before != 0
                        ? "between " + std::to_string(pt.last_year_before) + " and " +
                              std::to_string(pt.first_year_after) + "; mean " +
                              fmt(pt.mean_before, 5) + " then " + fmt(pt.mean_after, 5)
                        : pt.note,
                    probability(pt.p)});
  return s;
}

Section return_section(const Findings& f) {
  const findings::ReturnPeriods& rp = f.return_periods;
  Section s;
  s.place = Place::kDistribution;
  s.title = "Return-period flows";
  if (!rp.available) {
    s.text = "Absent: " + rp.note + ".";
    return s;
  }
  s.text = std::string("Flows of the fitted ") + normalize::model_code(rp.ITYPE) +
           " distribution that a year falls below (dry) or exceeds (wet) with probability 1/T.";
  if (rp.zero_probability > 0.0)
    s.text += " A year has no flow with probability " + fmt(rp.zero_probability, 3) +
              "; a dry-year flow inside that mass is 0.";
  s.text += rp.bounds_note.empty()
                ? " The 90 % bounds come from " + std::to_string(rp.refitted) + " of " +
                      std::to_string(rp.samples) +
                      " samples of the record's size drawn from the fitted distribution and "
                      "refitted."
                : " No bounds: " + rp.bounds_note + ".";
  s.header = {"T (years)", "dry-year flow", "90 % bounds", "wet-year flow", "90 % bounds"};
  for (const findings::ReturnPeriod& p : rp.periods)
    s.rows.push_back({std::to_string(p.T), fmt(p.dry.flow, 5), bounds(p.dry), fmt(p.wet.flow, 5),
                      bounds(p.wet)});
  return s;
}

Section exact_section(const Findings& f) {
  Section s;
  s.place = Place::kTests;
  s.title = "Exact probabilities";
  s.text =
      "The report's probabilities use approximations of the normal quantile and of the "
      "chi-square tail. Here the same tests with exact normal class bounds and the exact "
      "chi-square tail.";
  s.header = {"test",
              "df",
              "statistic (report)",
              "probability (report)",
              "statistic (exact)",
              "probability (exact)"};
  auto chi = [&s](const char* name, const findings::ExactChiSquare& c) {
    if (!c.available) return;
    s.rows.push_back({name, std::to_string(c.df), fmt(c.statistic_report, 5),
                      probability(c.probability_report), fmt(c.statistic_exact, 5),
                      probability(c.probability_exact)});
  };
  chi("chi-square, flows", f.chi_flows);
  chi("chi-square, normalised flows", f.chi_normalised);
  auto q = [&s](const char* name, const findings::ExactPortmanteau& c) {
    if (!c.available) return;
    s.rows.push_back({name, std::to_string(c.df), fmt(c.Q, 5), probability(c.probability_report),
                      fmt(c.Q, 5), probability(c.probability_exact)});
  };
  q("portmanteau, normalised flows", f.portmanteau_normalised);
  q("portmanteau, residuals", f.portmanteau_residuals);
  if (s.rows.empty()) {
    s.header.clear();
    s.text = "Absent: no test could be made on this record.";
  }
  return s;
}

Section likelihood_section(const Findings& f) {
  const findings::Likelihood& L = f.likelihood;
  Section s;
  s.place = Place::kModel;
  s.title = "Exact likelihood of the chosen model";
  if (!L.available) {
    s.text = "Absent: " + L.note + ".";
    return s;
  }
  s.text = "The exact Gaussian log-likelihood of ARMA(" + std::to_string(L.p) + "," +
           std::to_string(L.q) + ") on the normalised flows is " + fmt(L.model, 6) +
           ", that of white noise " + fmt(L.white_noise, 6) + " (innovation variance " +
           fmt(L.sigma2, 4) + "). The largest reciprocal root has modulus " +
           fmt(L.roots.ar_modulus, 3) + " on the AR side and " + fmt(L.roots.ma_modulus, 3) +
           " on the MA side (1 is the edge of stationarity or invertibility).";
  return s;
}

Section events_section(const Findings& f) {
  Section s;
  s.place = Place::kCrossings;
  s.title = "Drought and surplus events";
  if (!f.events.available) {
    s.text = "Absent: " + f.events.note + ".";
    return s;
  }
  s.text =
      "Runs of years below each drought level and above each surplus level, the levels turned "
      "into flows by the fitted distribution. The volume is the sum of the differences from the "
      "level. A run that touches the first or last year of the record may be longer than shown.";
  s.header = {"level", "flow", "events", "longest", "largest (volume)"};
  for (const findings::LevelEvents& L : f.events.levels) {
    const std::string level = fmt(L.percent, 3) + " % " + (L.drought ? "drought" : "surplus");
    std::string longest = "-", largest = "-";
    if (L.longest >= 0) {
      const findings::Event& e = L.events[L.longest];
      longest = span(e.first_year, e.last_year) + " (" + std::to_string(e.duration) + " y)";
    }
    if (L.largest >= 0) {
      const findings::Event& e = L.events[L.largest];
      largest = span(e.first_year, e.last_year) + ": " + fmt(e.volume, 5);
    }
    s.rows.push_back({level, fmt(L.flow, 5), std::to_string(L.events.size()), longest, largest});
  }
  return s;
}

// The trend line of Sen's slope through the median of y - slope t.
TrendLine trend_line(const results::GaugeResult& r, double slope) {
  const results::Record& rec = r.record;
  std::vector<double> b;
  for (int i = 0; i < rec.N; ++i) b.push_back(rec.flows[i] - slope * (rec.first_year + i));
  std::sort(b.begin(), b.end());
  const std::size_t n = b.size();
  const double median = n % 2 == 1 ? b[n / 2] : 0.5 * (b[n / 2 - 1] + b[n / 2]);
  TrendLine t;
  t.slope_per_year = slope;
  t.year = rec.first_year + 0.5 * (rec.N - 1);
  t.flow = median + slope * t.year;
  return t;
}

void series_overlay(const results::GaugeResult& r, const Findings& f, SeriesOverlay& o) {
  const findings::Pettitt& pt = f.pettitt;
  if (std::isfinite(pt.p) && pt.p < kSignificance && pt.last_year_before != 0)
    o.change = ChangePoint{pt.last_year_before, pt.mean_before, pt.mean_after};
  if (std::isfinite(f.mann_kendall.p) && f.mann_kendall.p < kSignificance &&
      std::isfinite(f.sen.slope) && r.record.N > 1)
    o.trend = trend_line(r, f.sen.slope);
  if (!f.events.available) return;
  // The runs beyond the 80 % levels, the first drought and the first
  // surplus level.
  for (const bool drought : {true, false}) {
    for (const findings::LevelEvents& L : f.events.levels) {
      if (L.drought != drought || !std::isfinite(L.flow)) continue;
      const RunKind kind = drought ? RunKind::kDrought : RunKind::kSurplus;
      o.levels.push_back(
          {L.flow, fmt(L.percent, 3) + " % " + (drought ? "drought" : "surplus") + " level", kind});
      for (const findings::Event& e : L.events) o.runs.push_back({e.first_year, e.last_year, kind});
      break;
    }
  }
}

void probability_overlay(const Findings& f, ProbabilityOverlay& o) {
  const findings::ReturnPeriods& rp = f.return_periods;
  if (!rp.available) return;
  const double f0 = rp.zero_probability;
  ConfidenceBand band;
  band.percent = 100.0 * findings::kBoundLevel;
  auto add = [&band, f0](double P, const Quantile& q) {
    const double p = among_positive(P, f0);
    if (!(p > 0.0 && p < 1.0) || !std::isfinite(q.lower) || !std::isfinite(q.upper)) return;
    if (!band.p.empty() && p <= band.p.back()) return;
    band.p.push_back(p);
    band.lower.push_back(q.lower);
    band.upper.push_back(q.upper);
  };
  for (auto it = rp.periods.rbegin(); it != rp.periods.rend(); ++it) add(1.0 / it->T, it->dry);
  for (const findings::ReturnPeriod& p : rp.periods) add(1.0 - 1.0 / p.T, p.wet);
  if (band.p.size() >= 2) o.band = band;
  for (const int T : {10, 100}) {
    const findings::ReturnPeriod* p = findings::find_period(rp, T);
    if (!p) continue;
    for (const bool dry : {true, false}) {
      const Quantile& q = dry ? p->dry : p->wet;
      const double pp = among_positive(dry ? 1.0 / T : 1.0 - 1.0 / T, f0);
      if (!(pp > 0.0 && pp < 1.0) || !std::isfinite(q.flow)) continue;
      o.points.push_back({pp, q.flow, std::isfinite(q.lower) ? q.lower : q.flow,
                          std::isfinite(q.upper) ? q.upper : q.flow,
                          std::to_string(T) + " y " + (dry ? "dry" : "wet")});
    }
  }
}

}  // namespace

PageExtras page_extras(const results::GaugeResult& r, const Findings& f) {
  PageExtras x;
  head_sentences(r, f, x);
  for (const findings::Warning& w : f.warnings) x.warnings.push_back({w.code, w.message});
  x.sections.push_back(trend_section(f));
  x.sections.push_back(return_section(f));
  x.sections.push_back(exact_section(f));
  if (r.correlated()) x.sections.push_back(likelihood_section(f));
  x.sections.push_back(events_section(f));
  series_overlay(r, f, x.series);
  probability_overlay(f, x.probability);
  return x;
}

}  // namespace report
