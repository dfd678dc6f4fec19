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

double random(Seeds& s) {
  return whrand(s.ix, s.iy, s.iz);
}

namespace {

// b^e mod m, by squaring.
int power_mod(int b, long long e, int m) {
  long long result = 1, base = b % m;
  for (; e > 0; e >>= 1) {
    if (e & 1) result = result * base % m;
    base = base * base % m;
  }
  return static_cast<int>(result);
}

}  // namespace

void advance(Seeds& s, long long count) {
  // Each seed is multiplied by its factor modulo its prime at every step
  // (a seed given above its prime is reduced by the first step, not before).
  if (count <= 0) return;
  s.ix = static_cast<int>(static_cast<long long>(s.ix) * power_mod(171, count, 30269) % 30269);
  s.iy = static_cast<int>(static_cast<long long>(s.iy) * power_mod(172, count, 30307) % 30307);
  s.iz = static_cast<int>(static_cast<long long>(s.iz) * power_mod(170, count, 30323) % 30323);
}

double anorm(Seeds& s) {
  return stats::xnorm(random(s));
}

}  // namespace arma
