// Trend and change in the annual flows: the Mann-Kendall test, Sen's slope
// and Pettitt's change-point test, on all N flows in year order.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "findings/parts.hpp"

namespace findings {

namespace {

// Puts at each 0-based position of ks[0..count) the value that sorting
// [lo, hi) would put there, by nested selection: linear time in all, where
// sorting the n (n - 1) / 2 slopes of a long record would dominate the whole
// analysis. ks ascending, inside [lo, hi).
void select_ranks(std::vector<double>& d, std::size_t lo, std::size_t hi, const std::size_t* ks,
                  std::size_t count) {
  if (count == 0 || hi - lo < 2) return;
  const std::size_t mid = count / 2;
  const std::size_t k = ks[mid];
  const auto at = [&d](std::size_t i) { return d.begin() + static_cast<std::ptrdiff_t>(i); };
  std::nth_element(at(lo), at(k), at(hi));
  select_ranks(d, lo, k, ks, mid);
  std::size_t right = mid + 1;
  while (right < count && ks[right] == k) ++right;
  select_ranks(d, k + 1, hi, ks + right, count - right);
}

// The slope of the flows between years i < j. The distance goes to double
// through a signed integer: the same value, in one instruction where an
// unsigned one takes several (half a million slopes for a 1000-year record).
double slope(std::span<const double> x, std::size_t i, std::size_t j) {
  return (x[j] - x[i]) / static_cast<double>(static_cast<std::ptrdiff_t>(j - i));
}

// Calls f(slope) for every slope, i < j, in the order i then j.
template <class F>
void each_slope(std::span<const double> x, F&& f) {
  const std::size_t n = x.size();
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) f(slope(x, i, j));
}

// Calls f(slope) for the slopes at positions 0, stride, 2 stride, ... of
// that order.
template <class F>
void each_sampled_slope(std::span<const double> x, std::size_t stride, F&& f) {
  const std::size_t n = x.size();
  std::size_t start = 0;  // the position of the slope (i, i + 1)
  std::size_t next = 0;   // the next position sampled
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const std::size_t end = start + (n - 1 - i);
    for (; next < end; next += stride) f(slope(x, i, i + 1 + (next - start)));
    start = end;
  }
}

// Of the m sorted slopes, the values at the positions wanted.
struct RankedSlopes {
  std::size_t m = 0;
  std::vector<std::size_t> positions;  // ascending, distinct
  std::vector<double> values;          // in the order of positions

  double at(std::size_t k) const {
    return values[static_cast<std::size_t>(std::lower_bound(positions.begin(), positions.end(), k) -
                                           positions.begin())];
  }
};

// The values that sorting all the slopes would put at the positions ks
// (ascending, distinct, inside the n (n - 1) / 2 slopes). A long record has
// half a million slopes and more: instead of storing and selecting them all,
// the values of a regular sample of them give bounds that should hold every
// rank wanted between them, one pass counts the slopes below the band and
// keeps those inside it, and the selection runs in the band alone. When the
// bounds miss a rank the band is widened, at worst to all the slopes, so the
// result is always that of a selection among all of them.
RankedSlopes rank_slopes(std::span<const double> x, std::vector<std::size_t> ks) {
  constexpr std::size_t kBandFrom = std::size_t{1} << 14;  // fewer slopes: select among all
  constexpr std::size_t kSample = 2048;                    // slopes sampled to set the bounds
  constexpr std::size_t kMargin = 64;                      // sample places beyond the ranks
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::size_t n = x.size();
  RankedSlopes r;
  r.m = n * (n - 1) / 2;
  r.positions = std::move(ks);
  // The wanted ranks among d, which holds the slopes from rank `offset` on.
  const auto select_in = [&r](std::vector<double>& d, std::size_t offset) {
    std::vector<std::size_t> local(r.positions);
    for (std::size_t& k : local) k -= offset;
    select_ranks(d, 0, d.size(), local.data(), local.size());
    for (const std::size_t k : local) r.values.push_back(d[k]);
  };
  std::vector<double> d;
  if (r.m >= kBandFrom && !r.positions.empty()) {
    std::vector<double> kept(n);  // one row's slopes, those in the band first
    const std::size_t stride = r.m / kSample;
    std::vector<double> sample;
    each_sampled_slope(x, stride, [&sample](double v) { sample.push_back(v); });
    std::sort(sample.begin(), sample.end());
    const std::size_t last = sample.size() - 1;
    const std::size_t first_place = r.positions.front() / stride;
    const std::size_t last_place = r.positions.back() / stride;
    for (std::size_t margin = kMargin; first_place > margin || last_place + margin < last;
         margin *= 4) {
      const double lo = first_place > margin ? sample[first_place - margin] : -kInf;
      const double hi = last_place + margin < last ? sample[last_place + margin] : kInf;
      std::size_t below = 0;
      d.clear();
      // Row by row, without a branch per slope: each slope is written just
      // after the row's slopes kept so far, and the count moves past it only
      // when it lies in the band.
      for (std::size_t i = 0; i + 1 < n; ++i) {
        std::size_t count = 0;
        for (std::size_t j = i + 1; j < n; ++j) {
          const double v = slope(x, i, j);
          below += v < lo ? 1 : 0;
          kept[count] = v;
          count += static_cast<std::size_t>((v >= lo) & (v <= hi));
        }
        d.insert(d.end(), kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(count));
      }
      if (below <= r.positions.front() && r.positions.back() < below + d.size()) {
        select_in(d, below);
        return r;
      }
    }
  }
  d.clear();
  d.reserve(r.m);
  each_slope(x, [&d](double v) { d.push_back(v); });
  select_in(d, 0);
  return r;
}

