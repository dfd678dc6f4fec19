#include "report/figures.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "normalize/distribution.hpp"
#include "report/svg.hpp"
#include "stats/moments.hpp"

namespace report {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string stroke(const char* colour, double width, const char* dash = nullptr) {
  std::string s = "stroke=\"" + std::string(colour) + "\" stroke-width=\"" + num(width) + "\"";
  if (dash) s += " stroke-dasharray=\"" + std::string(dash) + "\"";
  return s;
}

std::string fill(const char* colour, double opacity = 1.0) {
  std::string s = "fill=\"" + std::string(colour) + "\"";
  if (opacity < 1.0) s += " fill-opacity=\"" + num(opacity) + "\"";
  return s;
}

const char* kFlowAxis = "flow (unit of the input file)";

// A white outline behind a label that lies over the plot, so that lines do
// not run through its letters.
const char* kHalo = "stroke=\"#FFFFFF\" stroke-width=\"3\" paint-order=\"stroke\"";

// The flow axis: round ticks over the values, from 0 unless some value is
// negative.
Ticks flow_ticks(double lo, double hi) {
  return nice_ticks(std::min(lo, 0.0), std::max(hi, 0.0), 6);
}

void title(Svg& svg, double x, std::string_view text) {
  svg.text(x, 22, text, "start", "font-size=\"15\" font-weight=\"bold\"");
}

const char* run_colour(RunKind k) {
  return k == RunKind::kDrought ? colour::kOrange : colour::kSkyBlue;
}

}  // namespace

// ---------------------------------------------------------------------------
// The annual series.

