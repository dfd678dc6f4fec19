// Nelder-Mead simplex minimiser of up to 30 unknowns.
#pragma once

#include <functional>

namespace normalize {

constexpr int kMaxUnknowns = 30;

// The objective: count of unknowns, the point, the value it must set.
using Objective = std::function<void(int n, const double* x, double& f)>;

// Fault codes ier of the search.
enum SimplexFault : int {
  kConverged = 0,        // the spread of the vertex values fell below the tolerance
  kTooManyUnknowns = 1,  // n outside 1..30: nothing was done
  kIterationLimit = 2,   // maxit iterations without convergence
  kStalled = 3,          // the centroid and the last value stopped moving
};

// The stopping rules of one use of the search.
struct SimplexSettings {
  double reqmin;  // tolerance of the convergence and stall tests
  int maxit;      // iteration limit
};

// Minimises fn from the start point x[0..n-1] with initial steps step[0..n-1].
// On return x holds the best vertex and fx its value; it counts iterations;
// ier is a SimplexFault.
void fdnelm(int n, double* x, double& fx, const double* step, double reqmin, int& it, int maxit,
            int& ier, const Objective& fn);

}  // namespace normalize