// The value at 1-based fractional rank `rank` of the sorted slopes, linearly
// interpolated; r must hold the positions rank_positions gives.
double at_rank(const RankedSlopes& r, double rank) {
  const double i = rank - 1.0;
  const std::size_t lo = static_cast<std::size_t>(std::floor(i));
  if (lo + 1 >= r.m) return r.at(lo);
  return r.at(lo) + (i - static_cast<double>(lo)) * (r.at(lo + 1) - r.at(lo));
}

// The positions at_rank reads.
void rank_positions(double rank, std::size_t size, std::vector<std::size_t>& ks) {
  const std::size_t lo = static_cast<std::size_t>(std::floor(rank - 1.0));
  ks.push_back(lo);
  if (lo + 1 < size) ks.push_back(lo + 1);
}

}  // namespace

MannKendall mann_kendall(std::span<const double> x) {
  MannKendall mk;
  const std::size_t n = x.size();
  mk.n = static_cast<int>(n);
  std::vector<double> sorted(x.begin(), x.end());
  std::sort(sorted.begin(), sorted.end());

  // S = sum over i < j of sign(x_j - x_i): year by year, the count of earlier
  // flows below x_j less the count above it. The earlier flows are counted
  // by their rank among the sorted flows in a Fenwick tree, so a long record
  // takes n log n steps instead of n (n - 1) / 2. Tied flows share the rank of
  // the first of them.
  std::vector<long long> tree(n + 1, 0);
  const auto count_below = [&tree](std::size_t rank) {  // earlier flows of rank < rank
    long long c = 0;
    for (std::size_t i = rank; i > 0; i &= i - 1) c += tree[i];
    return c;
  };
  long long S = 0;
  for (std::size_t j = 0; j < n; ++j) {
    const auto first = std::lower_bound(sorted.begin(), sorted.end(), x[j]);
    const auto rank = static_cast<std::size_t>(first - sorted.begin());
    const long long below = count_below(rank);
    const long long above = static_cast<long long>(j) - count_below(rank + 1);
    S += below - above;
    for (std::size_t i = rank + 1; i <= n; i += i & (~i + 1)) ++tree[i];
  }
  mk.S = static_cast<double>(S);

  // Var(S) = [n(n-1)(2n+5) - sum over groups of t tied flows of t(t-1)(2t+5)] / 18.
  const auto term = [](double t) { return t * (t - 1.0) * (2.0 * t + 5.0); };
  double ties = 0.0;
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i;
    while (j < n && sorted[j] == sorted[i]) ++j;
    ties += term(static_cast<double>(j - i));
    i = j;
  }
  mk.variance = (term(static_cast<double>(n)) - ties) / 18.0;
  if (n < 2) {
    mk.note = "fewer than 2 years";
    return mk;
  }
  if (!(mk.variance > 0.0)) {
    mk.note = "every flow is the same: S has no variance";
    return mk;
  }
  // Continuity correction: S moves one step toward 0.
  const double s = mk.S > 0.0 ? mk.S - 1.0 : (mk.S < 0.0 ? mk.S + 1.0 : 0.0);
  mk.Z = s / std::sqrt(mk.variance);
  mk.p = std::min(1.0, 2.0 * normal_upper(std::fabs(mk.Z)));
  return mk;
}

