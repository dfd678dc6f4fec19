#include "arma/arma22.hpp"

#include <climits>
#include <cstring>
#include <string>

#include "arma/comp.hpp"
#include "arma/funct.hpp"
#include "normalize/fdnelm.hpp"
#include "stats/single.hpp"

namespace arma {

namespace {

constexpr double kStart = stats::single(0.4f);        // start value of every coefficient
constexpr double kStepFactor = stats::single(0.05f);  // initial step, relative
constexpr double kBound = 1.0;
constexpr int kStored = 16;  // coefficients kept per model

// The search state of one model, from the standard start.
struct Searcher {
  Blocks& b;
  int n;

  Searcher(Blocks& blocks, int length) : b(blocks), n(length) {}

  // Fits ARMA(p, q), k = p + q > 0; false when the lag check refused it.
  bool fit(int p, int q, ArmaFit& f, std::array<double, kStored + 1>& phi,
           std::array<double, kStored + 1>& theta) {
    start(p, q);
    return search(p, q, f, phi, theta);
  }

  // The state in which a fit of ARMA(p, q) starts: its lags, the work arrays
  // cleared from the last origin on and the series in place.
  void start(int p, int q) {
    b.p.np = p;
    b.p.mq = q;
    for (int i = 1; i <= p; ++i) b.p.ar_lags[i - 1] = i;
    for (int j = 1; j <= q; ++j) b.p.ma_lags[j - 1] = j;
    for (int tt = b.p.t0; tt <= n; ++tt) {
      at(b.w.a, tt) = 0.0;
      at(b.w.e, tt) = 0.0;
      at(b.w.w, tt) = 0.0;
    }
    for (int tt = 1; tt <= n; ++tt) at(b.w.w, tt) = b.d.x[tt - 1];
    b.d.init = 0;
    b.log = ReadLog{};
  }

  // The search from the standard start, after start(p, q).
  bool search(int p, int q, ArmaFit& f, std::array<double, kStored + 1>& phi,
              std::array<double, kStored + 1>& theta) {
    const int k = p + q;
    std::array<double, 4> u{};
    std::array<double, 4> step{};
    start_values(p, q, u, step);

    auto objective = [this](int kk, const double* uu, double& v) {
      if (b.p.lag_refused) {
        v = 0.0;  // the model was refused: let the search end at once
        return;
      }
      if (funct(kk, uu, v, b) == ObjectiveStatus::lag_too_big) v = 0.0;
    };
    f.p = p;
    f.q = q;
    const normalize::SimplexResult result = normalize::fdnelm(
        std::span<double>(u.data(), static_cast<std::size_t>(k)),
        std::span<const double>(step.data(), static_cast<std::size_t>(k)), kArmaSearch, objective);
    f.fff = result.fx;
    f.it = result.it;
    f.status = result.status;
    if (b.p.lag_refused) return false;
    if (funct(k, u.data(), f.ff, b) != ObjectiveStatus::ok) return false;
    f.fitted = true;
    f.sa = b.d.sa;
    f.aicc = f.fff;
    f.phi = {b.v.phi[1], b.v.phi[2]};
    f.theta = {b.v.theta[1], b.v.theta[2]};
    for (int i = 1; i <= kStored; ++i) {
      phi[i] = b.v.phi[i];
      theta[i] = b.v.theta[i];
    }
    return true;
  }
};

// True when the WorkArrays arrays hold, bit for bit, every value that the reads
// record, and the recorded search ran only the recursions that keep it.
bool same_reads(const ReadLog& log, const WorkArrays& w) {
  if (!log.complete || log.low == INT_MAX) return false;
  for (const StaleRead& r : log.reads) {
    const double now = at(r.forward ? w.a : w.w, r.t);
    if (std::memcmp(&now, &r.value, sizeof now) != 0) return false;
  }
  return true;
}

}  // namespace

void start_values(int p, int q, std::array<double, 4>& u, std::array<double, 4>& step) {
  std::array<double, 4> s{};
  for (int i = 1; i <= p; ++i) s[i - 1] = kStart;
  for (int j = 1; j <= q; ++j) s[p + j - 1] = -kStart;
  u.fill(0.0);
  step.fill(0.0);
  // The lag-2 AR value is 0 unless p = 2 (s[1] is then an MA value).
  if (p == 2) u[1] = normalize::flogit(-kBound, kBound, s[1]);
  if (p >= 1) {
    const double s2 = p == 2 ? s[1] : 0.0;
    u[0] = normalize::flogit(s2 - kBound, kBound - s2, s[0]);
  }
  if (q == 2) u[p + 1] = normalize::flogit(-kBound, kBound, s[p + 1]);
  if (q >= 1) u[p] = normalize::flogit(s[p + 1] - kBound, kBound - s[p + 1], s[p]);
  for (int i = 0; i < p + q; ++i) step[i] = kStepFactor * u[i];
}

namespace {

// The state of one identification: the fits so far, what each search read
// and left, and the coefficients each kept.
struct Identifier {
  Identification& id;
  Blocks& b;
  const normalize::cfunsb4& flows;
  const normalize::FittedDistribution& t;
  int n;
  double white;  // AICc of unit white noise
  Searcher search{b, n};
  std::array<std::array<std::array<double, kStored + 1>, 3>, 3> phi_store{}, theta_store{};
  // What each search read from earlier fits, and the residuals it left.
  std::array<std::array<ReadLog, 3>, 3> reads{};
  std::array<std::array<std::vector<double>, 3>, 3> residuals{};

