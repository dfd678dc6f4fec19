// The pieces of the findings, one function per quantity, for compute() and
// the tests.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "findings/findings.hpp"
#include "normalize/johnson.hpp"
#include "stats/corr.hpp"

namespace findings {

// ---- Probabilities (Boost.Math, no approximation; never throws: an
// argument outside the domain gives NaN).

// Standard normal deviate with non-exceedance probability p, 0 < p < 1.
double normal_quantile(double p);
// P(Z > z) of the standard normal.
double normal_upper(double z);
// P(X > x) of a chi-square variable with df > 0 degrees of freedom: the
// regularised upper incomplete gamma function Q(df / 2, x / 2).
double chi_square_upper(double x, double df);

// ---- The fitted distribution.

// The seed of a gauge's stream: the option's seed mixed with the record's
// name, first year and flows, so that the draws depend on the gauge, never on
// the order or the thread in which gauges are analysed.
std::uint64_t gauge_seed(std::uint64_t seed, const results::Record& record);

// The return-period flows and their bootstrap bounds. Needs a transform.
ReturnPeriods return_periods(const results::GaugeResult& r, const Options& o);

// ---- Trend and change.

MannKendall mann_kendall(std::span<const double> x);
// variance: that of the Mann-Kendall S of the same series.
SenSlope sen_slope(std::span<const double> x, double variance);
Pettitt pettitt(std::span<const double> x, int first_year);

// ---- Events.

// The runs of flows below (drought) or above (surplus) a flow level, a flow
// equal to the level being in no run, with the longest and the largest.
void find_runs(std::span<const double> flows, int first_year, LevelEvents& level);
// The twelve crossing levels in flow units and their runs over all N flows.
Events events(const results::GaugeResult& r);

// ---- Exact probabilities.

// The chi-square test of `sorted` (ascending) against N(mean, sd), classed
// with exact class bounds; report is the test as the report gives it (its
// k and df are kept).
ExactChiSquare exact_chi_square(std::span<const double> sorted, double mean, double sd,
                                const stats::ChiSquareTest& report);
ExactPortmanteau exact_portmanteau(const stats::Correlogram& c);

// ---- The ARMA model.

// Reciprocal roots of 1 - c[0] B - ... - c[m-1] B^m (m = 0, 1, 2): the roots
// of L^m - c[0] L^(m-1) - ... - c[m-1].
std::vector<std::pair<double, double>> reciprocal_roots(int m, const std::array<double, 2>& c);
Roots model_roots(int p, int q, const std::array<double, 2>& phi,
                  const std::array<double, 2>& theta);

// The exact Gaussian log-likelihood of the zero-mean ARMA(p, q) model
// z(t) = phi1 z(t-1) + phi2 z(t-2) + a(t) - theta1 a(t-1) - theta2 a(t-2) by
// the Kalman filter started from the stationary state covariance, with the
// innovation variance concentrated out (sigma2 = mean of the squared
// standardised innovations, returned). NaN with `why` when the AR part is
// not stationary or the series is empty.
double exact_loglik(std::span<const double> z, int p, int q, const std::array<double, 2>& phi,
                    const std::array<double, 2>& theta, double& sigma2, std::string& why);

Likelihood likelihood(const results::GaugeResult& r);

// ---- Warnings.

// Tolerance of the "bound on the edge of its search range" test, relative to
// the range of the positive flows.
constexpr double kEdgeTolerance = 1e-3;
// AR or MA reciprocal root modulus above which a model is near the unit circle.
constexpr double kUnitCircle = 0.95;
// Distance between an AR and an MA reciprocal root below which the two
// factors nearly cancel.
constexpr double kCancel = 0.1;
// Fewer positive flows than this: the tests have little power.
constexpr int kFewFlows = 20;
// The probability below which a trend or a change is reported.
constexpr double kSignificance = 0.05;

// Which limit of its search range the chosen transform's fitted bound sits
// on ("" when none).
std::string bound_at_edge(const results::GaugeResult& r);

std::vector<Warning> warnings(const results::GaugeResult& r, const Findings& f);

// ---- Text.

// A number for a sentence: `digits` significant digits ("%.*g"); "n/a" when
// it is not finite.
std::string short_number(double v, int digits = 4);
// A number in its shortest round-trip form; "" when it is not finite.
std::string round_trip(double v);

}  // namespace findings
