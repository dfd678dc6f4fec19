// Moments and sorting of a series of annual values.
//
// The caller passes the location and scale to the higher moments so that one
// mean and one standard deviation serve all figures of a series. Sums are
// accumulated in long double (80-bit on x86-64) and rounded to double once.
// An empty series gives a quiet NaN from every moment and extreme; s = 0
// gives a NaN or an infinity from skew and excess (callers pass s > 0).
#pragma once

#include <span>

namespace stats {

double xmin(std::span<const double> x);  // smallest value (first of equals)
double xmax(std::span<const double> x);  // largest value
double xmean(std::span<const double> x);
// Standard deviation about xbar with divisor n (maximum-likelihood estimate).
double stdev(std::span<const double> x, double xbar);
// Coefficient of skewness about xbar scaled by s; no small-sample correction.
double skew(std::span<const double> x, double xbar, double s);
// Coefficient of kurtosis about xbar scaled by s, less 3.
double excess(std::span<const double> x, double xbar, double s);
// The p-quantile of sorted values, interpolated linearly between the order
// statistics at (n - 1) p (R's default, type 7); NaN for no values.
double quantile_sorted(std::span<const double> sorted, double p);

// Shell sort with halving gaps, ascending, in place.
void ssort(std::span<double> x);

}  // namespace stats