std::string series_figure(const results::GaugeResult& r, const SeriesOverlay& overlay,
                          const std::string& id) {
  const results::Record& rec = r.record;
  const int N = static_cast<int>(rec.flows.size());
  const int first = rec.first_year;
  const int last = first + std::max(N, 1) - 1;
  constexpr double W = 760, H = 380;
  Frame f{78, 46, W - 20, H - 100, {}, {}};

  double lo = 0.0, hi = 0.0;
  auto take = [&](double v) {
    if (!std::isfinite(v)) return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  };
  for (const double v : rec.flows) take(v);
  for (const LevelLine& l : overlay.levels) take(l.flow);
  if (overlay.change) take(overlay.change->mean_before), take(overlay.change->mean_after);
  auto trend_at = [&](double year) {
    return overlay.trend->flow + overlay.trend->slope_per_year * (year - overlay.trend->year);
  };
  if (overlay.trend) take(trend_at(first)), take(trend_at(last));
  const Ticks yt = flow_ticks(lo, hi);
  f.x = Scale{first - 0.5, last + 0.5, f.left, f.right};
  f.y = Scale{yt.lo(), yt.hi(), f.bottom, f.top};

  // The mean, extremes and their years for the description.
  int imin = 0, imax = 0;
  for (int i = 0; i < N; ++i) {
    if (rec.flows[i] < rec.flows[imin]) imin = i;
    if (rec.flows[i] > rec.flows[imax]) imax = i;
  }
  const double mean = r.all_mean;
  std::string desc = "Annual flows of " + rec.name + " from " + std::to_string(first) + " to " +
                     std::to_string(last) + " (" + std::to_string(N) + " years)";
  if (N > 0)
    desc += ": mean " + fmt(mean) + ", smallest " + fmt(rec.flows[imin]) + " in " +
            std::to_string(first + imin) + ", largest " + fmt(rec.flows[imax]) + " in " +
            std::to_string(first + imax);
  if (rec.nz > 0) desc += "; " + std::to_string(rec.nz) + " years without flow";
  desc += ".";
  if (overlay.change)
    desc += " Change in the mean after " + std::to_string(overlay.change->year) + ": from " +
            fmt(overlay.change->mean_before) + " to " + fmt(overlay.change->mean_after) + ".";
  if (overlay.trend) desc += " Trend of " + fmt(overlay.trend->slope_per_year, 3) + " per year.";
  if (!overlay.runs.empty())
    desc += " " + std::to_string(overlay.runs.size()) + " runs beyond the crossing levels shaded.";

  Svg svg(id, W, H,
          rec.name + ": annual flows " + std::to_string(first) + "-" + std::to_string(last), desc);
  title(svg, f.left,
        rec.name + ": annual flows " + std::to_string(first) + "\u2013" + std::to_string(last));
  const std::string clip = svg.clip("plot", f.left, f.top, f.width(), f.height());

  // Runs first, so that everything else is drawn over them.
  bool droughts = false, surpluses = false;
  svg.open_group(clip);
  for (const Run& run : overlay.runs) {
    const double x0 = f.x(run.first_year - 0.5), x1 = f.x(run.last_year + 0.5);
    svg.rect(x0, f.top, x1 - x0, f.height(), fill(run_colour(run.kind), 0.3));
    (run.kind == RunKind::kDrought ? droughts : surpluses) = true;
  }
  svg.close_group();

  Ticks xt = nice_ticks(first, last, 10, 1.0);
  std::vector<TickMark> xm;
  for (const TickMark& m : marks(xt))
    if (m.at >= first - 0.5 && m.at <= last + 0.5) xm.push_back(m);
  y_axis(svg, f, yt, kFlowAxis);
  x_axis(svg, f, xm, "year");

  svg.open_group(clip);
  for (const LevelLine& l : overlay.levels) {
    const double y = f.y(l.flow);
    svg.line(f.left, y, f.right, y, stroke(colour::kGrey, 1.2, "2 3"));
    svg.text(f.right - 4, y - 4, l.label, "end",
             std::string("font-size=\"11\" fill=\"#444444\" ") + kHalo);
  }
  if (N > 0) {
    const double y = f.y(mean);
    svg.line(f.left, y, f.right, y, stroke(colour::kBlack, 1.2, "6 3"));
  }
  if (overlay.trend)
    svg.line(f.x(first - 0.5), f.y(trend_at(first - 0.5)), f.x(last + 0.5),
             f.y(trend_at(last + 0.5)), stroke(colour::kGreen, 2.5));
  if (overlay.change) {
    const ChangePoint& c = *overlay.change;
    const double xc = f.x(c.year + 0.5);
    svg.line(xc, f.top, xc, f.bottom, stroke(colour::kVermillion, 1.5, "3 3"));
    svg.line(f.x(first - 0.5), f.y(c.mean_before), xc, f.y(c.mean_before),
             stroke(colour::kVermillion, 3));
    svg.line(xc, f.y(c.mean_after), f.x(last + 0.5), f.y(c.mean_after),
             stroke(colour::kVermillion, 3));
  }
  std::vector<double> xs, ys;
  for (int i = 0; i < N; ++i) {
    xs.push_back(f.x(first + i));
    ys.push_back(f.y(rec.flows[i]));
  }
  svg.polyline(xs, ys, stroke(colour::kBlue, 1.5));
  const double radius = N <= 120 ? 2.5 : N <= 300 ? 1.6 : 0.0;
  if (radius > 0)
    for (int i = 0; i < N; ++i)
      if (!(rec.flows[i] < results::kZeroFlow))
        svg.circle(xs[i], ys[i], radius, fill(colour::kBlue));
  svg.close_group();
  // Years without flow as open rings, over the frame so that the bottom
  // edge does not hide them.
  for (int i = 0; i < N; ++i)
    if (rec.flows[i] < results::kZeroFlow)
      svg.circle(xs[i], ys[i], 4, "fill=\"#FFFFFF\" " + stroke(colour::kPurple, 2));
  frame_box(svg, f);

  std::vector<LegendEntry> entries{
      {LegendEntry::Symbol::kLine, colour::kBlue, "annual flow"},
      {LegendEntry::Symbol::kDashedLine, colour::kBlack, "mean " + fmt(mean)}};
  if (rec.nz > 0)
    entries.push_back({LegendEntry::Symbol::kRing, colour::kPurple,
                       "year without flow (" + std::to_string(rec.nz) + ")"});
  if (overlay.trend)
    entries.push_back({LegendEntry::Symbol::kLine, colour::kGreen,
                       "trend " + fmt(overlay.trend->slope_per_year, 3) + " per year"});
  if (overlay.change)
    entries.push_back({LegendEntry::Symbol::kLine, colour::kVermillion,
                       "means before and after " + std::to_string(overlay.change->year + 1)});
  if (!overlay.levels.empty())
    entries.push_back({LegendEntry::Symbol::kDashedLine, colour::kGrey, "crossing level"});
  if (droughts) entries.push_back({LegendEntry::Symbol::kBox, colour::kOrange, "drought run", 0.3});
  if (surpluses)
    entries.push_back({LegendEntry::Symbol::kBox, colour::kSkyBlue, "surplus run", 0.3});
  legend(svg, f.left, f.bottom + 62, f.width(), entries);
  return svg.finish();
}

// ---------------------------------------------------------------------------
// Normal probability paper.

double all_years_probability(double p, double p0) {
  return p0 + (1.0 - p0) * p;
}

