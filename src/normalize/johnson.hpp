// Conversions between a Johnson-family variable and the standard normal
// variable of its transform z = GAMMA + DELTA g(x).
#pragma once

#include <span>

namespace normalize {

// Family codes of snv and ajv.
enum Family : int { kLognormal = 1, kUnbounded = 2, kBounded = 3, kNormal = 4 };

// Model numbers ITYPE of the four candidate transforms, as the report prints
// them and orders its table.
constexpr int kLN3 = 1;  // three-parameter lognormal
constexpr int kLN2 = 2;  // two-parameter lognormal (lower bound 0)
constexpr int kSB4 = 3;  // four-parameter Johnson SB
constexpr int kSB3 = 4;  // three-parameter Johnson SB (lower bound 0)
constexpr int kModels = 4;

// Short name of a model number ("LN3", "LN2", "SB4", "SB3"; "" for others).
inline const char* model_code(int ITYPE) {
  switch (ITYPE) {
    case kLN3:
      return "LN3";
    case kLN2:
      return "LN2";
    case kSB4:
      return "SB4";
    case kSB3:
      return "SB3";
    default:
      return "";
  }
}

// Fault codes IFAULT of snv and ajv.
enum TransformFault : int {
  kTransformDone = 0,
  kBadFamily = 1,   // family code outside 1..4: the result is 0
  kOutOfRange = 2,  // snv only: x outside the range of the family
};

// Family code of a model number: lognormal for LN3 and LN2, bounded for SB4
// and SB3.
inline int family_of(int ITYPE) {
  return ITYPE == kSB4 || ITYPE == kSB3 ? kBounded : kLognormal;
}

// x to z. IFAULT 1: family outside 1..4 (result 0); 2: x outside the range
// (family 1: result 0; family 3: x is moved inside the range, written back,
// and converted).
double snv(double& x, int family, double GAMMA, double DELTA, double XLAM, double XI, int& IFAULT);
// z back to x. IFAULT 1: family outside 1..4 (result 0).
double ajv(double z, int family, double GAMMA, double DELTA, double XLAM, double XI, int& IFAULT);
// ajv on every value of z, in place; each value as ajv gives it.
void ajv_all(std::span<double> z, int family, double GAMMA, double DELTA, double XLAM, double XI);

}  // namespace normalize
