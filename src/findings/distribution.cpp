// The fitted distribution of the annual flows: exact probabilities, the
// return-period flows and their parametric bootstrap.
#include <algorithm>
#include <bit>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <string>
#include <vector>

#include "findings/parts.hpp"
#include "normalize/normaliz.hpp"
#include "stats/moments.hpp"
#include "stats/random_stream.hpp"

namespace findings {

namespace {

namespace policies = boost::math::policies;
// No exceptions and no errno: an argument outside the domain gives NaN, an
// overflow an infinity, which the callers test. Doubles are computed in
// double (the default would go through long double for a digit or two
// nobody reads, at several times the cost).
using Policy = policies::policy<
    policies::domain_error<policies::ignore_error>, policies::pole_error<policies::ignore_error>,
    policies::overflow_error<policies::ignore_error>,
    policies::underflow_error<policies::ignore_error>,
    policies::evaluation_error<policies::ignore_error>, policies::promote_double<false>>;
using Normal = boost::math::normal_distribution<double, Policy>;

// FNV-1a, 64 bits.
struct Hash {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  void byte(unsigned char c) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  void word(std::uint64_t w) {
    for (int i = 0; i < 8; ++i) byte(static_cast<unsigned char>(w >> (8 * i)));
  }
};

}  // namespace

double normal_quantile(double p) {
  return normalize::standard_normal_quantile(p);
}

double normal_upper(double z) {
  if (std::isnan(z)) return kMissing;
  return boost::math::cdf(boost::math::complement(Normal(), z));
}

double chi_square_upper(double x, double df) {
  if (!(df > 0.0) || !(x >= 0.0)) return kMissing;
  return boost::math::gamma_q(df / 2.0, x / 2.0, Policy());
}

std::uint64_t gauge_seed(std::uint64_t seed, const results::Record& record) {
  Hash h;
  for (const char c : record.name) h.byte(static_cast<unsigned char>(c));
  h.word(static_cast<std::uint64_t>(static_cast<std::int64_t>(record.first_year)));
  h.word(record.flows.size());
  for (const double v : record.flows) h.word(std::bit_cast<std::uint64_t>(v));
  std::uint64_t s = seed;
  return h.h ^ stats::splitmix64(s);
}

namespace {

// A refit that the choice could use: no fault, a usable criterion, finite
// parameters and a positive scale.
bool usable(const normalize::Candidate& c) {
  return c.fault == normalize::CandidateFault::kNone && std::isfinite(c.CR) &&
         c.CR < normalize::kUnusable && std::isfinite(c.GAMMA) && std::isfinite(c.DELTA) &&
         std::isfinite(c.XLAM) && std::isfinite(c.XI) && c.DELTA > 0.0 && c.XLAM > 0.0;
}

// Samples of the record's size from the fitted mixed distribution, the
// chosen model refitted to each by the rules of the choice, and the 5 % and
// 95 % percentiles of each return-period flow over the usable refits.
void bootstrap(const results::GaugeResult& r, const Options& o, ReturnPeriods& rp) {
  rp.samples = std::max(o.bootstrap, 0);
  if (rp.samples == 0) {
    rp.bounds_note = "the bootstrap is turned off (0 samples)";
    return;
  }
  const normalize::FittedDistribution& t = r.normalisation.fitted;
  const double f0 = t.zero_share;
  const int N = r.record.N;
  const std::size_t periods = kReturnPeriods.size();
  std::vector<std::vector<double>> dry(periods), wet(periods);
  for (std::size_t k = 0; k < periods; ++k) {
    dry[k].reserve(rp.samples);
    wet[k].reserve(rp.samples);
  }
  std::vector<double> positive;
  positive.reserve(N);
  std::vector<double> d(periods), w(periods);
  stats::RandomStream stream = stats::RandomStream::from_seed(gauge_seed(o.seed, r.record));
  for (int b = 0; b < rp.samples; ++b) {
    positive.clear();
    int nz = 0;
    for (int i = 0; i < N; ++i) {
      const double u = stream.uniform_open();
      if (u < f0) {
        ++nz;
        continue;
      }
      const double z = normal_quantile((u - f0) / (1.0 - f0));
      const double x = t.from_normal(z);
      // The same split as the analysis makes: a flow below kZeroFlow is a zero.
      if (x >= results::kZeroFlow)
        positive.push_back(x);
      else
        ++nz;
    }
    const normalize::Candidate c = normalize::refit_model(t.itype(), positive, nz);
    bool ok = usable(c);
    if (ok) {
      const normalize::FittedDistribution tb{t.model, c.GAMMA, c.DELTA,
                                             c.XLAM,  c.XI,    static_cast<double>(nz) / N};
      for (std::size_t k = 0; k < periods && ok; ++k) {
        const double q = 1.0 / kReturnPeriods[k];
        d[k] = tb.quantile(q);
        w[k] = tb.exceeded(q);
        ok = std::isfinite(d[k]) && std::isfinite(w[k]);
      }
    }
    if (!ok) {
      ++rp.failed;
      continue;
    }
    ++rp.refitted;
    for (std::size_t k = 0; k < periods; ++k) {
      dry[k].push_back(d[k]);
      wet[k].push_back(w[k]);
    }
  }
  // Percentiles of a handful of refits, or of a minority, say little.
  if (rp.refitted < 10 || 2 * rp.refitted < rp.samples) {
    rp.bounds_note = "only " + std::to_string(rp.refitted) + " of " + std::to_string(rp.samples) +
                     " bootstrap samples could be refitted: too few for bounds";
    return;
  }
  const double tail = (1.0 - kBoundLevel) / 2.0;
  for (std::size_t k = 0; k < periods; ++k) {
    std::sort(dry[k].begin(), dry[k].end());
    std::sort(wet[k].begin(), wet[k].end());
    ReturnPeriod& p = rp.periods[k];
    p.dry.lower = stats::quantile_sorted(dry[k], tail);
    p.dry.upper = stats::quantile_sorted(dry[k], 1.0 - tail);
    p.wet.lower = stats::quantile_sorted(wet[k], tail);
    p.wet.upper = stats::quantile_sorted(wet[k], 1.0 - tail);
  }
}

}  // namespace

ReturnPeriods return_periods(const results::GaugeResult& r, const Options& o) {
  ReturnPeriods rp;
  rp.samples = std::max(o.bootstrap, 0);
  if (!r.transformed()) {
    rp.note = r.record.npos == 0 ? "there is no positive flow: no distribution was fitted"
                                 : "the positive flows are all equal: no distribution was fitted";
    return rp;
  }
  const normalize::FittedDistribution& t = r.normalisation.fitted;
  rp.available = true;
  rp.ITYPE = t.itype();
  rp.zero_probability = t.zero_share;
  for (const int T : kReturnPeriods) {
    ReturnPeriod p;
    p.T = T;
    p.dry.flow = t.quantile(1.0 / T);
    p.wet.flow = t.exceeded(1.0 / T);
    rp.periods.push_back(p);
  }
  bootstrap(r, o, rp);
  return rp;
}

}  // namespace findings
