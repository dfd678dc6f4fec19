// Uniform and standard normal random numbers for the deficit-run
// diagnostics: the Wichmann-Hill combined congruential generator on seeds
// that the caller owns.
#pragma once

#include "arma/blocks.hpp"

namespace arma {

// One step of the three-seed Wichmann-Hill generator (AS 183): updates the
// seeds in place and returns a uniform number in [0, 1). With all three
// seeds 0 it returns 0 for ever.
double whrand(int& ix, int& iy, int& iz);

// whrand on the seeds of s.
double random(Seeds& s);

// The seeds of s after count steps of whrand, without taking them.
void advance(Seeds& s, long long count);

// A standard normal deviate: the normal quantile of one uniform from random.
double anorm(Seeds& s);

}  // namespace arma
