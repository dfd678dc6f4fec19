// Nelder-Mead simplex minimiser of up to 30 unknowns.
#pragma once

#include <functional>

namespace normalize {

constexpr int kMaxUnknowns = 30;

// The objective: count of unknowns, the point, the value it must set.
using Objective = std::function<void(int n, const double* x, double& f)>;

// Minimises fn from the start point x[0..n-1] with initial steps step[0..n-1].
// On return x holds the best vertex and fx its value; it counts iterations.
// ier: 0 converged, 1 n > 30 (nothing done), 2 maxit reached, 3 stalled.
void fdnelm(int n, double* x, double& fx, const double* step, double reqmin, int& it, int maxit,
            int& ier, const Objective& fn);

}  // namespace normalize
