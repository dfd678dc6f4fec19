// Likelihood objective of an ARMA model fitted by back-forecasting, and the
// determinant correction it adds for models of low order.
#pragma once

#include "arma/blocks.hpp"

namespace arma {

// Delta_k(x1..xk) = prod_i prod_j (1 - xi xj): the determinant of the
// stationary covariance structure of an AR (or MA) polynomial with roots
// xi, up to a power. det2 uses (1 - a^2 b^2)^2 - (a + b)^2 (1 - ab)^2; det3
// and det4 WorkArrays from the elementary symmetric functions of their arguments.
double det1(double a);
double det2(double a, double b);
double det3(double a, double b, double c);
double det4(double a, double b, double c, double d);

// Determinant term -0.5 ln|ratio| of the joined coefficient list
// c[0..p+q-1] (phi(1..p), then theta(1..q)); 0 for the order pairs that have
// no term, and for a guarded ratio whose denominator is below 1e-300.
double dmac(const double* c, int p, int q);

// The objective for the simplex search: k unknowns x[0..k-1] (the b.p.np AR
// ones first, then the b.p.mq MA ones, each mapped into its stationarity or
// invertibility interval), f the AICc of the residuals found by
// back-forecasting, plus the determinant term when it is positive and no lag
// exceeds 4. Leaves the expanded coefficients in b.v, the residuals and the
// determinant term in b.d, the back-forecast origin in b.p.t0.
//
// When the largest lag exceeds 20 or is not below n, the model cannot be
// fitted: b.p.lag_refused is set, b.p.refusal says why, f is 0 and the
// status is lag_too_big; the fit must then be stopped.
enum class ObjectiveStatus { ok, lag_too_big };
[[nodiscard]] ObjectiveStatus funct(int k, const double* x, double& f, Blocks& b);
// funct without its fast path for lags 1..2: the same numbers, bit for bit,
// by the general loops over flagged lags. Kept to check the fast path.
[[nodiscard]] ObjectiveStatus funct_general(int k, const double* x, double& f, Blocks& b);

}  // namespace arma
