// Nelder-Mead simplex minimiser of up to 30 unknowns.
#pragma once

#include <span>
#include <type_traits>
#include <utility>

namespace normalize {

constexpr int kMaxUnknowns = 30;

// The objective: count of unknowns, the point, the value it must set. A
// non-owning reference to any callable of that form: the search calls it
// without allocating, and the callable must outlive the search.
class ObjectiveRef {
 public:
  template <typename F>
  requires(!std::is_same_v<std::remove_cvref_t<F>, ObjectiveRef>)
      ObjectiveRef(F& f)  // NOLINT(google-explicit-constructor): passed as an argument
      : object_(&f),
        call_([](void* o, int n, const double* x, double& v) { (*static_cast<F*>(o))(n, x, v); }) {}
  void operator()(int n, const double* x, double& f) const { call_(object_, n, x, f); }

 private:
  void* object_;
  void (*call_)(void*, int, const double*, double&);
};

// How a search ended; the printed fault code ier is the number.
enum class SimplexStatus : int {
  converged = 0,          // the spread of the vertex values fell below the tolerance
  too_many_unknowns = 1,  // no unknown, or more than 30: nothing was done
  iteration_limit = 2,    // maxit iterations without convergence
  stalled = 3,            // the centroid and the last value stopped moving
};

// The printed fault code of a status.
constexpr int fault_code(SimplexStatus s) {
  return static_cast<int>(s);
}

// The stopping rules of one use of the search.
struct SimplexSettings {
  double reqmin;  // tolerance of the convergence and stall tests
  int maxit;      // iteration limit
};

struct SimplexResult {
  double fx = 0.0;  // the value at the best vertex (left in x)
  int it = 0;       // iterations
  SimplexStatus status = SimplexStatus::converged;
};

// Minimises fn from the start point x with the initial steps step (one per
// unknown); on return x holds the best vertex.
[[nodiscard]] SimplexResult fdnelm(std::span<double> x, std::span<const double> step,
                                   const SimplexSettings& settings, ObjectiveRef fn);

}  // namespace normalize