namespace {

constexpr double kZRange = 3.4;  // the x axis runs over standard normal quantiles -3.4 .. 3.4

struct ProbabilityTick {
  double p;
  const char* label;
};
constexpr std::array<ProbabilityTick, 15> kProbabilityTicks{{{0.001, "0.1 %"},
                                                             {0.01, "1 %"},
                                                             {0.05, "5 %"},
                                                             {0.1, "10 %"},
                                                             {0.2, "20 %"},
                                                             {0.3, ""},
                                                             {0.4, ""},
                                                             {0.5, "50 %"},
                                                             {0.6, ""},
                                                             {0.7, ""},
                                                             {0.8, "80 %"},
                                                             {0.9, "90 %"},
                                                             {0.95, "95 %"},
                                                             {0.99, "99 %"},
                                                             {0.999, "99.9 %"}}};
struct PeriodTick {
  double years;
  bool labelled;
};
constexpr std::array<PeriodTick, 9> kPeriods{{{2, true},
                                              {5, true},
                                              {10, true},
                                              {20, true},
                                              {50, true},
                                              {100, true},
                                              {200, false},
                                              {500, false},
                                              {1000, true}}};

}  // namespace

std::string probability_figure(const results::GaugeResult& r, const ProbabilityOverlay& overlay,
                               const std::string& id) {
  const results::Record& rec = r.record;
  const normalize::FittedDistribution& t = r.normalisation.fitted;
  const std::string model = t.code();
  const double p0 = rec.N > 0 ? static_cast<double>(rec.nz) / rec.N : 0.0;
  constexpr double W = 760, H = 470;
  Frame f{78, 86, W - 20, H - 110, {}, {}};
  f.x = Scale{-kZRange, kZRange, f.left, f.right};
  auto zx = [&](double p) {  // p among the positive flows to its quantile among all years
    const double q = all_years_probability(p, p0);
    if (!(q > 0.0 && q < 1.0)) return kNaN;
    return normalize::standard_normal_quantile(q);
  };

  // The fitted flows along the axis.
  std::vector<double> fz, fflow;
  constexpr int kSteps = 136;
  for (int k = 0; k <= kSteps; ++k) {
    const double u = -kZRange + 2.0 * kZRange * k / kSteps;
    const double P = normalize::standard_normal_cdf(u);
    double flow = kNaN;
    if (P > p0) {
      const double q = (P - p0) / (1.0 - p0);
      if (q > 0.0 && q < 1.0) {
        flow = t.fitted() ? t.from_normal(normalize::standard_normal_quantile(q)) : kNaN;
      }
    }
    fz.push_back(u);
    fflow.push_back(flow);
  }

  double lo = 0.0, hi = 0.0;
  auto take = [&](double v) {
    if (!std::isfinite(v)) return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  };
  for (const results::RankedFlow& row : r.ranked) take(row.flow);
  {
    // The fitted line is followed up to the 99 % flow; beyond, it may leave
    // the plot.
    if (t.fitted()) take(t.from_normal(normalize::standard_normal_quantile(0.99)));
  }
  if (overlay.band)
    for (std::size_t i = 0; i < overlay.band->p.size(); ++i) {
      if (i < overlay.band->lower.size()) take(overlay.band->lower[i]);
      if (i < overlay.band->upper.size()) take(overlay.band->upper[i]);
    }
  for (const ReturnPoint& pt : overlay.points) take(pt.flow), take(pt.lower), take(pt.upper);
  const Ticks yt = flow_ticks(lo, hi);
  f.y = Scale{yt.lo(), yt.hi(), f.bottom, f.top};

  const int n = static_cast<int>(r.ranked.size());
  std::string desc = "The " + std::to_string(n) + " positive annual flows of " + rec.name +
                     " at their plotting positions i/(n+1) on normal probability paper, with the "
                     "fitted " +
                     model + " distribution as a line";
  if (rec.nz > 0)
    desc += "; " + std::to_string(rec.nz) + " of " + std::to_string(rec.N) +
            " years had no flow, so the positive flows take the probabilities above " +
            fixed(100.0 * p0, 1) + " %";
  if (overlay.band) desc += "; the " + fmt(overlay.band->percent, 2) + " % confidence band shaded";
  if (!overlay.points.empty())
    desc += "; " + std::to_string(overlay.points.size()) + " return-period flows marked";
  desc +=
      ". The top axis gives the return period in years of dry years (left) and wet years "
      "(right).";
  Svg svg(id, W, H, rec.name + ": annual flows on normal probability paper", desc);
  title(svg, f.left, rec.name + ": annual flows on normal probability paper, fitted " + model);
  const std::string clip = svg.clip("plot", f.left, f.top, f.width(), f.height());

  y_axis(svg, f, yt, kFlowAxis);
  std::vector<TickMark> pm;
  for (const ProbabilityTick& pt : kProbabilityTicks)
    pm.push_back({normalize::standard_normal_quantile(pt.p), pt.label});
  x_axis(svg, f, pm, "non-exceedance probability (normal probability scale)");

  // Return periods along the top: dry years to the left, wet to the right.
  for (const PeriodTick& pt : kPeriods) {
    for (const double side : {-1.0, 1.0}) {
      if (pt.years == 2 && side > 0) continue;
      const double x = f.x(side * normalize::standard_normal_quantile(1.0 - 1.0 / pt.years));
      svg.line(x, f.top - (pt.labelled ? 5 : 3), x, f.top, "stroke=\"#000000\"");
      if (pt.labelled) svg.text(x, f.top - 9, fixed(pt.years, 0), "middle", "font-size=\"11\"");
    }
  }
  svg.text(f.x(0), f.top - 28, "return period (years)", "middle");
  svg.text(f.left, f.top - 28, "\u2190 dry years", "start", "font-size=\"11\"");
  svg.text(f.right, f.top - 28, "wet years \u2192", "end", "font-size=\"11\"");

  svg.open_group(clip);
  if (overlay.band) {
    const ConfidenceBand& b = *overlay.band;
    const std::size_t m = std::min({b.p.size(), b.lower.size(), b.upper.size()});
    std::vector<double> xs, ys;
    for (std::size_t i = 0; i < m; ++i)
      xs.push_back(f.x(zx(b.p[i]))), ys.push_back(f.y(b.lower[i]));
    for (std::size_t i = m; i-- > 0;) xs.push_back(f.x(zx(b.p[i]))), ys.push_back(f.y(b.upper[i]));
    svg.polygon(xs, ys, fill(colour::kSkyBlue, 0.35) + " stroke=\"none\"");
  }
  {
    std::vector<double> xs, ys;
    for (std::size_t k = 0; k < fz.size(); ++k) {
      xs.push_back(f.x(fz[k]));
      ys.push_back(std::isfinite(fflow[k]) ? f.y(fflow[k]) : kNaN);
    }
    svg.polyline(xs, ys, stroke(colour::kVermillion, 2));
  }
  for (const results::RankedFlow& row : r.ranked)
    svg.circle(f.x(zx(row.p)), f.y(row.flow), n <= 200 ? 3.0 : 2.0,
               fill(colour::kBlue, 0.85) + " stroke=\"#FFFFFF\" stroke-width=\"0.6\"");
  for (const ReturnPoint& pt : overlay.points) {
    const double x = f.x(zx(pt.p));
    if (std::isfinite(pt.lower) && std::isfinite(pt.upper)) {
      svg.line(x, f.y(pt.lower), x, f.y(pt.upper), stroke(colour::kBlack, 1.2));
      svg.line(x - 4, f.y(pt.lower), x + 4, f.y(pt.lower), stroke(colour::kBlack, 1.2));
      svg.line(x - 4, f.y(pt.upper), x + 4, f.y(pt.upper), stroke(colour::kBlack, 1.2));
    }
    const double y = f.y(pt.flow);
    svg.polygon({x, x + 5, x, x - 5}, {y - 6, y, y + 6, y},
                fill(colour::kYellow) + " stroke=\"#000000\" stroke-width=\"1\"");
    if (!pt.label.empty())
      svg.text(x + 7, y - 6, pt.label, "start", std::string("font-size=\"10\" ") + kHalo);
  }
  svg.close_group();
  frame_box(svg, f);
  // The zero-flow mass along flow 0, over the frame (flow 0 is often its
  // bottom edge, where a clipped line would show only half its width).
  if (rec.nz > 0) {
    const double x1 = f.x(normalize::standard_normal_quantile(std::clamp(p0, 1e-9, 1.0 - 1e-9)));
    const double y = f.y(0.0);
    svg.line(f.left, y, x1, y, stroke(colour::kPurple, 5));
    svg.circle(x1, y, 4, fill(colour::kPurple));
  }

  std::vector<LegendEntry> entries{
      {LegendEntry::Symbol::kDot, colour::kBlue, "annual flow at i/(n+1)"},
      {LegendEntry::Symbol::kLine, colour::kVermillion, "fitted " + model}};
  if (overlay.band)
    entries.push_back({LegendEntry::Symbol::kBox, colour::kSkyBlue,
                       fmt(overlay.band->percent, 2) + " % confidence band", 0.35});
  if (!overlay.points.empty())
    entries.push_back(
        {LegendEntry::Symbol::kDiamond, colour::kYellow, "return-period flow with bounds"});
  if (rec.nz > 0)
    entries.push_back(
        {LegendEntry::Symbol::kLine, colour::kPurple,
         "zero flows: " + std::to_string(rec.nz) + " of " + std::to_string(rec.N) + " years"});
  legend(svg, f.left, f.bottom + 62, f.width(), entries);
  return svg.finish();
}

