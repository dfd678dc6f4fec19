// Chi-square goodness of fit to the normal, and the normal and chi-square
// probability routines.
#pragma once

#include <array>
#include <span>

namespace stats {

// Most classes Sturges' rule gives for 1000 values is 10.
constexpr int kMaxClasses = 16;

// Classes of equal normal probability (Sturges' rule for their number k);
// counts[0..k-1] receives the class counts, the rest of counts is zeroed. A
// value on a bound goes to the lower class. Only the first 1000 values of a
// longer series are classified (and k is that of 1000 values); an empty
// series gives k = 0.
void cell(std::span<const double> x, double mean, double sd, std::array<int, kMaxClasses>& counts,
          int& k);
// Chi-square statistic of x against N(mean, sd); ndf receives k - 3. Like
// cell, it uses at most the first 1000 values; an empty series gives 0.
double chisq(std::span<const double> x, double mean, double sd, int& ndf);

// A chi-square test of normality as the report gives it: the classes and
// their counts, the statistic, its degrees of freedom (k - 3, less
// `extra_fitted` for parameters fitted before the test) and the exceedance
// probability by qchisx (NaN when df <= 0).
struct ChiSquareTest {
  int k = 0;
  std::array<int, kMaxClasses> counts{};
  double statistic = 0.0;
  int df = 0;
  double probability = 0.0;
};
ChiSquareTest chi_square_test(std::span<const double> x, double mean, double sd, int extra_fitted);
// Standard normal deviate with non-exceedance probability p (A&S 26.2.23).
// Error below 4.5e-4. For p <= 0 or p >= 1 (and p so close to them that the
// squared tail probability underflows) the result stays finite: it saturates
// at about -/+27.1, the value for the smallest positive squared tail
// probability, instead of an infinity or NaN.
double xnorm(double p);
// Upper-tail probability P(Z > z) of the standard normal (A&S 26.2.17),
// constants rounded to single precision. qnormx(0) is exactly 0.5; above 10
// the result is 0, below -10 it is 1.
double qnormx(double z);
// Probability that a chi-square variable with df degrees of freedom exceeds
// chi (Wilson-Hilferty with a correction term). With df <= 0 the test has
// no meaning: the result is a quiet NaN, which the caller reports as "N/A".
double qchisx(double chi, double df);

}  // namespace stats
