// Trend and change in the annual flows: the Mann-Kendall test, Sen's slope
// and Pettitt's change-point test, on all N flows in year order.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "findings/parts.hpp"

namespace findings {

namespace {

int sign(double d) {
  return d > 0.0 ? 1 : (d < 0.0 ? -1 : 0);
}

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

// Puts at each position of ks (ascending, distinct, inside d) the value that
// sorting d would put there; the other positions are left in any order.
// Long lists (the slopes of a long record) are first narrowed to a band: the
// values of a regular sample of d give bounds that should hold every rank
// wanted between them, one pass counts the values below the band and copies
// those inside it, and the selection runs in the band alone. When the bounds
// miss a rank the band is widened, at worst to the whole list, so the result
// is always that of a selection in d itself.
void place_ranks(std::vector<double>& d, const std::vector<std::size_t>& ks) {
  constexpr std::size_t kBandFrom = std::size_t{1} << 14;  // shorter lists: select in d
  constexpr std::size_t kSample = 2048;                    // values sampled to set the bounds
  constexpr std::size_t kMargin = 64;                      // sample places beyond the ranks
  const std::size_t m = d.size();
  if (ks.empty()) return;
  if (m >= kBandFrom) {
    const std::size_t stride = m / kSample;
    std::vector<double> sample;
    sample.reserve(m / stride + 1);
    for (std::size_t i = 0; i < m; i += stride) sample.push_back(d[i]);
    std::sort(sample.begin(), sample.end());
    const std::size_t last = sample.size() - 1;
    const std::size_t first_place = ks.front() / stride;
    const std::size_t last_place = ks.back() / stride;
    std::unique_ptr<double[]> band(new double[m]);
    for (std::size_t margin = kMargin; first_place > margin || last_place + margin < last;
         margin *= 4) {
      const double lo = first_place > margin ? sample[first_place - margin]
                                             : -std::numeric_limits<double>::infinity();
      const double hi = last_place + margin < last ? sample[last_place + margin]
                                                   : std::numeric_limits<double>::infinity();
      std::size_t below = 0;
      std::size_t inside = 0;
      for (const double v : d) {
        below += v < lo ? 1 : 0;
        band[inside] = v;
        inside += v >= lo && v <= hi ? 1 : 0;
      }
      if (below <= ks.front() && ks.back() < below + inside) {
        std::vector<double> b(band.get(), band.get() + inside);
        std::vector<std::size_t> local(ks);
        for (std::size_t& k : local) k -= below;
        select_ranks(b, 0, inside, local.data(), local.size());
        for (std::size_t i = 0; i < ks.size(); ++i) d[ks[i]] = b[local[i]];
        return;
      }
    }
  }
  select_ranks(d, 0, m, ks.data(), ks.size());
}

// The value at 1-based fractional rank `rank` of the sorted d, linearly
// interpolated; d must have been through place_ranks for the positions
// rank_positions gives.
double at_rank(const std::vector<double>& d, double rank) {
  const double i = rank - 1.0;
  const std::size_t lo = static_cast<std::size_t>(std::floor(i));
  if (lo + 1 >= d.size()) return d[lo];
  return d[lo] + (i - static_cast<double>(lo)) * (d[lo + 1] - d[lo]);
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
  long long S = 0;
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) S += sign(x[j] - x[i]);
  mk.S = static_cast<double>(S);

  // Var(S) = [n(n-1)(2n+5) - sum over groups of t tied flows of t(t-1)(2t+5)] / 18.
  std::vector<double> sorted(x.begin(), x.end());
  std::sort(sorted.begin(), sorted.end());
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
  std::vector<double> d;
  d.reserve(n * (n - 1) / 2);
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) d.push_back((x[j] - x[i]) / static_cast<double>(j - i));
  const std::size_t m = d.size();

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
  place_ranks(d, ks);

  sen.slope = m % 2 == 1 ? d[m / 2] : 0.5 * (d[m / 2 - 1] + d[m / 2]);
  if (interval) {
    sen.lower = at_rank(d, M1);
    sen.upper = at_rank(d, M2);
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
