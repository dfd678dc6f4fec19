#include "arma/random.hpp"

#include "stats/chisq.hpp"

namespace arma {

double whrand(int& ix, int& iy, int& iz) {
  // Schrage's form of the three multiplicative congruences, so that no
  // product exceeds 32 bits.
  ix = 171 * (ix % 177) - 2 * (ix / 177);
  if (ix < 0) ix += 30269;
  iy = 172 * (iy % 176) - 35 * (iy / 176);
  if (iy < 0) iy += 30307;
  iz = 170 * (iz % 178) - 63 * (iz / 178);
  if (iz < 0) iz += 30323;
  const double t = ix * (1.0 / 30269.0) + iy * (1.0 / 30307.0) + iz * (1.0 / 30323.0);
  return t - static_cast<double>(static_cast<long long>(t));
}

double random(stdat& s) {
  return whrand(s.ix, s.iy, s.iz);
}

double anorm(stdat& s) {
  return stats::xnorm(random(s));
}

}  // namespace arma
