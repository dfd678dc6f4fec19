// Identification of the ARMA(p, q) model of a normalised annual series.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "arma/blocks.hpp"
#include "normalize/distribution.hpp"
#include "normalize/fdnelm.hpp"
#include "normalize/fits.hpp"
#include "stats/single.hpp"

namespace arma {

// The simplex search of every ARMA fit.
constexpr normalize::SimplexSettings kArmaSearch{stats::single(1.0e-5f), 500};

// The largest deficit below one demand level: of the observed flows, and of
// each synthetic series of the distance.
struct DeficitLevel {
  double observed = 0.0;
  std::array<double, kSamples - 1> simulated{};
};

// One fitted model.
struct ArmaFit {
  int p = 0, q = 0;
  bool fitted = false;  // false: n - p - q - 2 <= 0 leaves the AICc without meaning
  int it = 0;           // simplex iterations (0 for white noise)
  normalize::SimplexStatus status = normalize::SimplexStatus::converged;  // of the search
  double fff = 0.0;                              // minimum found by the search
  double ff = 0.0;                               // objective re-evaluated at it
  double sa = 0.0;                               // the scale printed with the fit (always 1)
  std::array<double, 2> phi{}, theta{};          // coefficients of lags 1 and 2
  double aicc = 0.0;                             // fff, or n^2/(n-2) for white noise
  double dist = 0.0;                             // deficit-run distance
  double score = 0.0;                            // 0.5 (aicc + dist)
  std::array<DeficitLevel, kLevels> deficits{};  // what the distance compares
};

// Everything the identification computed.
struct Identification {
  std::array<std::array<ArmaFit, 3>, 3> fits{};  // [p][q]
  // The score table as printed: 0.5 (AICc + distance) of every fitted model,
  // n^2/(n-2) + 1 where no model was fitted. (The refit's AICc is refit.fff;
  // it never enters the printed table.)
  std::array<std::array<double, 3>, 3> table{};
  std::string title;  // the first 10 columns of the name, as the table heading shows
  int p = 0, q = 0;   // the chosen orders
  double min_score = 0.0;
  std::array<double, 2> phi{}, theta{};  // of the chosen model
  bool refitted = false;                 // the chosen model was fitted again (p + q > 0)
  // The refit's search was not run: every value that the first search of the
  // chosen model read from earlier fits was unchanged, so it would have gone
  // the same way, and its result was taken over.
  bool refit_reused = false;
  ArmaFit refit;                  // that refit: its AICc is refit.fff
  std::vector<double> residuals;  // of the chosen model (the series itself for white noise)
  // When the lag check refused a model the identification stops there:
  // refused is 3 p + q of that model, or 9 for the refit; -1 when none was.
  int refused = -1;
  LagRefusal refusal;  // what the lag check refused
  bool ok() const { return refused < 0; }
};

// Start of the simplex search for ARMA(p, q): every AR coefficient 0.4,
// every MA coefficient -0.4 (single-precision values), mapped to the real
// line as funct maps them back, in u[0..p+q-1]; initial steps 0.05 u.
void start_values(int p, int q, std::array<double, 4>& u, std::array<double, 4>& step);

// Fits the nine ARMA(p,q), p,q = 0..2, to x (the normalised series,
// n = x.size(), 3 <= n <= 1000) by the simplex search on funct, scores each
// by 0.5 (AICc + deficit-run distance), chooses the smallest score (ties go
// to the earlier model, p before q) and refits the chosen model. A model
// with n - k - 2 <= 0 (k = p + q) has no AICc: it is not fitted, keeps
// n^2/(n-2) + 1 in the table and is never chosen. `flows` holds the positive
// flows in year order and `t` the chosen transform, from which the synthetic
// series of the distance are made. b must be zeroed for each series. Writes
// nothing. n < 3 or n > 1000: nothing is fitted and refused is 0.
// reuse = false always runs the refit's search (for tests).
Identification identify(std::span<const double> x, std::string_view name, Blocks& b,
                        const normalize::cfunsb4& flows, const normalize::FittedDistribution& t,
                        bool reuse = true);

}  // namespace arma
