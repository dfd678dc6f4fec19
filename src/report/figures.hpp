// The figures of one gauge, each an <svg> element as text: the annual
// series, the flows on normal probability paper, the correlograms, the ARMA
// score table and the deficit distance. What the hydrological findings add
// (change point, trend, runs, confidence band, return-period flows) comes in
// as plain overlay values that the caller fills; an empty overlay draws
// nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "results/result.hpp"

namespace report {

// ---- Overlays ----

// A change in the mean: `year` is the last year of the first part; the
// means of the flows before and after the change.
struct ChangePoint {
  int year = 0;
  double mean_before = 0.0, mean_after = 0.0;
};

// A straight trend line: its slope in flow per year and one point it passes
// through.
struct TrendLine {
  double slope_per_year = 0.0;
  double year = 0.0, flow = 0.0;
};

enum class RunKind { kDrought, kSurplus };

// A run of years below (drought) or above (surplus) a level.
struct Run {
  int first_year = 0, last_year = 0;
  RunKind kind = RunKind::kDrought;
};

// A crossing level drawn as a line, in flow units, with its label.
struct LevelLine {
  double flow = 0.0;
  std::string label;
  RunKind kind = RunKind::kDrought;
};

struct SeriesOverlay {
  std::optional<ChangePoint> change;
  std::optional<TrendLine> trend;
  std::vector<LevelLine> levels;  // the levels whose runs are shaded
  std::vector<Run> runs;
};

// A confidence band of the fitted distribution: at each non-exceedance
// probability p (of the positive flows, as RankedFlow::p), the lower and
// upper flow. `percent` is its coverage (90 for a 90 % band).
struct ConfidenceBand {
  double percent = 90.0;
  std::vector<double> p, lower, upper;
};

// A flow read off the fitted distribution for a return period, with its
// bounds (NaN when it has none). p is its non-exceedance probability among
// the positive flows (1 - 1/T for a wet year, 1/T for a dry one).
struct ReturnPoint {
  double p = 0.5;
  double flow = 0.0;
  double lower = 0.0, upper = 0.0;
  std::string label;  // e.g. "100 y wet"
};

struct ProbabilityOverlay {
  std::optional<ConfidenceBand> band;
  std::vector<ReturnPoint> points;
};

// ---- Figures ----
// Each returns one <svg> element with a <title> and a <desc>; ids inside it
// start with `id`, so different ids let figures share one page.

// The annual flows in year order with their mean (of all years, zeros
// included), and the overlay.
std::string series_figure(const results::GaugeResult& r, const SeriesOverlay& overlay,
                          const std::string& id = "fig-series");

// Where a non-exceedance probability p of the positive flows lies among all
// years when a fraction p0 of the years had no flow: p0 + (1 - p0) p.
double all_years_probability(double p, double p0);

// The positive flows on normal probability paper: x is the standard normal
// quantile of the non-exceedance probability among all years (labelled in
// per cent, with return periods of dry and wet years along the top), y the
// flow. The observed flows at their plotting positions, the fitted
// transform as a line, the overlay, and the zero-flow mass where the record
// has zero flows. Needs r.transformed().
std::string probability_figure(const results::GaugeResult& r, const ProbabilityOverlay& overlay,
                               const std::string& id = "fig-probability");

// Which coefficients of a correlogram a figure shows.
enum class CorrelogramKind {
  kSerial,    // r(k) of the normalised flows
  kPartial,   // the partial correlogram of the normalised flows
  kResidual,  // r(k) of the residuals of the chosen ARMA model
};
// Bars of the coefficients by lag with the band +/- 1.96 / sqrt(n).
// `model` names the model for the residual correlogram ("ARMA(1,1)").
std::string correlogram_figure(const stats::Correlogram& c, CorrelogramKind kind,
                               const std::string& name, const std::string& model = "",
                               const std::string& id = "");

// The ARMA score table as a 3 x 3 grid (p down, q across): AICc, distance
// and score of each fitted model; the chosen one marked; models that were
// not fitted, or not reached because the lag check stopped the
// identification, shown as such.
std::string arma_figure(const arma::Identification& id, const std::string& name,
                        const std::string& svg_id = "fig-arma");

// For the three demand levels (0.5, 0.7, 0.9 of the mean flow `mean`), the
// observed largest deficit of model `fit` against the spread of the largest
// deficits of its synthetic series.
std::string deficit_figure(const arma::ArmaFit& fit, double mean, const std::string& name,
                           const std::string& id = "fig-deficit");

// A small line of the annual flows for the index page, `width` by `height`.
std::string sparkline(const std::vector<double>& flows, const std::string& name, int first_year,
                      const std::string& id, double width = 120.0, double height = 28.0);

}  // namespace report