  // Fits ARMA(p, q) into its cell; false when the lag check refused it.
  bool fit_one(int p, int q) {
    ArmaFit& f = id.fits[p][q];
    f.p = p;
    f.q = q;
    b.p.np = p;
    b.p.mq = q;
    const int k = p + q;
    if (k == 0) {
      // Unit white noise: nothing to fit.
      f.fitted = true;
      f.aicc = white;
      b.d.sa = 1.0;
      b.p.t0 = 0;
      b.d.determinant = 0.0;
      f.sa = b.d.sa;
    } else if (n - k - 2 <= 0) {
      return true;  // the AICc has no meaning here; the cell keeps its start value
    } else if (!search.fit(p, q, f, phi_store[p][q], theta_store[p][q])) {
      id.refused = 3 * p + q;
      id.refusal = b.p.refusal;
      return false;
    }
    reads[p][q] = std::move(b.log);
    residuals[p][q].assign(b.d.res.begin(), b.d.res.begin() + n);
    comp(f.phi, f.theta, n, f.dist, flows, t, b.s, b.d.def);
    for (int i = 0; i < kLevels; ++i) {
      f.deficits[i].observed = b.d.def[0][i];
      for (int s = 1; s < kSamples; ++s) f.deficits[i].simulated[s - 1] = b.d.def[s][i];
    }
    f.score = 0.5 * (f.aicc + f.dist);
    id.table[p][q] = f.score;
    return true;
  }

  // The smallest score among the fitted models; ties go to the earlier cell.
  void choose() {
    int bp = 0;
    int bq = 0;
    for (int p = 0; p <= 2; ++p)
      for (int q = 0; q <= 2; ++q)
        if (id.fits[p][q].fitted && id.table[p][q] < id.table[bp][bq]) {
          bp = p;
          bq = q;
        }
    id.p = bp;
    id.q = bq;
    id.min_score = id.table[bp][bq];
    id.phi = {phi_store[bp][bq][1], phi_store[bp][bq][2]};
    id.theta = {theta_store[bp][bq][1], theta_store[bp][bq][2]};
  }

  // Refit of the chosen model, so that the residuals belong to it; false
  // when the lag check refused it.
  bool refit(bool reuse) {
    const int bp = id.p, bq = id.q;
    b.p.np = bp;
    b.p.mq = bq;
    if (bp + bq == 0) return true;
    search.start(bp, bq);
    if (reuse && same_reads(reads[bp][bq], b.w)) {
      id.refit_reused = true;
      // Every value the first search read is as it was then, so this search
      // would go the same way to the same end.
      id.refit = id.fits[bp][bq];
      id.refit.dist = 0.0;
      id.refit.score = 0.0;
      id.refit.deficits = {};
      id.residuals = residuals[bp][bq];
    } else {
      if (!search.search(bp, bq, id.refit, phi_store[bp][bq], theta_store[bp][bq])) {
        id.refused = 9;
        id.refusal = b.p.refusal;
        return false;
      }
      for (int i = 0; i < n; ++i) id.residuals[i] = b.d.res[i];
    }
    id.refitted = true;
    return true;
  }
};

}  // namespace

Identification identify(std::span<const double> x, std::string_view name, Blocks& b,
                        const normalize::cfunsb4& flows, const normalize::FittedDistribution& t,
                        bool reuse) {
  Identification id;
  // The heading shows the first 10 columns of the name, blank-padded.
  id.title = std::string(name.substr(0, name.size() < 10 ? name.size() : 10));
  id.title.resize(10, ' ');
  const int n = static_cast<int>(x.size());
  if (n < 3 || n > kMaxN) {
    id.refused = 0;
    return id;
  }
  const double dn = n;
  Identifier s{id, b, flows, t, n, dn * dn / (dn - 2.0)};
  b.p.t0 = -100;
  b.p.n = n;
  b.p.lag_refused = false;
  for (int i = 0; i < n; ++i) b.d.x[i] = x[i];
  id.residuals.assign(x.begin(), x.end());
  for (auto& row : id.table) row.fill(s.white + 1.0);
  b.p.ar_lags.fill(0);
  b.p.ma_lags.fill(0);

  for (int p = 0; p <= 2; ++p)
    for (int q = 0; q <= 2; ++q)
      if (!s.fit_one(p, q)) return id;
  s.choose();
  s.refit(reuse);
  return id;
}

}  // namespace arma
