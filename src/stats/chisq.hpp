// Chi-square goodness of fit to the normal, and the normal and chi-square
// probability routines.
#pragma once

#include <array>
#include <span>

namespace stats {

// Most classes Sturges' rule gives for 1000 values is 10.
constexpr int kMaxClasses = 16;

// Classes of equal normal probability (Sturges' rule for their number k);
// counts[0..k-1] receives the class counts. A value on a bound goes to the
// lower class.
void cell(std::span<const double> x, double mean, double sd, std::array<int, kMaxClasses>& counts,
          int& k);
// Chi-square statistic of x against N(mean, sd); ndf receives k - 3.
double chisq(std::span<const double> x, double mean, double sd, int& ndf);
// Standard normal deviate with non-exceedance probability p (A&S 26.2.23).
double xnorm(double p);
// Upper-tail probability P(Z > z) of the standard normal (A&S 26.2.17).
double qnormx(double z);
// Probability that a chi-square variable with df degrees of freedom exceeds
// chi (Wilson-Hilferty with a correction term).
double qchisx(double chi, double df);

}  // namespace stats
