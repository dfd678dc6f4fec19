// The two side files that other tools read.
#include <algorithm>
#include <array>
#include <sstream>
#include <vector>

#include "driver/texts.hpp"

namespace driver {

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
  std::ostringstream os;
  format::Writer y(os);
  const results::Record& rec = r.record;
  const int N = rec.N;
  const int n = rec.npos;
  // The base name.
  y.write("(A)", rec.name20);

  // The length and first year, then the last two residuals and normalised
  // flows, newest first, from which a generator can carry the series on.
  auto last = [n](const std::vector<double>& v, int back) {
    const int i = n - 1 - back;
    return i >= 0 && i < static_cast<int>(v.size()) ? v[i] : 0.0;
  };
  const std::vector<double> none;
  const std::vector<double>& res = r.correlated() ? r.arma.residuals : none;
  y.write("(2I5 4F18.7)", N, rec.first_year, last(res, 0), last(r.z, 0), last(res, 1),
          last(r.z, 1));

  // The transform.
  const normalize::Transform& t = r.normalisation.t;
  y.write("(I2 1X 4F20.7)", r.family, t.GAMMA, t.DELTA, t.XLAM, t.XI);

  // The mean and sd of the normalised flows, the ARMA coefficients and the
  // zero flows.
  y.write("(7F12.5 I4 F12.5)", r.normalisation.mean, r.normalisation.sd, r.phi[0], r.phi[1],
          r.theta[0], r.theta[1], rec.zero_fraction, rec.nz);

  // The flows by decade: slot j holds the flow of the year 1900 + j, a line
  // holds ten slots (1901-1910, 1911-1920, ...), up to the decade of the last
  // year and at least ten lines. Years outside 1901-2900 have no slot.
  constexpr int kSlots = 1000;
  std::array<double, kSlots> slots{};
  for (int i = 0; i < N; ++i) {
    const int j = rec.first_year + i - 1900;
    if (j >= 1 && j <= kSlots) slots[j - 1] = rec.flows[i];
  }
  const int span = rec.first_year - 1902 + N;
  const int decades = (span >= 0 ? span / 10 : -((-span + 9) / 10)) + 1;
  const int m = std::min(std::max(decades, 10), kSlots / 10);
  std::vector<format::Item> items;
  items.reserve(static_cast<std::size_t>(m) * 10);
  for (int j = 0; j < m * 10; ++j) items.emplace_back(slots[j]);
  y.write_items("(10F10.2)", items);

  // The mean and sd of all flows, the score of the chosen ARMA model and
  // that of white noise, n^2/(n-2).
  if (n >= 3) {
    y.write("(7F12.5 I4 F12.5)", r.all_mean, r.all_sd, r.score, r.white_noise);
  } else {
    // n^2/(n-2) is not defined below 3 flows.
    y.write("(2F12.5 2A12)", r.all_mean, r.all_sd, "N/A", "N/A");
  }
  return os.str();
}

}  // namespace driver