// ---------------------------------------------------------------------------
// Correlograms.

std::string correlogram_figure(const stats::Correlogram& c, CorrelogramKind kind,
                               const std::string& name, const std::string& model,
                               const std::string& id) {
  const int L = std::clamp(c.L, 0, stats::kMaxLags);
  const std::array<double, stats::kMaxLags>& v = kind == CorrelogramKind::kPartial ? c.phi : c.r;
  constexpr double W = 760, H = 300;
  Frame f{78, 46, W - 20, H - 84, {}, {}};
  double m = std::isfinite(c.c) ? c.c : 0.0;
  for (int k = 0; k < L; ++k)
    if (std::isfinite(v[k])) m = std::max(m, std::fabs(v[k]));
  m = std::clamp(m * 1.15, 0.2, 1.0);
  const Ticks yt = nice_ticks(-m, m, 7);
  f.x = Scale{0.4, L + 0.6, f.left, f.right};
  f.y = Scale{yt.lo(), yt.hi(), f.bottom, f.top};

  std::string what, axis, default_id;
  switch (kind) {
    case CorrelogramKind::kSerial:
      what = "correlogram of the normalised flows";
      axis = "serial correlation r(k)";
      default_id = "fig-acf";
      break;
    case CorrelogramKind::kPartial:
      what = "partial correlogram of the normalised flows";
      axis = "partial correlation";
      default_id = "fig-pacf";
      break;
    case CorrelogramKind::kResidual:
      what = "correlogram of the residuals of " + (model.empty() ? "the ARMA model" : model);
      axis = "residual r(k)";
      default_id = "fig-racf";
      break;
  }
  int outside = 0;
  std::string listed;
  for (int k = 0; k < L; ++k) {
    if (std::isfinite(v[k]) && std::fabs(v[k]) > c.c) ++outside;
    if (k < 5) listed += (k ? ", " : "") + fixed(v[k], 3);
  }
  std::string desc = "Coefficients at lags 1 to " + std::to_string(L) + " of " +
                     std::to_string(c.n) + " values, with the band \u00b11.96/\u221an = \u00b1" +
                     fixed(c.c, 3) + "; " + std::to_string(outside) + " of " + std::to_string(L) +
                     " lie outside it. The first lags: " + listed + ".";
  if (kind != CorrelogramKind::kPartial)
    desc +=
        " Portmanteau Q = " + fixed(c.Q, 2) + " with " + std::to_string(c.df) +
        " degrees of freedom" +
        (std::isfinite(c.probability) ? ", exceedance probability " + fixed(c.probability, 4)
                                      : std::string(", no probability (no degrees of freedom)")) +
        ".";
  Svg svg(id.empty() ? default_id : id, W, H, name + ": " + what, desc);
  title(svg, f.left, name + ": " + what);

  // The band behind the bars.
  svg.rect(f.left, f.y(c.c), f.width(), f.y(-c.c) - f.y(c.c), fill(colour::kLight));
  Ticks xt = nice_ticks(1, std::max(L, 1), 10, 1.0);
  std::vector<TickMark> xm;
  for (const TickMark& mk : marks(xt))
    if (mk.at >= 1 && mk.at <= std::max(L, 1)) xm.push_back(mk);
  y_axis(svg, f, yt, axis);
  x_axis(svg, f, xm, "lag k (years)", false);
  for (const double b : {c.c, -c.c})
    svg.line(f.left, f.y(b), f.right, f.y(b), stroke(colour::kGrey, 1.2, "5 3"));
  svg.line(f.left, f.y(0), f.right, f.y(0), stroke(colour::kBlack, 1));
  const double bw = 0.5 * (f.x(2) - f.x(1));
  bool any_in = false, any_out = false;
  for (int k = 0; k < L; ++k) {
    if (!std::isfinite(v[k])) continue;
    const bool out = std::fabs(v[k]) > c.c;
    (out ? any_out : any_in) = true;
    const double x = f.x(k + 1);
    svg.rect(x - bw / 2, f.y(0), bw, f.y(v[k]) - f.y(0),
             fill(out ? colour::kVermillion : colour::kBlue));
  }
  if (L == 0)
    svg.text((f.left + f.right) / 2, (f.top + f.bottom) / 2, "no lags: the series is too short",
             "middle");
  frame_box(svg, f);
  std::vector<LegendEntry> entries;
  if (any_in || L == 0)
    entries.push_back({LegendEntry::Symbol::kBar, colour::kBlue, "inside the band"});
  if (any_out)
    entries.push_back({LegendEntry::Symbol::kBar, colour::kVermillion, "outside the band"});
  entries.push_back(
      {LegendEntry::Symbol::kBox, colour::kLight,
       "band \u00b11.96/\u221an = \u00b1" + fixed(c.c, 3) + " (n = " + std::to_string(c.n) + ")"});
  legend(svg, f.left, f.bottom + 58, f.width(), entries);
  return svg.finish();
}

