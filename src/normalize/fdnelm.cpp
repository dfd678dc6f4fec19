// Nelder-Mead simplex minimiser.
//
// The coefficients are single-precision values widened to double, so that
// every trial point comes out the same on every machine.
#include "normalize/fdnelm.hpp"

#include <array>
#include <cmath>

#include "stats/single.hpp"

namespace normalize {

namespace {

constexpr double kReflect = stats::single(1.1f);  // alpha
constexpr double kReflectTwice = 1.0 + kReflect;  // 1 + alpha, exact
constexpr double kConvergence = stats::single(0.01f);
constexpr int kMaxVertices = kMaxUnknowns + 2;

// Work storage of one search: the simplex (vertices 0..n, the centroid in
// vertex n + 1), the values of its vertices, the expansion / contraction trial
// point and the stall history. Built fresh, all zero, at every call.
struct Workspace {
  std::array<std::array<double, kMaxUnknowns>, kMaxVertices> vertex{};
  std::array<double, kMaxVertices> value{};
  std::array<double, kMaxUnknowns> trial{};
  double trial_value = 0.0;
  // Centroid first coordinate and objective value, one and two iterations ago.
  double c1_prev = 0.0, c1_prev2 = 0.0;
  double v_prev = 0.0, v_prev2 = 0.0;
};

}  // namespace

SimplexResult fdnelm(std::span<double> point, std::span<const double> step,
                     const SimplexSettings& settings, ObjectiveRef fn) {
  SimplexResult result;
  const int n = static_cast<int>(point.size());
  // A simplex needs at least one unknown; more than the work storage holds
  // cannot be searched either. Nothing is touched in both cases.
  if (n > kMaxUnknowns || n < 1) {
    result.status = SimplexStatus::too_many_unknowns;
    return result;
  }
  double* const x = point.data();
  double& fx = result.fx;
  int& it = result.it;
  const double reqmin = settings.reqmin;
  const int maxit = settings.maxit;
  Workspace w;
  auto& v = w.vertex;
  auto& f = w.value;
  const int nv = n + 1;   // vertices of the simplex
  const int cen = n + 1;  // index of the centroid vertex

  // Initial simplex: the start point, then one step along each coordinate.
  for (int j = 0; j < nv; ++j) {
    for (int i = 0; i < n; ++i) v[j][i] = x[i];
  }
  for (int k = 0; k < n; ++k) v[k + 1][k] = x[k] + step[k];

  // Vertices are evaluated through the caller's x; `skip` is the vertex that
  // keeps its value (the best after a shrink, none at the start).
  auto evaluate = [&](int skip) {
    for (int j = 0; j < nv; ++j) {
      if (j == skip) continue;
      for (int i = 0; i < n; ++i) x[i] = v[j][i];
      fn(n, x, fx);
      f[j] = fx;
    }
  };

  evaluate(-1);
  for (;;) {
    // Ranking; every tie goes to the lowest-numbered vertex.
    int worst = 0;
    int best = 0;
    for (int j = 1; j < nv; ++j) {
      if (f[j] > f[worst]) worst = j;
      if (f[j] < f[best]) best = j;
    }
    int next = worst == 0 ? 1 : 0;
    for (int j = 0; j < nv; ++j) {
      if (j != worst && f[j] > f[next]) next = j;
    }

    // Convergence: spread of the values against the signed mean.
    double sum = 0.0;
    for (int j = 0; j < nv; ++j) sum += f[j];
    const double mean = sum / nv;
    double ss = 0.0;
    for (int j = 0; j < nv; ++j) ss += (f[j] - mean) * (f[j] - mean);
    const double spread = std::sqrt(ss / n);
    bool stop = false;
    if (spread <= mean * reqmin * kConvergence) {
      result.status = SimplexStatus::converged;
      stop = true;
    } else if (it >= maxit) {
      result.status = SimplexStatus::iteration_limit;
      stop = true;
    } else {
      // Stall: the centroid's first coordinate and the last value written
      // through fx have hardly moved over two iterations.
      const double c1 = v[cen][0];
      const double vv = fx;
      const double d = std::fabs(c1 - w.c1_prev2) + std::fabs(vv - w.v_prev2);
      w.c1_prev2 = w.c1_prev;
      w.v_prev2 = w.v_prev;
      w.c1_prev = c1;
      w.v_prev = vv;
      if (reqmin > d) {
        result.status = SimplexStatus::stalled;
        stop = true;
      }
    }
    if (stop) {
      for (int i = 0; i < n; ++i) x[i] = v[best][i];
      fx = f[best];
      return result;
    }

    ++it;
    // Centroid of all vertices but the worst.
    const double rn = 1.0 / n;
    for (int i = 0; i < n; ++i) {
      double s = 0.0;
      for (int j = 0; j < nv; ++j) {
        if (j != worst) s += v[j][i];
      }
      v[cen][i] = s * rn;
    }
    // Reflection through the centroid, built in the caller's x.
    for (int i = 0; i < n; ++i) x[i] = kReflectTwice * v[cen][i] - kReflect * v[worst][i];
    fn(n, x, fx);
    const double fr = fx;

    if (fr < f[best]) {
      // Expansion: twice as far from the centroid as the reflected point.
      for (int i = 0; i < n; ++i) w.trial[i] = 2.0 * x[i] - v[cen][i];
      fn(n, w.trial.data(), w.trial_value);
      if (w.trial_value < f[best]) {
        for (int i = 0; i < n; ++i) v[worst][i] = w.trial[i];
        f[worst] = w.trial_value;
      } else {
        for (int i = 0; i < n; ++i) v[worst][i] = x[i];
        f[worst] = fr;
      }
      continue;
    }
    if (fr <= f[next]) {
      for (int i = 0; i < n; ++i) v[worst][i] = x[i];
      f[worst] = fr;
      continue;
    }
    if (fr <= f[worst]) {
      for (int i = 0; i < n; ++i) v[worst][i] = x[i];
      f[worst] = fr;
    }
    // Contraction halfway between the centroid and the worst vertex.
    for (int i = 0; i < n; ++i) w.trial[i] = 0.5 * (v[cen][i] + v[worst][i]);
    fn(n, w.trial.data(), w.trial_value);
    if (w.trial_value <= f[worst]) {
      for (int i = 0; i < n; ++i) v[worst][i] = w.trial[i];
      f[worst] = w.trial_value;
      continue;
    }
    // Shrink every vertex halfway toward the best, then evaluate them.
    for (int j = 0; j < nv; ++j) {
      if (j == best) continue;
      for (int i = 0; i < n; ++i) v[j][i] = 0.5 * (v[best][i] + v[j][i]);
    }
    evaluate(best);
  }
}

}  // namespace normalize
