#include "arma/funct.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "normalize/fits.hpp"
#include "stats/single.hpp"

namespace arma {

namespace {

// Back-forecasting stops at the first value below this.
constexpr double kBackTol = stats::single(1.0e-5f);
// Guard of the determinant ratios.
constexpr double kTiny = 1.0e-300;
// Coefficients are kept in (-kBound, kBound).
constexpr double kBound = 1.0;

struct Term {
  double coef = 0.0;
  int lag = 0;
};

// Maps the unknowns u[0..m-1] of one side (AR or MA) into R[1..m], pairwise
// from the highest index down: the second member of a pair lies in
// (-1, 1), the first in (R_second - 1, 1 - R_second), which keeps each
// quadratic factor stationary (invertible).
void to_region(int m, const double* u, double* R) {
  if (m == 4) R[4] = normalize::rev(-kBound, kBound, u[3]);
  if (m >= 3) R[3] = normalize::rev(R[4] - kBound, kBound - R[4], u[2]);
  if (m >= 2) R[2] = normalize::rev(-kBound, kBound, u[1]);
  if (m >= 1) R[1] = normalize::rev(R[2] - kBound, kBound - R[2], u[0]);
}

// The terms of (1 - R1 B^L1 - R2 B^L2)(1 - R3 B^L3 - R4 B^L4) beyond the
// leading 1, as (coefficient, lag) with the sign of the polynomial
// 1 - sum c B^K.
void product_terms(int m, const double* R, const std::array<int, 4>& L, std::array<Term, 8>& t) {
  if (m >= 1) t[0] = {R[1], L[0]};
  if (m >= 2) t[1] = {R[2], L[1]};
  if (m >= 3) {
    t[2] = {R[3], L[2]};
    t[3] = {-R[3] * R[1], L[2] + L[0]};
    t[4] = {-R[3] * R[2], L[2] + L[1]};
  }
  if (m >= 4) {
    t[5] = {R[4], L[3]};
    t[6] = {-R[4] * R[1], L[3] + L[0]};
    t[7] = {-R[4] * R[2], L[3] + L[1]};
  }
}

// Adds the terms into the coefficients by lag and flags the lags in use.
// A lag beyond 20 has no slot; it still raises the largest lag, so that the
// lag check refuses the model.
void accumulate(const std::array<Term, 8>& t, int count, std::array<double, kMaxLag + 1>& c,
                std::array<int, kMaxLag + 1>& flag, int& maxlag) {
  for (int i = 0; i < count; ++i) {
    const Term& term = t[i];
    const int K = term.lag;
    if (K == 0) continue;
    if (K <= kMaxLag) {
      flag[K] = K;
      c[K] += term.coef;
    }
    maxlag = std::max(maxlag, K);
  }
}

// How many terms product_terms writes for m unknowns.
int terms_of(int m) {
  static constexpr int kTerms[5] = {0, 1, 2, 5, 8};
  return kTerms[std::clamp(m, 0, 4)];
}

// Zeroes c[0..last] and flag[0..last] (last clipped to the largest lag).
void clear_to(std::array<double, kMaxLag + 1>& c, std::array<int, kMaxLag + 1>& flag, int last) {
  const int top = std::min(last, kMaxLag);
  for (int K = 0; K <= top; ++K) {
    c[K] = 0.0;
    flag[K] = 0;
  }
}

}  // namespace

double det1(double a) {
  return 1.0 - a * a;
}

double det2(double a, double b) {
  // (1 - a^2 b^2)^2 - (a + b)^2 (1 - ab)^2, each square formed first.
  const double u = 1.0 - (a * a) * (b * b);
  const double s = a + b;
  const double v = 1.0 - a * b;
  return u * u - (s * s) * (v * v);
}

// With the elementary symmetric functions e1..e3 of (a, b, c):
// prod(1 - xi^2) = (1 - e1 + e2 - e3)(1 + e1 + e2 + e3) and
// prod_{i<j}(1 - xi xj) = 1 - e2 + e1 e3 - e3^2.
double det3(double a, double b, double c) {
  const double e1 = a + b + c;
  const double e2 = a * b + a * c + b * c;
  const double e3 = a * b * c;
  const double lo = 1.0 - e1 + e2 - e3;
  const double hi = 1.0 + e1 + e2 + e3;
  const double pairs = 1.0 - e2 + e1 * e3 - e3 * e3;
  return lo * hi * pairs * pairs;
}

// With e1..e4 of (a, b, c, d): prod(1 - xi^2) = (1 - e1 + e2 - e3 + e4)
// (1 + e1 + e2 + e3 + e4), and prod_{i<j}(1 - xi xj) is the alternating sum
// of the elementary symmetric functions of the six pair products:
// 1, e2, e1 e3 - e4, e1^2 e4 - 2 e2 e4 + e3^2, e1 e3 e4 - e4^2, e2 e4^2, e4^3.
double det4(double a, double b, double c, double d) {
  const double e1 = a + b + c + d;
  const double e2 = a * b + a * c + a * d + b * c + b * d + c * d;
  const double e3 = a * b * c + a * b * d + a * c * d + b * c * d;
  const double e4 = a * b * c * d;
  const double lo = 1.0 - e1 + e2 - e3 + e4;
  const double hi = 1.0 + e1 + e2 + e3 + e4;
  const double p1 = e2;
  const double p2 = e1 * e3 - e4;
  const double p3 = e1 * e1 * e4 - 2.0 * e2 * e4 + e3 * e3;
  const double p4 = e1 * e3 * e4 - e4 * e4;
  const double p5 = e2 * e4 * e4;
  const double p6 = e4 * e4 * e4;
  const double pairs = 1.0 - p1 + p2 - p3 + p4 - p5 + p6;
  return lo * hi * pairs * pairs;
}

double dmac(const double* c, int p, int q) {
  double ratio = 0.0;
  if (p == 0 && q == 0) {
    return 0.0;
  } else if ((p == 1 && q == 0) || (p == 0 && q == 1)) {
    ratio = det1(c[0]);
  } else if ((p == 2 && q == 0) || (p == 0 && q == 2)) {
    ratio = det2(c[0], c[1]);
  } else if (p == 1 && q == 1) {
    const double den = det2(c[0], c[1]);
    if (std::fabs(den) < kTiny) return 0.0;
    const double num = det1(c[0]) * det1(c[1]);
    ratio = num * num / den;
  } else if (p == 1 && q == 2) {
    const double den = det3(c[0], c[1], c[2]);
    if (std::fabs(den) < kTiny) return 0.0;
    const double num = det1(c[0]) * det2(c[1], c[2]);
    ratio = num * num / den;
  } else if (p == 2 && q == 1) {
    const double den = det3(c[0], c[1], c[2]);
    if (std::fabs(den) < kTiny) return 0.0;
    const double num = det2(c[0], c[1]) * det1(c[2]);
    ratio = num * num / den;
  } else if (p == 2 && q == 2) {
    const double den = det4(c[0], c[1], c[2], c[3]);
    if (std::fabs(den) < kTiny) return 0.0;
    const double num = det2(c[0], c[1]) * det2(c[2], c[3]);
    ratio = num * num / den;
  } else if (p == 1 && q == 3) {
    const double num = det1(c[0]) * det3(c[1], c[2], c[3]);
    ratio = num * num / det4(c[0], c[1], c[2], c[3]);
  } else if (p == 3 && q == 1) {
    const double num = det3(c[0], c[1], c[2]) * det1(c[3]);
    ratio = num * num / det4(c[0], c[1], c[2], c[3]);
  } else if (p == 4 || q == 4) {
    ratio = det4(c[0], c[1], c[2], c[3]);
  } else {
    return 0.0;
  }
  return -0.5 * std::log(std::fabs(ratio));
}

namespace {

// The three recursions of the objective over lags flagged in b.p: backward
// residuals e, back-forecasts w before t = 1 (until one falls below the
// tolerance; their origin goes to b.p.t0), then forward residuals a from that
// origin. Returns the sum of squares of a(1..n) and leaves a(1..n) in b.d.res.
double recursions_general(Blocks& b, int maxlag) {
  b.log.complete = false;  // its reads below the origin are not recorded
  Orders& P = b.p;
  const Coefficients& V = b.v;
  WorkArrays& W = b.w;
  const int n = P.n;
  const int max_ar = P.max_ar;
  const int max_ma = P.max_ma;

  for (int t = n - maxlag; t >= 1; --t) {
    double sar = 0.0;
    for (int K = 1; K <= max_ar; ++K)
      if (P.ar_flag[K] != 0) sar += V.phi[K] * at(W.w, t + P.ar_flag[K]);
    double sma = 0.0;
    for (int K = 1; K <= max_ma; ++K)
      if (P.ma_flag[K] != 0) sma += V.theta[K] * at(W.e, t + P.ma_flag[K]);
    at(W.e, t) = at(W.w, t) - sar + sma;
  }

  for (int t = 0; t >= maxlag - kOrigin; --t) {
    double sar = 0.0;
    for (int K = 1; K <= max_ar; ++K)
      if (P.ar_flag[K] != 0) sar += V.phi[K] * at(W.w, t + P.ar_flag[K]);
    double sma = 0.0;
    if (t >= -maxlag) {
      for (int K = 1; K <= max_ma; ++K)
        if (P.ma_flag[K] != 0) sma += V.theta[K] * at(W.e, t + P.ma_flag[K]);
    }
    at(W.w, t) = sar - sma;
    P.t0 = t;
    if (std::fabs(at(W.w, t)) < kBackTol) break;
  }

  double S = 0.0;
  for (int t = P.t0; t <= n; ++t) {
    double sar = 0.0;
    for (int K = 1; K <= max_ar; ++K)
      if (P.ar_flag[K] != 0) sar += V.phi[K] * at(W.w, t - P.ar_flag[K]);
    double sma = 0.0;
    for (int K = 1; K <= max_ma; ++K)
      if (P.ma_flag[K] != 0) sma += V.theta[K] * at(W.a, t - P.ma_flag[K]);
    const double a = at(W.w, t) - sar + sma;
    at(W.a, t) = a;
    if (t >= 1) {
      b.d.res[t - 1] = a;
      S += a * a;
    }
  }
  return S;
}

// The weighted sum of the one or two previous values of a recursion,
// c1 v1 + c2 v2, term by term in the order of the general loops (N terms,
// N <= 2). The general loops start the sum from 0.0; leaving that addition
// out changes no bit of a nonzero result.
template <int N>
inline double lag_sum(double c1, double c2, double v1, double v2) {
  if constexpr (N == 0) {
    return 0.0;
  } else if constexpr (N == 1) {
    return c1 * v1;
  } else {
    return c1 * v1 + c2 * v2;
  }
}

// The same recursions for models whose AR and MA lags are exactly 1..NA and
// 1..NM (NA, NM <= 2), the only ones the order search fits: no flag tests,
// no loops over lags, the coefficients and the last two values of each
// recursion in registers (each step waits on the one before it, so a trip
// through memory would lengthen every step).
template <int NA, int NM>
double recursions_short(Blocks& b, int maxlag) {
  Orders& P = b.p;
  const double p1 = b.v.phi[1], p2 = b.v.phi[2];
  const double t1 = b.v.theta[1], t2 = b.v.theta[2];
  double* const a = b.w.a.data() + kOrigin;
  double* const e = b.w.e.data() + kOrigin;
  double* const w = b.w.w.data() + kOrigin;
  const int n = P.n;
  // v[t + 1] and v[t + 2] (or v[t - 1], v[t - 2]) of an array, read only when
  // a lag uses them.
  const auto next = [](const double* v, int t, int lag, int used) {
    return lag <= used ? v[t] : 0.0;
  };
  // One step of a residual recursion, r = w(t) - AR sum + MA sum, after
  // which the last two values of the series (w1, w2) and of the residuals
  // (r1, r2) move on by one.
  const auto step = [=](double wt, double& w1, double& w2, double& r1, double& r2) {
    const double r = wt - lag_sum<NA>(p1, p2, w1, w2) + lag_sum<NM>(t1, t2, r1, r2);
    w2 = w1;
    w1 = wt;
    r2 = r1;
    r1 = r;
    return r;
  };

  // Backward residuals, from t = n - maxlag down to 1.
  {
    int t = n - maxlag;
    double w1 = next(w, t + 1, 1, NA), w2 = next(w, t + 2, 2, NA);
    double e1 = next(e, t + 1, 1, NM), e2 = next(e, t + 2, 2, NM);
    for (; t >= 1; --t) e[t] = step(w[t], w1, w2, e1, e2);
  }

  // Back-forecasts before t = 1; the MA terms reach back only to -maxlag.
  int t0 = P.t0;
  {
    double w1 = next(w, 1, 1, NA), w2 = next(w, 2, 2, NA);
    bool done = false;
    int t = 0;
    for (; t >= -maxlag && t >= maxlag - kOrigin; --t) {
      const double sma = lag_sum<NM>(t1, t2, next(e, t + 1, 1, NM), next(e, t + 2, 2, NM));
      const double v = lag_sum<NA>(p1, p2, w1, w2) - sma;
      w[t] = v;
      w2 = w1;
      w1 = v;
      t0 = t;
      if (std::fabs(v) < kBackTol) {
        done = true;
        break;
      }
    }
    // Beyond the MA terms the general loops subtract a zero sum, which
    // changes no value: the pure AR recursion.
    for (; !done && t >= maxlag - kOrigin; --t) {
      const double v = lag_sum<NA>(p1, p2, w1, w2);
      w[t] = v;
      w2 = w1;
      w1 = v;
      t0 = t;
      if (std::fabs(v) < kBackTol) break;
    }
  }
  P.t0 = t0;

  // The values read below the origin that no call of this fit wrote.
  ReadLog& log = b.log;
  for (int t = t0 - 1; t >= t0 - 2; --t) {
    if (t >= log.low) continue;
    const int lag = t0 - t;
    if (lag <= NA) log.reads.push_back({false, t, w[t]});
    if (lag <= NM) log.reads.push_back({true, t, a[t]});
  }
  log.low = std::min(log.low, t0);

  // Forward residuals from the origin; those from t = 1 on are kept.
  double S = 0.0;
  double* const res = b.d.res.data();
  double w1 = next(w, t0 - 1, 1, NA), w2 = next(w, t0 - 2, 2, NA);
  double a1 = next(a, t0 - 1, 1, NM), a2 = next(a, t0 - 2, 2, NM);
  int t = t0;
  for (; t <= 0; ++t) a[t] = step(w[t], w1, w2, a1, a2);
  for (; t <= n; ++t) {
    const double v = step(w[t], w1, w2, a1, a2);
    a[t] = v;
    res[t - 1] = v;
    S += v * v;
  }
  return S;
}

// True when the lags in use are exactly 1..max on each side, max <= 2.
bool short_lags(const Orders& P) {
  if (P.max_ar > 2 || P.max_ma > 2) return false;
  for (int K = 1; K <= P.max_ar; ++K)
    if (P.ar_flag[K] != K) return false;
  for (int K = 1; K <= P.max_ma; ++K)
    if (P.ma_flag[K] != K) return false;
  return true;
}

using Recursions = double (*)(Blocks&, int);

Recursions short_recursions(int NA, int NM) {
  static constexpr Recursions kTable[3][3] = {
      {recursions_short<0, 0>, recursions_short<0, 1>, recursions_short<0, 2>},
      {recursions_short<1, 0>, recursions_short<1, 1>, recursions_short<1, 2>},
      {recursions_short<2, 0>, recursions_short<2, 1>, recursions_short<2, 2>}};
  return kTable[NA][NM];
}

ObjectiveStatus objective(int k, const double* x, double& f, Blocks& b, bool specialise) {
  Orders& P = b.p;
  Coefficients& V = b.v;
  const int np = P.np;
  const int mq = P.mq;
  const int n = P.n;

  // Working list: the mapped unknowns, later the joined coefficients (room
  // for 20 lags on each side). Only R[0..8], which the region mapping of up
  // to 4 + 4 unknowns may read before it writes, needs a value; the rest is
  // written before it is read. (Clearing whole arrays on every call of the
  // search costs more than the model's arithmetic for short records.)
  std::array<double, 2 * kMaxLag + 1> R;
  std::fill(R.begin(), R.begin() + 9, 0.0);
  // The coefficients and flags hold what the last call wrote, up to its
  // largest lags; everything above is still zero.
  clear_to(V.phi, P.ar_flag, P.max_ar);
  clear_to(V.theta, P.ma_flag, P.max_ma);
  std::array<Term, 8> arT;
  std::array<Term, 8> maT;

  // Unknowns into the stationarity (AR) and invertibility (MA) regions.
  to_region(np, x, R.data());
  to_region(mq, x + np, R.data() + np);

  product_terms(np, R.data(), P.ar_lags, arT);
  product_terms(mq, R.data() + np, P.ma_lags, maT);

  P.max_ar = 0;
  P.max_ma = 0;
  if (np >= 1) accumulate(arT, terms_of(np), V.phi, P.ar_flag, P.max_ar);
  if (mq >= 1) accumulate(maT, terms_of(mq), V.theta, P.ma_flag, P.max_ma);
  const int max_ar = P.max_ar;
  const int max_ma = P.max_ma;

  // Lag check.
  const int lagAR = np == 0 ? 0 : (max_ar > kMaxLag ? max_ar : P.ar_flag[max_ar]);
  const int lagMA = mq == 0 ? 0 : (max_ma > kMaxLag ? max_ma : P.ma_flag[max_ma]);
  const int maxlag = std::max(lagAR, lagMA);
  if (maxlag > kMaxLag || maxlag >= n) {
    P.lag_refused = true;
    P.refusal = {maxlag, lagAR, lagMA, np, mq};
    f = 0.0;
    return ObjectiveStatus::lag_too_big;
  }

  const double S = specialise && short_lags(P) ? short_recursions(max_ar, max_ma)(b, maxlag)
                                               : recursions_general(b, maxlag);

  const double dn = n;
  f = dn * std::log(S / dn) + static_cast<double>(n * (n + k)) / (n - k - 2.0);

  // Joined coefficient list for the determinant term.
  for (int i = 1; i <= max_ar; ++i) R[i] = V.phi[i];
  for (int i = 1; i <= max_ma; ++i) R[max_ar + i] = V.theta[i];

  b.d.determinant = 0.0;
  if (maxlag <= 4) {
    b.d.determinant = dmac(R.data() + 1, max_ar, max_ma);
    if (b.d.determinant > 0.0) f = f + b.d.determinant;
  }
  return ObjectiveStatus::ok;
}

}  // namespace

ObjectiveStatus funct(int k, const double* x, double& f, Blocks& b) {
  return objective(k, x, f, b, true);
}

ObjectiveStatus funct_general(int k, const double* x, double& f, Blocks& b) {
  return objective(k, x, f, b, false);
}

}  // namespace arma