// ---------------------------------------------------------------------------
// The ARMA score table.

std::string arma_figure(const arma::Identification& id, const std::string& name,
                        const std::string& svg_id) {
  constexpr double W = 560, H = 430;
  constexpr double left = 110, top = 92, cw = 140, ch = 88;
  const bool chosen = id.ok() || id.refused == 9;
  std::string desc =
      "Score 0.5 (AICc + distance) of the nine ARMA(p,q) models, p and q from 0 "
      "to 2; the smallest score chooses the model.";
  for (int p = 0; p <= 2; ++p)
    for (int q = 0; q <= 2; ++q) {
      const arma::ArmaFit& fit = id.fits[p][q];
      const int index = 3 * p + q;
      desc += " ARMA(" + std::to_string(p) + "," + std::to_string(q) + "): ";
      if (id.refused >= 0 && id.refused < 9 && index > id.refused)
        desc += "not reached;";
      else if (id.refused == index)
        desc += "refused by the lag check;";
      else if (!fit.fitted)
        desc += "not fitted;";
      else
        desc += "score " + fixed(fit.score, 2) + ";";
    }
  if (chosen) desc += " Chosen: ARMA(" + std::to_string(id.p) + "," + std::to_string(id.q) + ").";
  Svg svg(svg_id, W, H, name + ": ARMA score table", desc);
  title(svg, 20, name + ": ARMA models by score");
  svg.raw("<defs><pattern id=\"" + svg_id +
          "-hatch\" width=\"8\" height=\"8\" patternUnits=\"userSpaceOnUse\" "
          "patternTransform=\"rotate(45)\"><rect width=\"8\" height=\"8\" fill=\"#EEEEEE\"/>"
          "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"8\" stroke=\"#BBBBBB\" stroke-width=\"3\"/>"
          "</pattern></defs>\n");
  svg.text(left + 1.5 * cw, top - 34, "MA order q", "middle", "font-weight=\"bold\"");
  svg.vtext(24, top + 1.5 * ch, "AR order p");
  for (int k = 0; k <= 2; ++k) {
    svg.text(left + (k + 0.5) * cw, top - 10, "q = " + std::to_string(k), "middle");
    svg.text(left - 12, top + (k + 0.5) * ch + 4, "p = " + std::to_string(k), "end");
  }
  for (int p = 0; p <= 2; ++p)
    for (int q = 0; q <= 2; ++q) {
      const arma::ArmaFit& fit = id.fits[p][q];
      const int index = 3 * p + q;
      const double x = left + q * cw, y = top + p * ch;
      const double cx = x + cw / 2;
      const bool is_chosen = chosen && p == id.p && q == id.q;
      const bool unreached = id.refused >= 0 && id.refused < 9 && index > id.refused;
      const bool refused = id.refused == index;
      if (unreached || refused || !fit.fitted) {
        svg.rect(x, y, cw, ch, "fill=\"url(#" + svg_id + "-hatch)\" stroke=\"#777777\"");
        svg.rect(cx - 62, y + ch / 2 - 22, 124, 40, "fill=\"#FFFFFF\" fill-opacity=\"0.85\"");
        if (unreached) {
          svg.text(cx, y + ch / 2 - 4, "not reached", "middle", "font-weight=\"bold\"");
          svg.text(cx, y + ch / 2 + 12, "(stopped earlier)", "middle", "font-size=\"11\"");
        } else if (refused) {
          svg.text(cx, y + ch / 2 - 4, "refused", "middle", "font-weight=\"bold\"");
          svg.text(cx, y + ch / 2 + 12, "by the lag check", "middle", "font-size=\"11\"");
        } else {
          svg.text(cx, y + ch / 2 - 4, "not fitted", "middle", "font-weight=\"bold\"");
          svg.text(cx, y + ch / 2 + 12, "n \u2212 p \u2212 q \u2212 2 \u2264 0", "middle",
                   "font-size=\"11\"");
        }
        continue;
      }
      svg.rect(x, y, cw, ch,
               is_chosen ? "fill=\"#CCE6F5\" stroke=\"#000000\""
                         : "fill=\"#FFFFFF\" stroke=\"#777777\"");
      svg.text(cx, y + 22, "AICc " + fixed(fit.aicc, 2), "middle");
      svg.text(cx, y + 40, "distance " + fixed(fit.dist, 2), "middle");
      svg.text(cx, y + 60, "score " + fixed(fit.score, 2), "middle", "font-weight=\"bold\"");
      if (is_chosen)
        svg.text(cx, y + 78, "\u2605 chosen", "middle", "font-size=\"11\" font-weight=\"bold\"");
    }
  // The chosen cell's frame last, so that its neighbours do not cover it.
  if (chosen)
    svg.rect(left + id.q * cw + 1.5, top + id.p * ch + 1.5, cw - 3, ch - 3,
             "fill=\"none\" stroke=\"#000000\" stroke-width=\"3\"");
  std::vector<LegendEntry> entries;
  if (chosen)
    entries.push_back({LegendEntry::Symbol::kBox, "#CCE6F5",
                       "chosen: ARMA(" + std::to_string(id.p) + "," + std::to_string(id.q) +
                           "), smallest score"});
  bool unscored = id.refused >= 0 && id.refused < 9;
  for (const auto& row : id.fits)
    for (const arma::ArmaFit& fit : row) unscored = unscored || !fit.fitted;
  if (unscored) entries.push_back({LegendEntry::Symbol::kBox, "#BBBBBB", "no score"});
  const double below = legend(svg, 20, top + 3 * ch + 30, W - 40, entries);
  svg.text(20, below + 2, "score = 0.5 (AICc + deficit distance); smaller is better", "start",
           "font-size=\"11\" fill=\"#444444\"");
  return svg.finish();
}

