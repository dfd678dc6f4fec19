// Lognormal and Johnson SB fits of a series of positive flows.
#pragma once

#include <array>
#include <span>

namespace normalize {

constexpr int kMaxFlows = 1000;

// The series and the state of the SB(4) fit, shared by normaliz and funsb4.
struct cfunsb4 {
  std::array<double, kMaxFlows> x{};  // the flows (first n used)
  double xi_lo = 0.0;                 // lower limit for XI (0.0001)
  double XI = 0.0;                    // XI of the last funsb4 call
  double xi_hi = 0.0;                 // upper limit for XI (xmin - 0.0001)
  double upper_base = 0.0;            // base of the upper bound (xmax + 1)
  double upper = 0.0;                 // XI + XLAM of the last funsb4 call
  double GAMMA = 0.0;                 // of the last funsb4 call
  double DELTA = 0.0;                 // of the last funsb4 call
  int n = 0;
};

// ln((x - lo) / (hi - x)) and its inverse (lo + hi e^a) / (1 + e^a).
double flogit(double lo, double hi, double x);
double rev(double lo, double hi, double a);

// Lognormal with lower bound XI: sets GAMMA, DELTA; returns the likelihood
// equation F(XI).
double fnlog(std::span<const double> x, double& GAMMA, double& DELTA, double XI);
// Three-parameter lognormal by bracketing and bisection of F.
void ln3(std::span<const double> x, double& GAMMA, double& DELTA, double& XI, double xmin);

// SB(4) criterion at p (2 unknowns); updates the block.
void funsb4(cfunsb4& c, int count, const double* p, double& f);
// Likelihood equation G(U) of SB(3) in its upper bound U; m, s out.
double sbroot(std::span<const double> x, double& m, double& s, double U);
// SB(3) upper bound U and the mean and sd of ln(x / (U - x)) there.
void sb3(std::span<const double> x, double& U, double& m, double& s, double xmax);

// sb3 with the root in the same bracket found by Alefeld-Potra-Shi
// (TOMS 748) instead of bisection: the same bound to about 12 digits in a
// third of the calls of sbroot.
void sb3_fast(std::span<const double> x, double& U, double& m, double& s, double xmax);

}  // namespace normalize
