// What the dialogue shows on the screen while a gauge is analysed.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

#include "answer/answer.hpp"
#include "plots/plots.hpp"

namespace answer {

namespace {

using results::GaugeResult;

const char* model_name(int ITYPE) {
  switch (ITYPE) {
    case normalize::kLN3:
      return " LOGNORMAL (3)      ";
    case normalize::kLN2:
      return " LOGNORMAL (2)      ";
    case normalize::kSB4:
      return " JOHNSON-SB (4)     ";
    case normalize::kSB3:
      return " JOHNSON-SB (3)     ";
    default:
      return "                    ";
  }
}

// Rounds the plot top up at its second significant digit.
double round_plot_top(double M) {
  if (!(M > 0.0) || !std::isfinite(M)) return M;
  const double e = std::trunc(std::log10(M));
  const double s = std::pow(10.0, e - 1.0);
  return (std::trunc(M / s) + 1.0) * s;
}

// The scatter and probability plots of the flows against the fitted
// distribution, at the plotting positions in per cent.
void distribution_plots(const GaugeResult& r, format::Writer& screen) {
  const std::size_t n = r.ranked.size();
  std::vector<double> P(n), FIT(n), XS(n);
  double M = -1e8;
  for (std::size_t i = 0; i < n; ++i) {
    P[i] = 100.0 * r.ranked[i].p;
    XS[i] = r.ranked[i].flow;
    FIT[i] = r.ranked[i].fitted;
    if (XS[i] > M) M = XS[i];
    if (std::isfinite(FIT[i]) && FIT[i] > M) M = FIT[i];
  }
  M = round_plot_top(M);
  const std::string model = model_name(r.normalisation.fitted.itype());
  const std::string sc_title = model + "        EXCEED.PROB.";
  const std::string sc_caption = format::fixed_field(" ANNUAL RUNOFF", 20);
  const std::string pr_title = std::string(10, ' ') + model + std::string(10, ' ') +
                               "                 EXCEEDANCE PROBABILITY ";
  const std::string pr_caption = format::fixed_field(" ANNUAL RUNOFF", 50);
  {
    plots::Plot plot;
    plots::scplot(plot, P, FIT, sc_title, sc_caption, 1, 1, 2, 2, M, 0.0, 100.0, 0.0, screen);
    plots::scplot(plot, P, FIT, " ", " ", 1, 2, 2, 2, M, 0.0, 100.0, 0.0, screen);
    plots::scplot(plot, P, XS, " ", " ", 3, 3, 2, 2, M, 0.0, 100.0, 0.0, screen);
  }
  {
    plots::Plot plot;
    plots::prplot(plot, P, FIT, pr_title, pr_caption, 1, 1, 2, 2, M, 0.0, 100.0, 0.0, screen);
    plots::prplot(plot, P, FIT, " ", " ", 1, 2, 2, 2, M, 0.0, 100.0, 0.0, screen);
    plots::prplot(plot, P, XS, " ", " ", 3, 3, 2, 2, M, 0.0, 100.0, 0.0, screen);
  }
}

void correlogram_plot(const stats::Correlogram& c, format::Writer& screen) {
  plots::plotb(1.0, c.L, std::span<const double>(c.r.data(), c.L),
               std::span<const double>(c.phi.data(), c.L), 0.9999, c.L, screen);
}

}  // namespace

void show_gauge(const GaugeResult& r, format::Screen& screen, bool pause_after_plots) {
  if (!r.transformed()) {
    screen.out.list(" " + r.record.name + ": NO POSITIVE FLOWS WITH A SPREAD TO ANALYSE");
    return;
  }
  show_normalisation(screen, r.normalisation);
  distribution_plots(r, screen.out);
  if (pause_after_plots) screen.pause(" PRESS ENTER TO CONTINUE ");
  if (!r.correlated()) return;
  correlogram_plot(r.correlogram, screen.out);
  show_identification(screen, r.arma);
  if (r.complete()) correlogram_plot(r.residual_correlogram, screen.out);
}

const char* no_arma_reason(const GaugeResult& r) {
  if (!r.transformed()) return "no transform: flows without spread";
  if (r.record.nz > 0) return "zero flows: no ARMA";
  if (r.extent == results::Extent::kLagRefused) return "lag check: no ARMA";
  return "fewer than 3 flows: no ARMA";
}

std::string model_summary(const GaugeResult& r) {
  const int ITYPE = r.normalisation.fitted.itype();
  if (r.complete())
    return "ITYPE " + std::to_string(ITYPE) + "  p " + std::to_string(r.p) + "  q " +
           std::to_string(r.q);
  return "ITYPE " + std::to_string(ITYPE) + "  p -  q -";
}

std::string model_line(const GaugeResult& r) {
  if (!r.transformed()) return "NO TRANSFORM: THE POSITIVE FLOWS HAVE NO SPREAD";
  std::string line =
      std::string("TRANSFORM ") + normalize::model_code(r.normalisation.fitted.itype());
  if (r.complete()) return line + ", ARMA(" + std::to_string(r.p) + "," + std::to_string(r.q) + ")";
  std::string why = no_arma_reason(r);
  for (char& c : why) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return line + ", NO ARMA MODEL (" + why.substr(0, why.find(':')) + ")";
}

}  // namespace answer