// ---------------------------------------------------------------------------
// The deficit distance.

namespace {

// The demand levels of the deficit distance, as fractions of the mean flow.
constexpr std::array<double, arma::kLevels> kDemand{0.5, 0.7, 0.9};

}  // namespace

std::string deficit_figure(const arma::ArmaFit& fit, double mean, const std::string& name,
                           const std::string& id) {
  // One panel per demand level, each with its own scale: the deficits below
  // 0.9 of the mean are many times those below 0.5, and the distance
  // compares each level on its own spread.
  constexpr double W = 760, kPanel = 92, kPlot = 46, kTop = 46;
  constexpr double H = kTop + arma::kLevels * kPanel + 70;
  const std::string model = "ARMA(" + std::to_string(fit.p) + "," + std::to_string(fit.q) + ")";

  // The simulated deficits of each level, sorted, with their quartiles.
  struct Spread {
    std::vector<double> s;
    double q1 = 0, q2 = 0, q3 = 0;
    int below = 0;  // simulated deficits below the observed one
  };
  std::array<Spread, arma::kLevels> spread;
  std::string desc =
      "For each demand level, the largest cumulative deficit of the observed flows "
      "against those of the " +
      std::to_string(arma::kSamples - 1) + " synthetic series of " + model +
      "; each level has its own scale.";
  for (int i = 0; i < arma::kLevels; ++i) {
    const arma::DeficitLevel& d = fit.deficits[i];
    Spread& sp = spread[i];
    for (const double v : d.simulated)
      if (std::isfinite(v)) sp.s.push_back(v);
    std::sort(sp.s.begin(), sp.s.end());
    for (const double v : sp.s)
      if (v < d.observed) ++sp.below;
    if (sp.s.empty()) continue;
    sp.q1 = stats::quantile_sorted(sp.s, 0.25);
    sp.q2 = stats::quantile_sorted(sp.s, 0.5);
    sp.q3 = stats::quantile_sorted(sp.s, 0.75);
    desc += " Demand " + fixed(kDemand[i], 1) + " of the mean: observed " + fmt(d.observed) +
            ", simulated median " + fmt(sp.q2) + " (range " + fmt(sp.s.front()) + " to " +
            fmt(sp.s.back()) + "); the observed deficit exceeds " + std::to_string(sp.below) +
            " of " + std::to_string(sp.s.size()) + ".";
  }

  Svg svg(id, W, H, name + ": largest deficits, observed and simulated", desc);
  title(svg, 20, name + ": largest deficits, observed and of " + model);
  for (int i = 0; i < arma::kLevels; ++i) {
    const arma::DeficitLevel& d = fit.deficits[i];
    const Spread& sp = spread[i];
    double hi = std::isfinite(d.observed) ? d.observed : 0.0;
    if (!sp.s.empty()) hi = std::max(hi, sp.s.back());
    const Ticks xt = nice_ticks(0.0, hi, 7);
    const double top = kTop + i * kPanel;
    Frame f{176, top, W - 30, top + kPlot, {}, {}};
    f.x = Scale{xt.lo(), xt.hi(), f.left, f.right};
    const double yc = (f.top + f.bottom) / 2;
    x_axis(svg, f, marks(xt), "");
    svg.text(f.left - 10, yc - 3, "demand " + fixed(kDemand[i], 1) + " \u00d7 mean", "end");
    svg.text(f.left - 10, yc + 13, "= " + fmt(kDemand[i] * mean), "end", "font-size=\"11\"");
    if (!sp.s.empty()) {
      svg.line(f.x(sp.s.front()), yc, f.x(sp.q1), yc, stroke(colour::kBlue, 1.2));
      svg.line(f.x(sp.q3), yc, f.x(sp.s.back()), yc, stroke(colour::kBlue, 1.2));
      for (const double e : {sp.s.front(), sp.s.back()})
        svg.line(f.x(e), yc - 6, f.x(e), yc + 6, stroke(colour::kBlue, 1.2));
      svg.rect(f.x(sp.q1), yc - 10, f.x(sp.q3) - f.x(sp.q1), 20,
               "fill=\"#FFFFFF\" fill-opacity=\"0.6\" " + stroke(colour::kBlue, 1.4));
      svg.line(f.x(sp.q2), yc - 10, f.x(sp.q2), yc + 10, stroke(colour::kBlue, 2.4));
    }
    for (std::size_t k = 0; k < d.simulated.size(); ++k) {
      if (!std::isfinite(d.simulated[k])) continue;
      const double jitter = (static_cast<double>((k * 7) % 11) - 5.0) * 1.9;
      svg.circle(f.x(d.simulated[k]), yc + jitter, 2.4, fill(colour::kSkyBlue, 0.75));
    }
    if (std::isfinite(d.observed)) {
      const double x = f.x(d.observed);
      svg.polygon({x, x + 7, x, x - 7}, {yc - 9, yc, yc + 9, yc},
                  fill(colour::kVermillion) + " stroke=\"#000000\" stroke-width=\"1\"");
    }
    if (!sp.s.empty())
      svg.text(
          f.right, f.top - 5,
          "observed exceeds " + std::to_string(sp.below) + " of " + std::to_string(sp.s.size()),
          "end", "font-size=\"10\" fill=\"#444444\"");
    frame_box(svg, f);
  }
  const double bottom = kTop + arma::kLevels * kPanel;
  svg.text((176 + W - 30) / 2, bottom + 4,
           "largest cumulative deficit below the demand (flow \u00d7 years)", "middle");
  legend(
      svg, 20, bottom + 34, W - 40,
      {{LegendEntry::Symbol::kDiamond, colour::kVermillion, "observed"},
       {LegendEntry::Symbol::kDot, colour::kSkyBlue,
        std::to_string(arma::kSamples - 1) + " synthetic series of " + model},
       {LegendEntry::Symbol::kBox, colour::kBlue, "quartiles and median; whiskers: range", 0.25}});
  return svg.finish();
}

