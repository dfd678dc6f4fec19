// The storage that the ARMA fit, its objective and the deficit-run
// diagnostics share while one gauge is analysed.
//
// Every block is a plain struct owned by the caller. A gauge starts with all
// of them zeroed (value-initialised), so its results never depend on the
// gauges analysed before it; within one gauge they carry over from fit to fit
// (the back-forecast origin t0, and the values of the WorkArrays arrays below the
// range that is cleared before each fit). The blocks are large (the work
// arrays alone are 3 x 2001 doubles): allocate them once, e.g. with
// std::make_unique<Blocks>(), never on a small stack.
#pragma once

#include <array>
#include <climits>
#include <vector>

namespace arma {

constexpr int kMaxLag = 20;    // largest lag of an expanded coefficient
constexpr int kMaxN = 1000;    // longest series
constexpr int kOrigin = 1000;  // offset of t = 0 in the work arrays
constexpr int kSamples = 42;   // observed flows + 41 synthetic series
constexpr int kLevels = 3;     // demand levels 0.5, 0.7, 0.9 of the mean flow

// What the lag check refused: the largest lag, the AR and MA lags it came
// from, and the orders of the model.
struct LagRefusal {
  int lag = 0, ar_lag = 0, ma_lag = 0, np = 0, mq = 0;
};

// Orders, lags and lag flags of the model being fitted.
struct Orders {
  int np = 0;                              // number of AR parameters, 0..4
  int mq = 0;                              // number of MA parameters, 0..4
  int n = 0;                               // series length
  std::array<int, 4> ar_lags{};            // AR lags (0: term absent)
  std::array<int, 4> ma_lags{};            // MA lags (0: term absent)
  int t0 = 0;                              // origin of the last back-forecast
  std::array<int, kMaxLag + 1> ar_flag{};  // [K] = K when phi(K) exists, else 0
  std::array<int, kMaxLag + 1> ma_flag{};  // [K] = K when theta(K) exists, else 0
  int max_ar = 0;                          // largest AR lag in use
  int max_ma = 0;                          // largest MA lag in use
  bool lag_refused = false;                // the lag check has refused the model
  LagRefusal refusal;                      // and what it refused
};

// Expanded AR and MA coefficients, indexed by lag (index 0 unused).
struct Coefficients {
  std::array<double, kMaxLag + 1> phi{}, theta{};
};

// Forward residuals a, backward residuals e and the series w with its
// back-forecasts, for t = -1000..1000 at index t + kOrigin.
struct WorkArrays {
  std::array<double, 2 * kOrigin + 1> a{}, e{}, w{};
};

// Deficit table: for each sample (0 the observed flows, 1..41 the synthetic
// series) and each demand level, the largest deficit (0 when there is none).
// The distance reads nothing else, so nothing else is kept.
using DeficitTable = std::array<std::array<double, kLevels>, kSamples>;

struct FitData {
  std::array<double, kMaxN> x{};    // the series being fitted
  std::array<double, kMaxN> res{};  // residuals of the last objective call
  double determinant = 0.0;         // determinant term of the last call
  double sa = 0.0;                  // printed in every minimiser record
  int init = 0;                     // reset before every fit
  DeficitTable def{};               // largest deficits of the last diagnostic run
};

// Seeds of the uniform generator.
struct Seeds {
  int ix = 0, iy = 0, iz = 0;
};

// A value that one fit read from a WorkArrays array where no call of that fit had
// written: the forward residuals and the series just below a back-forecast
// origin. These reads are the only way the values that earlier fits left in
// the arrays enter a fit; the positions from 1 on are cleared or set from the
// data when a fit starts.
struct StaleRead {
  bool forward = false;  // a (true) or w (false)
  int t = 0;
  double value = 0.0;
};

// The reads above, for the fit in progress.
struct ReadLog {
  int low = INT_MAX;             // the lowest back-forecast origin of the fit so far
  bool complete = true;          // false once a call ran the general recursions
  std::vector<StaleRead> reads;  // in the order read
};

struct Blocks {
  Orders p{};
  Coefficients v{};
  WorkArrays w{};
  FitData d{};
  Seeds s{};
  ReadLog log{};
};

// Element t (-1000..1000) of a work array.
inline double& at(std::array<double, 2 * kOrigin + 1>& v, int t) {
  return v[t + kOrigin];
}
inline double at(const std::array<double, 2 * kOrigin + 1>& v, int t) {
  return v[t + kOrigin];
}

}  // namespace arma
