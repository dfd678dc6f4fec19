// The fitted distribution of the annual flows as a value: the model of the
// positive flows (a transform z = GAMMA + DELTA g(x) to the standard normal)
// and the probability of a zero flow. Everything above this folder that needs
// a flow of the fitted distribution, a probability of a flow, or the normal
// variate of a flow asks it.
#pragma once

#include <span>

#include "normalize/johnson.hpp"

namespace normalize {

// The model of the positive flows.
enum class Model : int {
  none = 0,  // nothing fitted
  LN3 = 1,   // three-parameter lognormal
  LN2 = 2,   // two-parameter lognormal (lower bound 0)
  SB4 = 3,   // four-parameter Johnson SB
  SB3 = 4,   // three-parameter Johnson SB (lower bound 0)
  // A lognormal or Johnson SB whose model number was not recorded (a year
  // file keeps only the family).
  lognormal,
  johnson_sb,
};

// The model of a model number ITYPE (1 LN3, 2 LN2, 3 SB4, 4 SB3; none for
// others).
Model model_of_itype(int ITYPE);
// The model of a family code (1 lognormal, 3 Johnson SB; none for others).
Model model_of_family(int family);

struct FittedDistribution {
  Model model = Model::none;
  double GAMMA = 0.0, DELTA = 0.0, XLAM = 0.0, XI = 0.0;
  double zero_share = 0.0;  // the probability of a zero flow

  bool fitted() const { return model != Model::none; }
  // The model number ITYPE that the report prints (0: not known).
  int itype() const;
  // The family code of the conversions: 1 lognormal, 3 Johnson SB, 0 none.
  int family() const;
  // "LN3", "LN2", "SB4", "SB3"; "" when not known.
  const char* code() const { return model_code(itype()); }

  // The flow of a normal variate z of the transform (any z: a lognormal flow
  // below its bound may come out negative).
  double from_normal(double z) const;
  // The same on every value, in place.
  void from_normal(std::span<double> z) const;
  // The normal variate of a flow x. A Johnson SB flow outside its range is
  // moved inside it first (x is written back) and the status says so; a
  // lognormal flow at or below its bound gives 0 and kOutOfRange.
  [[nodiscard]] TransformFault to_normal(double& x, double& z) const;

  // The mixed distribution of all flows, zeros included.
  // The flow not exceeded with probability P: 0 for P up to the zero share,
  // never negative; NaN for a P that is NaN or outside (0, 1).
  double quantile(double P) const;
  // The flow exceeded with probability Q, through the upper tail's own
  // quantile (1 - Q would lose the digits of a small Q); 0 when Q is at
  // least the probability of a positive flow.
  double exceeded(double Q) const;
  // The probability that a flow is at most x.
  double cdf(double x) const;
};

// The standard normal quantile and distribution function (exact, to double
// precision). NaN outside (0, 1) and for NaN.
double standard_normal_quantile(double p);
double standard_normal_cdf(double z);

}  // namespace normalize
