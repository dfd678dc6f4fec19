#include "arma/arma22.hpp"

#include <string>

#include "arma/comp.hpp"
#include "arma/funct.hpp"
#include "normalize/fdnelm.hpp"
#include "stats/single.hpp"

namespace arma {

namespace {

constexpr double kStart = stats::single(0.4f);        // start value of every coefficient
constexpr double kStepFactor = stats::single(0.05f);  // initial step, relative
constexpr double kTol = stats::single(1.0e-5f);       // simplex tolerance
constexpr int kMaxit = 500;                           // simplex iteration limit
constexpr double kBound = 1.0;
constexpr int kStored = 16;  // coefficients kept per model

struct Store {
  std::array<double, kStored + 1> phi{}, theta{};  // index by lag
};

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

bool arma22(std::span<const double> x, std::span<double> res, std::array<double, 2>& phi,
            std::array<double, 2>& theta, double& score, int& p, int& q, std::string_view name,
            Blocks& b, const normalize::cfunsb4& flows, const normalize::Transform& t,
            format::Writer& ans, format::Screen& screen) {
  const int n = static_cast<int>(x.size());
  if (n < 3 || n > kMaxN) return false;
  const double dn = n;
  const double white = dn * dn / (dn - 2.0);  // AICc of unit white noise

  b.p.t0 = -100;
  b.p.n = n;
  b.p.lag_fail = 0;
  for (int i = 0; i < n; ++i) {
    b.d.x[i] = x[i];
    res[i] = x[i];
  }

  std::array<std::array<double, 3>, 3> table;
  std::array<std::array<bool, 3>, 3> fitted{};
  for (auto& row : table) row.fill(white + 1.0);
  std::array<std::array<Store, 3>, 3> store{};
  b.p.L.fill(0);
  b.p.M.fill(0);
  phi.fill(0.0);
  theta.fill(0.0);

  const normalize::Objective objective = [&b, &screen](int k, const double* u, double& f) {
    if (b.p.lag_fail != 0) {
      f = 0.0;  // the model was refused: let the search end at once
      return;
    }
    funct(k, u, f, b, screen.out);
  };

  // Fits ARMA(pp, qq), k = pp + qq > 0, from the standard start, writes the
  // minimiser record and stores the coefficients; fff receives the AICc.
  // False when the lag check refused the model.
  auto fit = [&](int pp, int qq, double& fff) {
    b.p.np = pp;
    b.p.mq = qq;
    for (int i = 1; i <= pp; ++i) b.p.L[i - 1] = i;
    for (int j = 1; j <= qq; ++j) b.p.M[j - 1] = j;
    const int k = pp + qq;
    std::array<double, 4> u{};
    std::array<double, 4> step{};
    start_values(pp, qq, u, step);

    for (int tt = b.p.t0; tt <= n; ++tt) {
      at(b.w.a, tt) = 0.0;
      at(b.w.e, tt) = 0.0;
      at(b.w.w, tt) = 0.0;
    }
    for (int tt = 1; tt <= n; ++tt) at(b.w.w, tt) = b.d.x[tt - 1];
    b.d.init = 0;

    int it = 0;
    int ier = 0;
    normalize::fdnelm(k, u.data(), fff, step.data(), kTol, it, kMaxit, ier, objective);
    if (b.p.lag_fail != 0) return false;
    double ff = 0.0;
    funct(k, u.data(), ff, b, screen.out);
    if (b.p.lag_fail != 0) return false;

    ans.list(" n,it,maxit,ier,fff,ff,sa,ffi(1),ffi(2),tth(1),tth(2)");
    ans.write("(4I4 / 7F10.4)", k, it, kMaxit, ier, fff, ff, b.d.sa, b.v.phi[1], b.v.phi[2],
              b.v.theta[1], b.v.theta[2]);
    Store& st = store[pp][qq];
    for (int i = 1; i <= kStored; ++i) {
      st.phi[i] = b.v.phi[i];
      st.theta[i] = b.v.theta[i];
    }
    return true;
  };

  for (int pp = 0; pp <= 2; ++pp) {
    for (int qq = 0; qq <= 2; ++qq) {
      b.p.np = pp;
      b.p.mq = qq;
      const int k = pp + qq;
      double aicc = 0.0;
      if (k == 0) {
        // Unit white noise: nothing to fit.
        aicc = white;
        b.d.sa = 1.0;
        b.p.t0 = 0;
        b.d.D = 0.0;
        phi.fill(0.0);
        theta.fill(0.0);
      } else if (n - k - 2 <= 0) {
        // The AICc has no meaning here; the cell keeps its start value.
        ans.write("(' P, Q =' 2I2 ': TOO FEW FLOWS TO FIT THIS MODEL')", pp, qq);
        screen.out.write("(' P, Q =' 2I2 ': TOO FEW FLOWS TO FIT THIS MODEL')", pp, qq);
        continue;
      } else {
        if (!fit(pp, qq, aicc)) return false;
        phi = {b.v.phi[1], b.v.phi[2]};
        theta = {b.v.theta[1], b.v.theta[2]};
      }
      fitted[pp][qq] = true;
      double dist = 0.0;
      comp(phi, theta, n, dist, flows, t, b.s, b.d.def);
      screen.out.write("(A, 2I3, 2F8.3)", " P, Q, AIC & DIST ", pp, qq, aicc, dist);
      ans.write("(A, 2I3, 2F8.3)", " P, Q, AIC & DIST ", pp, qq, aicc, dist);
      table[pp][qq] = 0.5 * (aicc + dist);
    }
  }

  screen.pause("Press enter to continue ");

  // The heading shows the first 10 columns of the name, blank-padded.
  std::string title(name.substr(0, name.size() < 10 ? name.size() : 10));
  title.resize(10, ' ');
  constexpr std::string_view kTable =
      "('1' / / / ' the updated AIC table for ' A10 / / / "
      "' the rows are the order p of the AR part with  p=0,1,2' / "
      "' the columns are the order q of the MA part of the ARMA equation with  q=0,1,2' / / "
      "3(3F20.6 /))";
  for (format::Writer* w : {&screen.out, &ans}) {
    w->write(kTable, title, table[0][0], table[0][1], table[0][2], table[1][0], table[1][1],
             table[1][2], table[2][0], table[2][1], table[2][2]);
  }
  ans.list(" the minimum AIC gives the \"best\" model out of this lot");

  // The smallest score among the fitted models; ties go to the earlier cell.
  int bp = 0;
  int bq = 0;
  for (int pp = 0; pp <= 2; ++pp)
    for (int qq = 0; qq <= 2; ++qq)
      if (fitted[pp][qq] && table[pp][qq] < table[bp][bq]) {
        bp = pp;
        bq = qq;
      }
  const Store& chosen = store[bp][bq];
  ans.list();
  ans.list(" p & q of minimum AICc and parameters");
  ans.write("(2I10, F12.2)", bp, bq, table[bp][bq]);
  ans.write("(/ A 2F10.4 / A 2F10.4)", " phi  ", chosen.phi[1], chosen.phi[2], " theta",
            chosen.theta[1], chosen.theta[2]);

  phi = {chosen.phi[1], chosen.phi[2]};
  theta = {chosen.theta[1], chosen.theta[2]};
  p = bp;
  q = bq;
  // The identification returns the minimum score, the value just printed;
  // the refit below changes only the table cell.
  score = table[bp][bq];

  // Refit of the chosen model, so that the residuals belong to it.
  b.p.np = bp;
  b.p.mq = bq;
  if (bp + bq == 0) {
    for (int i = 0; i < n; ++i) res[i] = x[i];
  } else {
    double fff = 0.0;
    if (!fit(bp, bq, fff)) return false;
    table[bp][bq] = fff;
    for (int i = 0; i < n; ++i) res[i] = b.d.res[i];
  }
  return true;
}

}  // namespace arma
