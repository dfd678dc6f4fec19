// The stochastic process behind the synthetic flows: an ARMA(2, 2) of the
// normalised flows with the innovation variance that gives it unit variance,
// the inverse of the fitted transform, and the zero-flow years.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "generate/model.hpp"
#include "stats/random_stream.hpp"

namespace generate {

// True when both roots of 1 - c1 B - c2 B^2 lie outside the unit circle
// (stationarity for the AR coefficients, invertibility for the MA ones).
// False for a coefficient that is not finite.
bool roots_outside_unit_circle(double c1, double c2);

// The largest modulus of the inverse roots of 1 - c1 B - c2 B^2, that is of
// the roots of L^2 - c1 L - c2: the rate at which the AR memory fades.
double largest_inverse_root(double c1, double c2);

// gamma(0) .. gamma(max_lag) of the stationary ARMA(2, 2) driven by unit-
// variance innovations. gamma(0) is the sum of the squared psi weights.
std::vector<double> autocovariances(const std::array<double, 2>& phi,
                                    const std::array<double, 2>& theta, int max_lag);

// The warm-up years discarded before each series when the user gives none:
// enough for the start of the recursion from zeros to have faded below 1e-6
// of the variance (r^(2W) < 1e-6 for the largest inverse AR root r), at least
// 100 and at most 10000.
int default_warmup(const std::array<double, 2>& phi);

class Process {
 public:
  // The model must have passed the checks of the readers (a transform,
  // stationary and invertible ARMA).
  explicit Process(const Model& m);

  // Standard deviation of the innovations: 1 / sqrt(sum of psi^2), so that
  // the normalised series has unit variance.
  double innovation_sd() const { return sigma_; }

  // One series: runs the recursion from zeros for `warmup` steps, then
  // writes z.size() normalised values to z and their flows to flows (same
  // size). Each step draws one normal innovation and, when the record has
  // zero flows, one uniform number that makes the year a zero-flow year with
  // the record's zero fraction (its z is kept all the same).
  void run(stats::RandomStream& s, long warmup, std::span<double> z, std::span<double> flows) const;

  // The flow of a normalised value (the inverse transform).
  double flow(double z) const;

 private:
  std::array<double, 2> phi_, theta_;
  double sigma_;
  normalize::FittedDistribution distribution_;
};

}  // namespace generate
