// The log-odds map of an interval onto the real line and its inverse.
//
// Kept apart from the fits so that the ARMA fit, which bounds its
// coefficients with the same pair, links nothing else.
#include <cmath>

#include "normalize/fits.hpp"

namespace normalize {

double flogit(double lo, double hi, double x) {
  return std::log((x - lo) / (hi - x));
}

double rev(double lo, double hi, double a) {
  const double e = std::exp(a);
  const double top = lo + hi * e;
  if (std::isfinite(top) && std::isfinite(e)) return top / (1.0 + e);
  // e^a too large for the direct form (inf / inf): divide through by e^a,
  // which tends to hi as a grows instead of giving a NaN.
  return (lo / e + hi) / (1.0 / e + 1.0);
}

}  // namespace normalize
