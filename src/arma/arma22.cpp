#include "arma/arma22.hpp"

#include <climits>
#include <cstring>
#include <sstream>
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

constexpr std::string_view kTooFew = "(' P, Q =' 2I2 ': TOO FEW FLOWS TO FIT THIS MODEL')";
constexpr std::string_view kScoreLine = "(A, 2I3, 2F8.3)";

// The search state of one model, from the standard start.
struct Searcher {
  Blocks& b;
  std::ostringstream& refusal;
  format::Writer screen;
  int n;

  Searcher(Blocks& blocks, std::ostringstream& os, int length)
      : b(blocks), refusal(os), screen(os), n(length) {}

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
    for (int i = 1; i <= p; ++i) b.p.L[i - 1] = i;
    for (int j = 1; j <= q; ++j) b.p.M[j - 1] = j;
    for (int tt = b.p.t0; tt <= n; ++tt) {
      at(b.w.a, tt) = 0.0;
      at(b.w.e, tt) = 0.0;
      at(b.w.w, tt) = 0.0;
    }
    for (int tt = 1; tt <= n; ++tt) at(b.w.w, tt) = b.d.x[tt - 1];
    b.d.init = 0;
    b.log = readlog{};
  }

  // The search from the standard start, after start(p, q).
  bool search(int p, int q, ArmaFit& f, std::array<double, kStored + 1>& phi,
              std::array<double, kStored + 1>& theta) {
    const int k = p + q;
    std::array<double, 4> u{};
    std::array<double, 4> step{};
    start_values(p, q, u, step);

    const normalize::Objective objective = [this](int kk, const double* uu, double& v) {
      if (b.p.lag_fail != 0) {
        v = 0.0;  // the model was refused: let the search end at once
        return;
      }
      funct(kk, uu, v, b, screen);
    };
    f.p = p;
    f.q = q;
    normalize::fdnelm(k, u.data(), f.fff, step.data(), kArmaSearch.reqmin, f.it, kArmaSearch.maxit,
                      f.ier, objective);
    if (b.p.lag_fail != 0) return false;
    funct(k, u.data(), f.ff, b, screen);
    if (b.p.lag_fail != 0) return false;
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

// True when the work arrays hold, bit for bit, every value that the reads
// record, and the recorded search ran only the recursions that keep it.
bool same_reads(const readlog& log, const work& w) {
  if (!log.complete || log.low == INT_MAX) return false;
  for (const StaleRead& r : log.reads) {
    const double now = at(r.forward ? w.a : w.w, r.t);
    if (std::memcmp(&now, &r.value, sizeof now) != 0) return false;
  }
  return true;
}

void minimiser_record(format::Writer& ans, const ArmaFit& f) {
  ans.list(" n,it,maxit,ier,fff,ff,sa,ffi(1),ffi(2),tth(1),tth(2)");
  ans.write("(4I4 / 7F10.4)", f.p + f.q, f.it, kArmaSearch.maxit, f.ier, f.fff, f.ff, f.sa,
            f.phi[0], f.phi[1], f.theta[0], f.theta[1]);
}

// The fits in the order of the search, up to the one refused.
template <class F>
void each_fit(const Identification& id, F&& f) {
  for (int p = 0; p <= 2; ++p)
    for (int q = 0; q <= 2; ++q) {
      if (id.refused == 3 * p + q) return;
      f(id.fits[p][q]);
    }
}

void write_table(format::Writer& w, const Identification& id) {
  constexpr std::string_view kTable =
      "('1' / / / ' the updated AIC table for ' A10 / / / "
      "' the rows are the order p of the AR part with  p=0,1,2' / "
      "' the columns are the order q of the MA part of the ARMA equation with  q=0,1,2' / / "
      "3(3F20.6 /))";
  const auto& t = id.table;
  w.write(kTable, id.title, t[0][0], t[0][1], t[0][2], t[1][0], t[1][1], t[1][2], t[2][0], t[2][1],
          t[2][2]);
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

Identification identify(std::span<const double> x, std::string_view name, Blocks& b,
                        const normalize::cfunsb4& flows, const normalize::Transform& t,
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
  const double white = dn * dn / (dn - 2.0);  // AICc of unit white noise

  b.p.t0 = -100;
  b.p.n = n;
  b.p.lag_fail = 0;
  for (int i = 0; i < n; ++i) b.d.x[i] = x[i];
  id.residuals.assign(x.begin(), x.end());

  for (auto& row : id.table) row.fill(white + 1.0);
  std::array<std::array<std::array<double, kStored + 1>, 3>, 3> phi_store{}, theta_store{};
  b.p.L.fill(0);
  b.p.M.fill(0);

  // What each search read from earlier fits, and the residuals it left.
  std::array<std::array<readlog, 3>, 3> reads{};
  std::array<std::array<std::vector<double>, 3>, 3> residuals{};

  std::ostringstream refusal;
  Searcher search(b, refusal, n);
  for (int p = 0; p <= 2; ++p) {
    for (int q = 0; q <= 2; ++q) {
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
        b.d.D = 0.0;
        f.sa = b.d.sa;
      } else if (n - k - 2 <= 0) {
        continue;  // the AICc has no meaning here; the cell keeps its start value
      } else if (!search.fit(p, q, f, phi_store[p][q], theta_store[p][q])) {
        id.refused = 3 * p + q;
        id.refusal = refusal.str();
        return id;
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
    }
  }

  // The smallest score among the fitted models; ties go to the earlier cell.
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

  // Refit of the chosen model, so that the residuals belong to it.
  b.p.np = bp;
  b.p.mq = bq;
  if (bp + bq > 0) {
    search.start(bp, bq);
    if (reuse && same_reads(reads[bp][bq], b.w)) {
      id.refit_reused = true;
      // Every value the first search read is as it was then, so this search
      // would go the same way to the same end.
      const ArmaFit& first = id.fits[bp][bq];
      ArmaFit& f = id.refit;
      f.p = bp;
      f.q = bq;
      f.it = first.it;
      f.ier = first.ier;
      f.fff = first.fff;
      f.ff = first.ff;
      f.fitted = true;
      f.sa = first.sa;
      f.aicc = first.aicc;
      f.phi = first.phi;
      f.theta = first.theta;
      id.residuals = residuals[bp][bq];
    } else {
      if (!search.search(bp, bq, id.refit, phi_store[bp][bq], theta_store[bp][bq])) {
        id.refused = 9;
        id.refusal = refusal.str();
        return id;
      }
      for (int i = 0; i < n; ++i) id.residuals[i] = b.d.res[i];
    }
    id.refitted = true;
  }
  return id;
}

void write_identification(format::Writer& ans, const Identification& id) {
  each_fit(id, [&ans](const ArmaFit& f) {
    if (!f.fitted) {
      ans.write(kTooFew, f.p, f.q);
      return;
    }
    if (f.p + f.q > 0) minimiser_record(ans, f);
    ans.write(kScoreLine, " P, Q, AIC & DIST ", f.p, f.q, f.aicc, f.dist);
  });
  if (id.refused >= 0 && id.refused < 9) return;
  write_table(ans, id);
  ans.list(" the minimum AIC gives the \"best\" model out of this lot");
  ans.list();
  ans.list(" p & q of minimum AICc and parameters");
  ans.write("(2I10, F12.2)", id.p, id.q, id.min_score);
  ans.write("(/ A 2F10.4 / A 2F10.4)", " phi  ", id.phi[0], id.phi[1], " theta", id.theta[0],
            id.theta[1]);
  if (id.refitted) minimiser_record(ans, id.refit);
}

void show_identification(format::Screen& screen, const Identification& id) {
  each_fit(id, [&screen](const ArmaFit& f) {
    if (!f.fitted)
      screen.out.write(kTooFew, f.p, f.q);
    else
      screen.out.write(kScoreLine, " P, Q, AIC & DIST ", f.p, f.q, f.aicc, f.dist);
  });
  if (id.refused >= 0 && id.refused < 9) {
    screen.out.stream() << id.refusal;
    return;
  }
  screen.pause("Press enter to continue ");
  write_table(screen.out, id);
  if (id.refused == 9) screen.out.stream() << id.refusal;
}

bool arma22(std::span<const double> x, std::span<double> res, std::array<double, 2>& phi,
            std::array<double, 2>& theta, double& score, int& p, int& q, std::string_view name,
            Blocks& b, const normalize::cfunsb4& flows, const normalize::Transform& t,
            format::Writer& ans, format::Screen& screen) {
  const Identification id = identify(x, name, b, flows, t);
  show_identification(screen, id);
  write_identification(ans, id);
  if (!id.ok()) return false;
  for (std::size_t i = 0; i < res.size() && i < id.residuals.size(); ++i) res[i] = id.residuals[i];
  phi = id.phi;
  theta = id.theta;
  score = id.min_score;
  p = id.p;
  q = id.q;
  return true;
}

}  // namespace arma