SenSlope sen_slope(std::span<const double> x, double variance) {
  SenSlope sen;
  const std::size_t n = x.size();
  if (n < 2) {
    sen.note = "fewer than 2 years";
    sen.interval_note = sen.note;
    return sen;
  }
  const std::size_t m = n * (n - 1) / 2;

  // The rank-based interval: C = z(0.95) sqrt(Var S); the bounds are the
  // slopes of ranks (m - C) / 2 and (m + C) / 2 + 1.
  if (!(variance > 0.0)) sen.interval_note = "every flow is the same: S has no variance";
  const double C = normal_quantile(0.5 + kBoundLevel / 2.0) * std::sqrt(variance);
  const double M1 = (static_cast<double>(m) - C) / 2.0;
  const double M2 = (static_cast<double>(m) + C) / 2.0 + 1.0;
  const bool interval = variance > 0.0 && M1 >= 1.0 && M2 <= static_cast<double>(m);
  if (variance > 0.0 && !interval) sen.interval_note = "too few years for a 90 % interval";

  // Only the order statistics that are read are put in place.
  std::vector<std::size_t> ks;
  if (m % 2 == 0) ks.push_back(m / 2 - 1);
  ks.push_back(m / 2);
  if (interval) {
    rank_positions(M1, m, ks);
    rank_positions(M2, m, ks);
  }
  std::sort(ks.begin(), ks.end());
  ks.erase(std::unique(ks.begin(), ks.end()), ks.end());
  const RankedSlopes r = rank_slopes(x, std::move(ks));

  sen.slope = m % 2 == 1 ? r.at(m / 2) : 0.5 * (r.at(m / 2 - 1) + r.at(m / 2));
  if (interval) {
    sen.lower = at_rank(r, M1);
    sen.upper = at_rank(r, M2);
  }
  return sen;
}

Pettitt pettitt(std::span<const double> x, int first_year) {
  Pettitt pt;
  const std::size_t n = x.size();
  if (n < 2) {
    pt.note = "fewer than 2 years";
    return pt;
  }
  // U_t = sum over i <= t < j of sign(x_i - x_j), built year by year:
  // U_t = U_{t-1} + sum over all j of sign(x_t - x_j). That sum is the count
  // of flows below x_t less the count above it, read from the sorted flows.
  std::vector<double> sorted(x.begin(), x.end());
  std::sort(sorted.begin(), sorted.end());
  long long U = 0;
  long long K = 0;
  std::size_t at = 0;  // the last year (0-based) of the first segment
  for (std::size_t t = 0; t + 1 < n; ++t) {
    const auto [first, past] = std::equal_range(sorted.begin(), sorted.end(), x[t]);
    const long long below = first - sorted.begin();
    const long long above = sorted.end() - past;
    U += below - above;
    const long long a = U < 0 ? -U : U;
    if (a > K) {
      K = a;
      at = t;
    }
  }
  pt.K = static_cast<double>(K);
  const double dn = static_cast<double>(n);
  pt.p = std::min(1.0, 2.0 * std::exp(-6.0 * pt.K * pt.K / (dn * dn * dn + dn * dn)));
  if (K == 0) {
    pt.note = "no change: every split of the record is balanced";
    return pt;
  }
  pt.last_year_before = first_year + static_cast<int>(at);
  pt.first_year_after = pt.last_year_before + 1;
  double before = 0.0, after = 0.0;
  for (std::size_t i = 0; i < n; ++i) (i <= at ? before : after) += x[i];
  pt.mean_before = before / static_cast<double>(at + 1);
  pt.mean_after = after / static_cast<double>(n - at - 1);
  return pt;
}

}  // namespace findings
