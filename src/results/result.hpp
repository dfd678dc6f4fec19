// The analysis of one gauge as a value: every number of every step, from the
// record to the level crossings. The report, the side files, the screen, the
// JSON and the network table are all written from it.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "arma/arma22.hpp"
#include "flowfile/reader.hpp"
#include "normalize/normaliz.hpp"
#include "stats/chisq.hpp"
#include "stats/corr.hpp"
#include "stats/cross.hpp"

namespace results {

// A flow below this is a zero flow.
constexpr double kZeroFlow = 1e-5;

// The record as read.
struct Record {
  std::string name;    // the stem, e.g. "NILE"
  std::string name20;  // the 20-column base name that the report shows
  int first_year = 0;
  int N = 0;  // number of years
  int last_year() const { return first_year + N - 1; }
  std::vector<double> flows;  // the N annual flows in year order, zeros included
  int npos = 0;               // positive flows
  int nz = 0;                 // zero flows (below kZeroFlow)
  double zero_fraction = 0.0;
  // What the reader noticed: the line of an unreadable record at which the
  // data ended (0: none), the years whose twelve monthly fields were all
  // blank (counted as zero flows), and its notes as the screen shows them.
  int ended_at_line = 0;
  std::vector<int> blank_years;
  std::vector<std::string> notes;
};

struct Moments {
  double mean = 0.0, sd = 0.0, skewness = 0.0, excess = 0.0;
};

// One row of the ranked flows: the plotting position i/(n+1) (a
// non-exceedance probability), the i-th smallest positive flow and
// normalised flow, the standard normal deviate of the plotting position, and
// the flow of the fitted distribution there.
struct RankedFlow {
  double p = 0.0, flow = 0.0, normalised = 0.0, normal_score = 0.0, fitted = 0.0;
};

// How far the analysis went.
enum class Extent {
  kNoSpread,    // no positive flow, or all equal: nothing could be fitted
  kMarginal,    // transform, moments and tests only (zero flows, or fewer than 3 flows)
  kLagRefused,  // the ARMA identification was stopped by its lag check
  kComplete,    // correlogram, ARMA model, residual correlogram and crossings too
};

struct GaugeResult {
  Record record;
  Extent extent = Extent::kNoSpread;

  Moments raw;  // of the positive flows (mean and sd only when they have no spread)
  // The transform (present unless kNoSpread).
  normalize::Normalisation normalisation;
  std::vector<double> z;                // normalised flows in year order
  std::vector<RankedFlow> ranked;       // ascending
  Moments normalised;                   // of the normalised flows
  double skew_limit = 0.0;              // 95% limits of skewness and excess: 1.96 sqrt(6/n),
  double excess_limit = 0.0;            // 1.96 sqrt(24/n)
  stats::ChiSquareTest chi_flows;       // the flows against the normal distribution
  stats::ChiSquareTest chi_normalised;  // the normalised flows (one more parameter fitted)

  // Present when the correlation analysis ran (kLagRefused, kComplete).
  stats::Correlogram correlogram;  // of the normalised flows
  arma::Identification arma;
  stats::Correlogram residual_correlogram;  // of the chosen model's residuals (kComplete)
  stats::CrossTables crossings;             // (kComplete)

  // The ARMA model that the side files carry (zero unless kComplete).
  int p = 0, q = 0;
  std::array<double, 2> phi{}, theta{};
  // n^2/(n-2), the score of unit white noise (n = positive flows), and the
  // score the year file carries: the minimum score when the identification
  // ran, n^2/(n-2) otherwise.
  double white_noise = 0.0;
  double score = 0.0;
  // Mean and sd of all N flows, zeros included (of the positive flows when
  // there are no zero flows).
  double all_mean = 0.0, all_sd = 0.0;

  bool transformed() const { return extent != Extent::kNoSpread; }
  bool correlated() const { return extent == Extent::kLagRefused || extent == Extent::kComplete; }
  bool complete() const { return extent == Extent::kComplete; }
};

// Analyses the annual flows of a gauge. The record holds its names, flows
// (at most 1000 years), first year and what the reader noticed; npos, nz and
// the zero fraction are filled in here.
GaugeResult analyse(Record record);

// The lines of the lag check that refused an ARMA model, as the screen shows
// them.
std::string refusal_text(const arma::LagRefusal& r);

// The record of a flow record as read: name20 is the 20-column base name
// (the report shows it; the stem is the text before its first blank), the
// annual flows are the sums of the months, and what the reader noticed is
// kept.
Record record_of(const flowfile::FlowRead& read, const std::string& name20);

}  // namespace results
