// Conversions between a Johnson-family variable and the standard normal
// variable of its transform z = GAMMA + DELTA g(x).
#pragma once

namespace normalize {

// Family codes of snv and ajv.
enum Family : int { kLognormal = 1, kUnbounded = 2, kBounded = 3, kNormal = 4 };

// The transform that normaliz chooses: the model number ITYPE (1 LN3, 2 LN2,
// 3 SB4, 4 SB3) and its parameters.
struct Transform {
  int ITYPE = 0;
  double GAMMA = 0.0, DELTA = 0.0, XLAM = 0.0, XI = 0.0;
};

// Family code of a model number: 1 (lognormal) for ITYPE 1 and 2, 3 (bounded)
// for ITYPE 3 and 4.
inline int family_of(int ITYPE) {
  return ITYPE == 3 || ITYPE == 4 ? kBounded : kLognormal;
}

// x to z. IFAULT 1: family outside 1..4 (result 0); 2: x outside the range
// (family 1: result 0; family 3: x is moved inside the range, written back,
// and converted).
double snv(double& x, int family, double GAMMA, double DELTA, double XLAM, double XI, int& IFAULT);
// z back to x. IFAULT 1: family outside 1..4 (result 0).
double ajv(double z, int family, double GAMMA, double DELTA, double XLAM, double XI, int& IFAULT);

}  // namespace normalize