// ---------------------------------------------------------------------------
// The sparkline of the index page.

std::string sparkline(const std::vector<double>& flows, const std::string& name, int first_year,
                      const std::string& id, double width, double height) {
  const int N = static_cast<int>(flows.size());
  double lo = 0.0, hi = 0.0;
  bool any = false;
  for (const double v : flows) {
    if (!std::isfinite(v)) continue;
    lo = any ? std::min(lo, v) : v;
    hi = any ? std::max(hi, v) : v;
    any = true;
  }
  std::string desc = std::to_string(N) + " annual flows from " + std::to_string(first_year);
  if (any) desc += ", from " + fmt(lo) + " to " + fmt(hi);
  desc += ".";
  Svg svg(id, width, height, name + ": annual flows", desc);
  if (hi == lo) hi = lo + 1.0;
  const Scale x{0.0, std::max(N - 1, 1) * 1.0, 2.0, width - 2.0};
  const Scale y{lo, hi, height - 2.0, 2.0};
  std::vector<double> xs, ys;
  for (int i = 0; i < N; ++i) {
    xs.push_back(x(i));
    ys.push_back(std::isfinite(flows[i]) ? y(flows[i]) : kNaN);
  }
  if (N == 1) svg.circle(xs[0], ys[0], 2, fill(colour::kBlue));
  svg.polyline(xs, ys, stroke(colour::kBlue, 1.2));
  return svg.finish();
}

}  // namespace report
