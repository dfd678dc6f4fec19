#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>

#include "format/format.hpp"
#include "results/result.hpp"
#include "stats/moments.hpp"

namespace results {

namespace {

Moments moments_of(std::span<const double> x) {
  Moments m;
  m.mean = stats::xmean(x);
  m.sd = stats::stdev(x, m.mean);
  m.skewness = stats::skew(x, m.mean, m.sd);
  m.excess = stats::excess(x, m.mean, m.sd);
  return m;
}

// The transform, the ranked flows, the moments and the normality tests.
void marginal(GaugeResult& r, const std::vector<double>& positive) {
  const Record& rec = r.record;
  r.normalisation = normalize::normalise(positive, rec.nz);
  const normalize::FittedDistribution& fitted = r.normalisation.fitted;
  r.z = r.normalisation.z;

  std::vector<double> x = positive, z = r.z;
  stats::ssort(x);
  stats::ssort(z);
  const int n = rec.npos;
  r.ranked.resize(n);
  for (int i = 0; i < n; ++i) {
    RankedFlow& row = r.ranked[i];
    row.p = (i + 1.0) / (n + 1.0);
    row.flow = x[i];
    row.normalised = z[i];
    row.normal_score = stats::xnorm(row.p);
    row.fitted = fitted.from_normal(row.normal_score);
  }

  // The moments and tests are taken on the sorted series.
  r.raw = moments_of(x);
  r.normalised = moments_of(z);
  r.skew_limit = 1.96 * std::sqrt(6.0 / n);
  r.excess_limit = 1.96 * std::sqrt(24.0 / n);
  r.chi_flows = stats::chi_square_test(x, r.raw.mean, r.raw.sd, 0);
  // The normalised flows lose one more degree of freedom to the fit.
  r.chi_normalised = stats::chi_square_test(z, r.normalised.mean, r.normalised.sd, 1);
}

// The correlogram of the normalised series, the ARMA identification, the
// residual correlogram and the level crossings.
void correlation(GaugeResult& r, const std::vector<double>& positive) {
  const int n = r.record.npos;
  r.correlogram = stats::correlogram(r.z, 0);

  // The observed flows in year order, from which the deficit distance is
  // measured.
  auto flows = std::make_unique<normalize::cfunsb4>();
  std::copy(positive.begin(), positive.end(), flows->x.begin());
  flows->n = n;
  auto blocks = std::make_unique<arma::Blocks>();
  r.arma = arma::identify(r.z, r.record.name20, *blocks, *flows, r.normalisation.fitted);
  if (!r.arma.ok()) {
    r.extent = Extent::kLagRefused;
    return;
  }
  r.extent = Extent::kComplete;
  r.p = r.arma.p;
  r.q = r.arma.q;
  r.phi = r.arma.phi;
  r.theta = r.arma.theta;
  r.score = r.arma.min_score;
  r.residual_correlogram = stats::correlogram(r.arma.residuals, r.p + r.q);

  const auto levels = stats::crossing_levels();
  stats::cross(r.z, levels, 1, 6, r.crossings);
  stats::cross(r.z, levels, 7, 12, r.crossings);
}

}  // namespace

std::string refusal_text(const arma::LagRefusal& r) {
  std::ostringstream os;
  format::Writer w(os);
  w.list("lag = ", r.lag, " index = ", r.ar_lag, " jndex = ", r.ma_lag);
  w.list("np = ", r.np, " mq = ", r.mq);
  w.list("*** lag is too big : reduce np and/or mq ***");
  return os.str();
}

Record record_of(const flowfile::FlowRead& read, const std::string& name20) {
  Record rec;
  rec.name = name20.substr(0, name20.find(' '));
  rec.name20 = name20;
  rec.first_year = read.record.first_year;
  rec.flows = read.record.annual();
  rec.N = static_cast<int>(rec.flows.size());
  rec.notes = read.notes.notes;
  rec.ended_at_line = read.notes.unreadable_record;
  rec.blank_years = read.notes.blank_years;
  return rec;
}

GaugeResult analyse(Record record) {
  GaugeResult r;
  r.record = std::move(record);
  Record& rec = r.record;
  if (rec.N > static_cast<int>(rec.flows.size())) rec.N = static_cast<int>(rec.flows.size());
  rec.flows.resize(rec.N);

  // Zero flows are set apart; the analysis works on the positive flows.
  std::vector<double> positive;
  rec.nz = 0;
  for (const double v : rec.flows) {
    if (v < kZeroFlow)
      ++rec.nz;
    else
      positive.push_back(v);
  }
  rec.npos = static_cast<int>(positive.size());
  rec.zero_fraction = rec.nz > 0 ? static_cast<double>(rec.nz) / rec.N : 0.0;
  const double n = rec.npos;
  r.white_noise = n * n / (n - 2.0);
  r.score = r.white_noise;

  // A transform needs positive flows that are not all equal.
  if (rec.npos > 0) {
    r.raw.mean = stats::xmean(positive);
    r.raw.sd = stats::stdev(positive, r.raw.mean);
  }
  if (r.raw.sd > 0.0) {
    r.extent = Extent::kMarginal;
    marginal(r, positive);
    if (rec.npos >= 3 && rec.nz == 0) correlation(r, positive);
  }

  // With zero flows the year file carries the moments of all N flows, zeros
  // included.
  r.all_mean = r.raw.mean;
  r.all_sd = r.raw.sd;
  if (rec.nz > 0) {
    r.all_mean = stats::xmean(rec.flows);
    r.all_sd = stats::stdev(rec.flows, r.all_mean);
  }
  return r;
}

}  // namespace results
