// Conversions between a Johnson-family variable and the standard normal
// variable of its transform.
#include "normalize/johnson.hpp"

#include <cmath>

#include "stats/single.hpp"

namespace normalize {

namespace {

// The step by which an argument outside the bounded range is moved inside.
constexpr double kBoundedNudge = stats::single(0.0001f);

}  // namespace

double snv(double& x, int family, double GAMMA, double DELTA, double XLAM, double XI, int& IFAULT) {
  IFAULT = kBadFamily;
  double z = 0.0;
  if (family < kLognormal || family > kNormal) return z;
  IFAULT = kTransformDone;
  switch (family) {
    case kLognormal: {
      const double w = XLAM * x - XI;
      if (w <= 0.0) {
        IFAULT = kOutOfRange;
        return z;
      }
      z = DELTA * std::log(w) + GAMMA;
      break;
    }
    case kUnbounded: {
      const double w = (x - XI) / XLAM;
      // For a large negative w the direct form loses every digit to
      // cancellation; -0.5 / w is its leading term there.
      const double u = w <= -63.0 ? -0.5 / w : w + std::sqrt(w * w + 1.0);
      z = DELTA * std::log(u) + GAMMA;
      break;
    }
    case kBounded: {
      double d1 = x - XI;
      double d2 = XLAM - d1;
      // Move x inside (XI, XI + XLAM), at most once from each side. When the
      // range is narrower than the nudge, or XI is so large that the nudge is
      // lost in rounding, x cannot be brought inside: give up with 0.
      bool moved_up = false;
      bool moved_down = false;
      while (d1 <= 0.0 || d2 <= 0.0) {
        IFAULT = kOutOfRange;
        if (d1 <= 0.0) {
          if (moved_up) return 0.0;
          moved_up = true;
          x = XI + kBoundedNudge;
        } else {
          if (moved_down) return 0.0;
          moved_down = true;
          x = XI + XLAM - kBoundedNudge;
        }
        d1 = x - XI;
        d2 = XLAM - d1;
      }
      z = DELTA * std::log(d1 / d2) + GAMMA;
      break;
    }
    default:  // kNormal
      z = DELTA * x + GAMMA;
      break;
  }
  return z;
}

namespace {

// z back to x, in place, for one family (1..4).
template <int Family>
void from_normal(std::span<double> z, double GAMMA, double DELTA, double XLAM, double XI) {
  for (double& v : z) {
    const double w = (v - GAMMA) / DELTA;
    if constexpr (Family == kLognormal) {
      v = (std::exp(w) + XI) * XLAM;
    } else if constexpr (Family == kUnbounded) {
      v = XLAM * (std::exp(w) - std::exp(-w)) * 0.5 + XI;
    } else if constexpr (Family == kBounded) {
      // tanh(w / 2) through e^-|w|, which cannot overflow.
      const double e = std::exp(-std::fabs(w));
      double t = (1.0 - e) / (1.0 + e);
      if (w < 0.0) t = -t;
      v = XI + 0.5 * XLAM * (1.0 + t);
    } else {
      v = w;
    }
  }
}

}  // namespace

double ajv(double z, int family, double GAMMA, double DELTA, double XLAM, double XI, int& IFAULT) {
  IFAULT = kBadFamily;
  if (family < kLognormal || family > kNormal) return 0.0;
  IFAULT = kTransformDone;
  ajv_all(std::span<double>(&z, 1), family, GAMMA, DELTA, XLAM, XI);
  return z;
}

void ajv_all(std::span<double> z, int family, double GAMMA, double DELTA, double XLAM, double XI) {
  switch (family) {
    case kLognormal:
      return from_normal<kLognormal>(z, GAMMA, DELTA, XLAM, XI);
    case kUnbounded:
      return from_normal<kUnbounded>(z, GAMMA, DELTA, XLAM, XI);
    case kBounded:
      return from_normal<kBounded>(z, GAMMA, DELTA, XLAM, XI);
    case kNormal:
      return from_normal<kNormal>(z, GAMMA, DELTA, XLAM, XI);
    default:
      for (double& v : z) v = 0.0;
  }
}

}  // namespace normalize
