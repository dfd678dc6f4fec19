// The two side files that other tools read.
#include <sstream>
#include <vector>

#include "answer/answer.hpp"
#include "flowfile/year_file.hpp"

namespace answer {

std::string correlogram_file(const results::GaugeResult& r) {
  if (!r.complete()) return "";
  std::ostringstream os;
  format::Writer cw(os);
  const stats::Correlogram& c = r.correlogram;
  cw.write("(F8.3 2I5)", c.c, r.p, r.q);
  for (int k = 0; k < c.L; ++k) cw.write("(I4 2F10.3)", k + 1, c.r[k], c.phi[k]);
  return os.str();
}

std::string year_file(const results::GaugeResult& r) {
  const results::Record& rec = r.record;
  const int n = rec.npos;
  flowfile::YearFile y;
  y.name = rec.name20;
  y.years = rec.N;
  y.first_year = rec.first_year;
  // The last two residuals and normalised flows, newest first.
  auto last = [n](const std::vector<double>& v, int back) {
    const int i = n - 1 - back;
    return i >= 0 && i < static_cast<int>(v.size()) ? v[i] : 0.0;
  };
  const std::vector<double> none;
  const std::vector<double>& res = r.correlated() ? r.arma.residuals : none;
  y.residual_last = last(res, 0);
  y.z_last = last(r.z, 0);
  y.residual_before = last(res, 1);
  y.z_before = last(r.z, 1);
  const normalize::FittedDistribution& t = r.normalisation.fitted;
  y.family = t.family();
  y.GAMMA = t.GAMMA;
  y.DELTA = t.DELTA;
  y.XLAM = t.XLAM;
  y.XI = t.XI;
  y.z_mean = r.normalisation.mean;
  y.z_sd = r.normalisation.sd;
  y.phi = r.phi;
  y.theta = r.theta;
  y.zero_fraction = rec.zero_fraction;
  y.zero_flows = rec.nz;
  y.flows = rec.flows;
  y.mean = r.all_mean;
  y.sd = r.all_sd;
  // n^2/(n-2) is not defined below 3 flows.
  y.has_scores = n >= 3;
  y.score = r.score;
  y.white_noise = r.white_noise;
  return flowfile::year_file_text(y);
}

}  // namespace answer
