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

// One search: the caller's point (where every vertex is evaluated), the work
// storage and the counts.
class Search {
 public:
  Search(double* x, int n, const SimplexSettings& settings, ObjectiveRef fn, SimplexResult& result)
      : x_(x), n_(n), nv_(n + 1), cen_(n + 1), settings_(settings), fn_(fn), result_(result) {}

  SimplexResult run(const double* step) {
    auto& v = w_.vertex;
    // Initial simplex: the start point, then one step along each coordinate.
    for (int j = 0; j < nv_; ++j)
      for (int i = 0; i < n_; ++i) v[j][i] = x_[i];
    for (int k = 0; k < n_; ++k) v[k + 1][k] = x_[k] + step[k];
    evaluate(-1);
    for (;;) {
      const Ranking r = rank();
      if (stopped()) {
        for (int i = 0; i < n_; ++i) x_[i] = v[r.best][i];
        result_.fx = w_.value[r.best];
        return result_;
      }
      ++result_.it;
      move(r);
    }
  }

 private:
  struct Ranking {
    int worst = 0, best = 0, next = 0;
  };

  // Every vertex but `skip` (the best after a shrink, none at the start),
  // evaluated through the caller's x.
  void evaluate(int skip) {
    for (int j = 0; j < nv_; ++j) {
      if (j == skip) continue;
      for (int i = 0; i < n_; ++i) x_[i] = w_.vertex[j][i];
      fn_(n_, x_, result_.fx);
      w_.value[j] = result_.fx;
    }
  }

  // The worst, best and next-worst vertices; every tie goes to the
  // lowest-numbered vertex.
  Ranking rank() const {
    const auto& f = w_.value;
    Ranking r;
    for (int j = 1; j < nv_; ++j) {
      if (f[j] > f[r.worst]) r.worst = j;
      if (f[j] < f[r.best]) r.best = j;
    }
    r.next = r.worst == 0 ? 1 : 0;
    for (int j = 0; j < nv_; ++j)
      if (j != r.worst && f[j] > f[r.next]) r.next = j;
    return r;
  }

  // Whether the search ends here, with its status set: convergence (the
  // spread of the values against their signed mean), the iteration limit, or
  // a stall (the centroid's first coordinate and the last value written
  // through fx have hardly moved over two iterations).
  bool stopped() {
    const auto& f = w_.value;
    double sum = 0.0;
    for (int j = 0; j < nv_; ++j) sum += f[j];
    const double mean = sum / nv_;
    double ss = 0.0;
    for (int j = 0; j < nv_; ++j) ss += (f[j] - mean) * (f[j] - mean);
    const double spread = std::sqrt(ss / n_);
    if (spread <= mean * settings_.reqmin * kConvergence) {
      result_.status = SimplexStatus::converged;
      return true;
    }
    if (result_.it >= settings_.maxit) {
      result_.status = SimplexStatus::iteration_limit;
      return true;
    }
    const double c1 = w_.vertex[cen_][0];
    const double vv = result_.fx;
    const double d = std::fabs(c1 - w_.c1_prev2) + std::fabs(vv - w_.v_prev2);
    w_.c1_prev2 = w_.c1_prev;
    w_.v_prev2 = w_.v_prev;
    w_.c1_prev = c1;
    w_.v_prev = vv;
    if (settings_.reqmin > d) {
      result_.status = SimplexStatus::stalled;
      return true;
    }
    return false;
  }

  void replace_worst(int worst, const double* p, double value) {
    for (int i = 0; i < n_; ++i) w_.vertex[worst][i] = p[i];
    w_.value[worst] = value;
  }

  // One iteration: reflection through the centroid of all vertices but the
  // worst, then expansion, contraction or a shrink toward the best.
  void move(const Ranking& r) {
    auto& v = w_.vertex;
    auto& f = w_.value;
    const double rn = 1.0 / n_;
    for (int i = 0; i < n_; ++i) {
      double s = 0.0;
      for (int j = 0; j < nv_; ++j)
        if (j != r.worst) s += v[j][i];
      v[cen_][i] = s * rn;
    }
    // Reflection, built in the caller's x.
    for (int i = 0; i < n_; ++i) x_[i] = kReflectTwice * v[cen_][i] - kReflect * v[r.worst][i];
    fn_(n_, x_, result_.fx);
    const double fr = result_.fx;

    if (fr < f[r.best]) {
      // Expansion: twice as far from the centroid as the reflected point.
      for (int i = 0; i < n_; ++i) w_.trial[i] = 2.0 * x_[i] - v[cen_][i];
      fn_(n_, w_.trial.data(), w_.trial_value);
      if (w_.trial_value < f[r.best])
        replace_worst(r.worst, w_.trial.data(), w_.trial_value);
      else
        replace_worst(r.worst, x_, fr);
      return;
    }
    if (fr <= f[r.next]) {
      replace_worst(r.worst, x_, fr);
      return;
    }
    if (fr <= f[r.worst]) replace_worst(r.worst, x_, fr);
    // Contraction halfway between the centroid and the worst vertex.
    for (int i = 0; i < n_; ++i) w_.trial[i] = 0.5 * (v[cen_][i] + v[r.worst][i]);
    fn_(n_, w_.trial.data(), w_.trial_value);
    if (w_.trial_value <= f[r.worst]) {
      replace_worst(r.worst, w_.trial.data(), w_.trial_value);
      return;
    }
    // Shrink every vertex halfway toward the best, then evaluate them.
    for (int j = 0; j < nv_; ++j) {
      if (j == r.best) continue;
      for (int i = 0; i < n_; ++i) v[j][i] = 0.5 * (v[r.best][i] + v[j][i]);
    }
    evaluate(r.best);
  }

  double* x_;
  int n_;
  int nv_;   // vertices of the simplex
  int cen_;  // index of the centroid vertex
  SimplexSettings settings_;
  ObjectiveRef fn_;
  SimplexResult& result_;
  Workspace w_;
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
  Search search(point.data(), n, settings, fn, result);
  return search.run(step.data());
}

}  // namespace normalize
