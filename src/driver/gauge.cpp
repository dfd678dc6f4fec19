#include "driver/gauge.hpp"

#include <array>
#include <cmath>
#include <memory>
#include <span>
#include <sstream>

#include "arma/arma22.hpp"
#include "driver/cross.hpp"
#include "normalize/normaliz.hpp"
#include "plots/plots.hpp"
#include "stats/chisq.hpp"
#include "stats/corr.hpp"
#include "stats/moments.hpp"

namespace driver {

namespace {

constexpr double kZeroFlow = 1e-5;

// Everything one gauge's analysis works on. Large, so it lives on the heap,
// one per gauge, zeroed at the start.
struct Analysis {
  std::array<double, kMaxYears> X{};    // positive flows (year order, then sorted)
  std::array<double, kMaxYears> Z{};    // normalised flows (then sorted)
  std::array<double, kMaxYears> Zc{};   // normalised flows in year order
  std::array<double, kMaxYears> res{};  // ARMA residuals
  std::array<double, kMaxYears> P{}, P2{}, XS{}, FIT{};
  std::array<double, stats::kMaxLags> R{}, PR{};
  normalize::cfunsb4 block{};
  arma::Blocks blocks{};

  std::string name;  // the 20-column base name
  int npos = 0, nz = 0;
  normalize::Transform t;
  int family = 0, IFAULT = 0;
  double zmean = 0.0, zsd = 0.0;  // of the normalised flows, as normalisation returns them
  double xm = 0.0, xs = 0.0;      // mean and standard deviation of the positive flows
  double zm = 0.0, zs = 0.0;      // and of the normalised flows
  std::array<double, 2> phi{0.0, 0.0}, theta{0.0, 0.0};
  double score = 0.0;  // the in/out value of the ARMA identification

  std::span<double> x() { return {X.data(), static_cast<std::size_t>(npos)}; }
  std::span<double> z() { return {Z.data(), static_cast<std::size_t>(npos)}; }
  std::span<const double> zc() const { return {Zc.data(), static_cast<std::size_t>(npos)}; }
};

// A probability in its F7.4 field; one that is not defined (no degrees of
// freedom) is written as "N/A" right-aligned in the field instead.
std::string probability_field(double prob) {
  if (std::isnan(prob)) return "    N/A";
  const std::array<format::Item, 1> item{prob};
  return format::records("(F7.4)", item).front();
}

// The exceedance probability record of a chi-square test.
void write_probability(format::Writer& ans, double prob) {
  ans.write("(' THE EXCEEDENCE PROBABILITY OF THIS VALUE IS: ' A7 /)", probability_field(prob));
}

// The portmanteau test record of a correlogram table.
void write_portmanteau(format::Writer& ans, int n, int L, int df, double Q) {
  ans.write(
      "(/ ' THE SEQUENCE IS OF LENGTH' I3 ' WITH A CORRELOGRAM OF LENGTH' I3 / ' IT HAS' I3 "
      "' DEGREES OF FREEDOM AND A PORTMANTEAU STATISTIC OF' F7.2 / ' THE EXCEEDENCE "
      "PROBABILITY OF THIS CHI-SQUARE STATISTIC IS' A7 /)",
      n, L, df, Q, probability_field(stats::qchisx(Q, static_cast<double>(df))));
}

// The correlogram of a series with its plot, table and portmanteau test.
// heading_fmt and table_fmt are the two heading records of the table.
void correlogram_section(format::Writer& ans, format::Screen& screen, std::span<const double> x,
                         std::array<double, stats::kMaxLags>& R,
                         std::array<double, stats::kMaxLags>& PR, const std::string& name, double c,
                         int L, int df, const char* heading_fmt, const char* table_fmt) {
  const int n = static_cast<int>(x.size());
  ans.write(heading_fmt, name, c);
  stats::corr(x, R, PR);
  // Box-Pierce portmanteau statistic.
  double s = 0.0;
  for (int k = 0; k < L; ++k) s += R[k] * R[k];
  const double Q = n * s;
  plots::plotb(1.0, L, std::span<const double>(R.data(), L), std::span<const double>(PR.data(), L),
               0.9999, L, screen.out);
  ans.write(table_fmt, c);
  for (int k = 0; k < L; ++k) ans.write("(I4 2F10.3)", k + 1, R[k], PR[k]);
  write_portmanteau(ans, n, L, df, Q);
}

const char* model_name(int ITYPE) {
  switch (ITYPE) {
    case 1:
      return " LOGNORMAL (3)      ";
    case 2:
      return " LOGNORMAL (2)      ";
    case 3:
      return " JOHNSON-SB (4)     ";
    case 4:
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

// The year file. Y2 holds the last two residuals and normalised flows, Y4 the
// ARMA coefficients and the zero flows, Y5 the decade table, Y6 the moments
// of the flows and the ARMA score.
std::string year_file(const Analysis& a, const FlowRecord& record, double all_mean, double all_sd,
                      double white_noise) {
  std::ostringstream os;
  format::Writer y(os);
  const int N = record.N;
  const int n = a.npos;
  y.write("(A)", a.name);
  const double res_n = n >= 1 ? a.res[n - 1] : 0.0;
  const double z_n = n >= 1 ? a.Zc[n - 1] : 0.0;
  const double res_n1 = n >= 2 ? a.res[n - 2] : 0.0;
  const double z_n1 = n >= 2 ? a.Zc[n - 2] : 0.0;
  y.write("(2I5 4F18.7)", N, record.first_year, res_n, z_n, res_n1, z_n1);
  y.write("(I2 1X 4F20.7)", a.family, a.t.GAMMA, a.t.DELTA, a.t.XLAM, a.t.XI);
  const double zero_fraction = a.nz > 0 ? static_cast<double>(a.nz) / N : 0.0;
  y.write("(7F12.5 I4 F12.5)", a.zmean, a.zsd, a.phi[0], a.phi[1], a.theta[0], a.theta[1],
          zero_fraction, a.nz);
  // The decade table: slot j holds the flow of the year 1900 + j; years
  // outside 1901-2900 have no slot.
  constexpr int kSlots = 1000;
  std::array<double, kSlots> slots{};
  for (int i = 0; i < N; ++i) {
    const int j = record.first_year + i - 1900;
    if (j >= 1 && j <= kSlots) slots[j - 1] = record.flows[i];
  }
  const int span = record.first_year - 1902 + N;
  const int decades = (span >= 0 ? span / 10 : -((-span + 9) / 10)) + 1;
  const int m = std::min(std::max(decades, 10), kSlots / 10);
  std::vector<format::Item> items;
  items.reserve(static_cast<std::size_t>(m) * 10);
  for (int j = 0; j < m * 10; ++j) items.emplace_back(slots[j]);
  y.write_items("(10F10.2)", items);
  if (a.npos >= 3) {
    y.write("(7F12.5 I4 F12.5)", all_mean, all_sd, a.score, white_noise);
  } else {
    // n^2 / (n - 2), the score of white noise, is not defined below 3 flows.
    y.write("(2F12.5 2A12)", all_mean, all_sd, "N/A", "N/A");
  }
  return os.str();
}

// Positive flows all equal (or none): there is no transform to fit.
void no_spread(Analysis& a, format::Writer& ans, format::Screen& screen) {
  if (a.npos == 0) {
    ans.list(" THIS RECORD HAS NO POSITIVE FLOW: THERE IS NOTHING TO ANALYSE.");
  } else {
    ans.write(
        "(' ALL POSITIVE FLOWS OF THIS RECORD ARE EQUAL (' F10.3 ').' / "
        "' THEY HAVE NO SPREAD, SO NO TRANSFORM CAN BE FITTED AND THE RECORD' / "
        "' IS NOT ANALYSED FURTHER.')",
        a.X[0]);
    ans.write("(1X A / 2F10.2)", " THE MEAN AND STANDARD DEVIATION OF THE RAW POSITIVE FLOWS", a.xm,
              a.xs);
  }
  screen.out.list(" " + stem_of(a.name) + ": NO POSITIVE FLOWS WITH A SPREAD TO ANALYSE");
}

// The transform and its record; then the year-order copy of the normalised
// flows, and both series sorted.
void normalise(Analysis& a, format::Writer& ans, format::Screen& screen) {
  normalize::normaliz(a.x(), a.z(), a.t, a.IFAULT, a.zmean, a.zsd, a.nz, a.block, ans, screen);
  a.family = normalize::family_of(a.t.ITYPE);
  ans.write(
      "(/ / ' ITYPE,      GAMMA,            DELTA,            XLAM,             XI,     "
      "IFAULT' / 1X I2 4F18.7 I6 / / ' AND THE MEAN & STDEV OF THE SEQUENCE BEFORE FINAL "
      "STANDARDIZATION ARE: ' / 3X 2F18.6)",
      a.family, a.t.GAMMA, a.t.DELTA, a.t.XLAM, a.t.XI, a.IFAULT, a.zmean, a.zsd);
  for (int i = 0; i < a.npos; ++i) a.Zc[i] = a.Z[i];
  stats::ssort(a.x());
  stats::ssort(a.z());
}

// The ranked flows with their plotting positions, and the scatter and
// probability plots of the flows against the fitted distribution.
void ranked_flows_and_plots(Analysis& a, format::Writer& ans, format::Screen& screen,
                            bool pause_after_plots) {
  const int n = a.npos;
  ans.list();
  ans.list();
  ans.list("  THE RANKED FLOWS FOR PLOTTING - ");
  ans.list();
  ans.list("  ABCISSA   NATURAL   NORMALIZED STANDARD");
  ans.list();
  double M = -1e8;
  for (int i = 0; i < n; ++i) {
    const double p = (i + 1.0) / (n + 1.0);
    const double zp = stats::xnorm(p);
    ans.write("(4F10.3)", p, a.X[i], a.Z[i], zp);
    a.P[i] = 100.0 * p;
    a.P2[i] = 100.0 * p;
    a.XS[i] = a.X[i];
    int fault = 0;
    a.FIT[i] = normalize::ajv(zp, a.family, a.t.GAMMA, a.t.DELTA, a.t.XLAM, a.t.XI, fault);
    if (a.XS[i] > M) M = a.XS[i];
    if (std::isfinite(a.FIT[i]) && a.FIT[i] > M) M = a.FIT[i];
  }
  M = round_plot_top(M);
  const std::string model = model_name(a.t.ITYPE);
  const std::string sc_title = model + "        EXCEED.PROB.";
  const std::string sc_caption = fixed_field(" ANNUAL RUNOFF", 20);
  const std::string pr_title = std::string(10, ' ') + model + std::string(10, ' ') +
                               "                 EXCEEDANCE PROBABILITY ";
  const std::string pr_caption = fixed_field(" ANNUAL RUNOFF", 50);
  const std::size_t un = static_cast<std::size_t>(n);
  const std::span<const double> P(a.P.data(), un), P2(a.P2.data(), un), FIT(a.FIT.data(), un),
      XS(a.XS.data(), un);
  {
    plots::Plot plot;
    plots::scplot(plot, P, FIT, sc_title, sc_caption, 1, 1, 2, 2, M, 0.0, 100.0, 0.0, screen.out);
    plots::scplot(plot, P, FIT, " ", " ", 1, 2, 2, 2, M, 0.0, 100.0, 0.0, screen.out);
    plots::scplot(plot, P2, XS, " ", " ", 3, 3, 2, 2, M, 0.0, 100.0, 0.0, screen.out);
  }
  {
    plots::Plot plot;
    plots::prplot(plot, P, FIT, pr_title, pr_caption, 1, 1, 2, 2, M, 0.0, 100.0, 0.0, screen.out);
    plots::prplot(plot, P, FIT, " ", " ", 1, 2, 2, 2, M, 0.0, 100.0, 0.0, screen.out);
    plots::prplot(plot, P2, XS, " ", " ", 3, 3, 2, 2, M, 0.0, 100.0, 0.0, screen.out);
  }
  if (pause_after_plots) screen.pause(" PRESS ENTER TO CONTINUE ");
}

// Moments of the positive and the normalised flows, and the chi-square tests
// of both against the normal distribution.
void moments_and_tests(Analysis& a, format::Writer& ans) {
  const std::span<const double> X = a.x(), Z = a.z();
  const double n = a.npos;
  a.xm = stats::xmean(X);
  a.xs = stats::stdev(X, a.xm);
  const double xsk = stats::skew(X, a.xm, a.xs);
  const double xex = stats::excess(X, a.xm, a.xs);
  a.zm = stats::xmean(Z);
  a.zs = stats::stdev(Z, a.zm);
  const double zsk = stats::skew(Z, a.zm, a.zs);
  const double zex = stats::excess(Z, a.zm, a.zs);
  ans.write(
      "('1 MEAN, STANDARD DEVIATION, SKEWNESS & EXCESS OF' / ' NON-ZERO FLOWS     :   ' 4F10.3 "
      "/ ' & NORMALIZED FLOWS :   ' 4F10.3 /)",
      a.xm, a.xs, xsk, xex, a.zm, a.zs, zsk, zex);
  ans.write("(A 2F10.3)", " THE 95% C.L. FOR SKEW & EXCESS ARE:   ", 1.96 * std::sqrt(6.0 / n),
            1.96 * std::sqrt(24.0 / n));
  ans.list();
  ans.list();

  int k = 0;
  double chi = stats::chisq(X, a.xm, a.xs, k);
  ans.write(
      "(' THE CHI-SQUARE STATISTIC FOR THE NORMAL FIT TO :' / ' THE FLOWS IS:' / 1X F10.3 "
      "' WITH' I4 ' DEGREES OF FREEDOM' /)",
      chi, k);
  write_probability(ans, stats::qchisx(chi, k));
  // The normalised flows lose one more degree of freedom to the fit.
  chi = stats::chisq(Z, a.zm, a.zs, k);
  k = k - 1;
  ans.write("(' AND TO THE NORMALIZED FLOWS IS:' / 1X F10.3 ' WITH' I4 ' DEGREES OF FREEDOM' /)",
            chi, k);
  write_probability(ans, stats::qchisx(chi, k));
}

// The correlogram of the normalised series, the ARMA identification, the
// correlogram file, the residual correlogram and the level crossings.
void correlation_arma_crossings(Analysis& a, format::Writer& ans, format::Screen& screen,
                                GaugeOutcome& out) {
  const int n = a.npos;
  const int L = stats::nlags(n);
  const double c = 1.96 / std::sqrt(static_cast<double>(n));
  correlogram_section(
      ans, screen, a.zc(), a.R, a.PR, a.name, c, L, L,
      "('1' / ' THE CORRELOGRAM AND PARTIAL CORRELOGRAM FOR THE  NORMALIZED SERIES FROM ' A25 "
      "/ ' WITH CONFIDENCE INTERVAL +/-' F5.3)",
      "(1X / / ' THE CORRELATION AND PARTIAL CORRELATION FUNCTION  FOR THE NORMALIZED FLOWS' "
      "/ ' WITH CONFIDENCE INTERVAL +/-' F5.3 /)");

  ans.write("(/ / A /)", " HERE FOLLOWS A SUMMARY OF THE OPTIMIZATION OUTPUT:");
  int p = 0, q = 0;
  const std::span<double> res(a.res.data(), static_cast<std::size_t>(n));
  if (!arma::arma22(a.zc(), res, a.phi, a.theta, a.score, p, q, a.name, a.blocks, a.block, a.t, ans,
                    screen)) {
    ans.list(" THE ARMA FIT WAS STOPPED: A LAG IS TOO LARGE FOR THIS SERIES.");
    a.phi = {0.0, 0.0};
    a.theta = {0.0, 0.0};
    return;
  }
  out.arma_done = true;
  out.p = p;
  out.q = q;

  std::ostringstream cor;
  format::Writer cw(cor);
  cw.write("(F8.3 2I5)", c, p, q);
  for (int j = 0; j < L; ++j) cw.write("(I4 2F10.3)", j + 1, a.R[j], a.PR[j]);
  out.cor = cor.str();

  ans.write(
      "(/ ' ARMA22 STATISTICS FOR THE NORMALISED FLOWS ARE:' / ' PHI AND THETA :- ' 4F12.4 "
      "/ ' AR- & MA-LAG, P & Q :- ' 2I4 /)",
      a.phi[0], a.phi[1], a.theta[0], a.theta[1], p, q);
  std::array<double, stats::kMaxLags> RR{}, RP{};
  correlogram_section(ans, screen, res, RR, RP, a.name, c, L, L - p - q,
                      "('1' / ' THE CORRELOGRAM AND PARTIAL CORRELOGRAM FOR THE  RESIDUALS FROM ' "
                      "A25 / ' WITH CONFIDENCE INTERVAL +/-' F5.3)",
                      "(1X / / ' THE CORRELATION AND PARTIAL CORRELATION FUNCTION  FOR THE "
                      "RESIDUALS' / ' WITH CONFIDENCE INTERVAL +/-' F5.3 /)");

  ans.list("1 LEVEL CROSSING PROPERTIES FOR ", a.name);
  ans.list();
  const std::array<double, 12> levels = crossing_levels();
  CrossTables tables;
  cross(a.zc(), levels, 1, 6, tables, ans);
  cross(a.zc(), levels, 7, 12, tables, ans);
}

}  // namespace

GaugeOutcome analyse_gauge(const std::string& name, const FlowRecord& record, std::ostream& ans_os,
                           format::Screen& screen, bool pause_after_plots) {
  format::Writer ans(ans_os, true);
  GaugeOutcome out;
  auto a = std::make_unique<Analysis>();
  a->name = name;
  const int N = record.N;

  // Zero flows are set apart; the analysis works on the positive flows.
  for (int i = 0; i < N; ++i) {
    if (record.flows[i] < kZeroFlow)
      ++a->nz;
    else
      a->X[a->npos++] = record.flows[i];
  }
  out.nz = a->nz;
  out.npos = a->npos;
  const double n = a->npos;
  const double white_noise = n * n / (n - 2.0);
  a->score = white_noise;

  ans.write("(/ '1' A20 5X ' COMMENCING IN YEAR ' I4 ' AND OF LENGTH' I3 /)", name,
            record.first_year, a->npos);
  if (a->nz > 0)
    ans.write(
        "(9X 58('*') / 9X '               THIS GAUGE HAS' I3 ' ZERO FLOWS.' / 9X '     THE "
        "STATISTICS IN THIS ANSWER FILE APPLY ONLY TO THE' / 9X '    POSITIVE FLOWS AND NOT TO "
        "THE ZERO FLOWS UNLESS STATED.' / 9X '        THERE IS NO CORRELATION NOR CROSSING "
        "ANALYSIS.' / 9X 58('*') /)",
        a->nz);

  // A transform needs positive flows that are not all equal.
  if (a->npos > 0) {
    a->xm = stats::xmean(a->x());
    a->xs = stats::stdev(a->x(), a->xm);
  }
  if (!(a->xs > 0.0)) {
    no_spread(*a, ans, screen);
  } else {
    normalise(*a, ans, screen);
    out.ITYPE = a->t.ITYPE;
    ranked_flows_and_plots(*a, ans, screen, pause_after_plots);
    moments_and_tests(*a, ans);
    if (a->npos < 3 && a->nz == 0) {
      // No lag of a correlogram, and no ARMA model, can be estimated. (With
      // zero flows the notice at the head of the file says so already.)
      ans.write(
          "(/ ' WITH ONLY' I2 ' POSITIVE FLOWS THERE IS NO CORRELOGRAM, ARMA NOR CROSSING' / "
          "' ANALYSIS: THEY NEED AT LEAST 3.')",
          a->npos);
    } else if (a->nz == 0) {
      correlation_arma_crossings(*a, ans, screen, out);
    }
  }
  ans.flush();
  if (a->nz > 0) {
    a->phi = {0.0, 0.0};
    a->theta = {0.0, 0.0};
  }

  // With zero flows the last record of the year file holds the moments of
  // all N flows, zeros included.
  double all_mean = a->xm, all_sd = a->xs;
  if (a->nz > 0) {
    const std::span<const double> all(record.flows.data(), static_cast<std::size_t>(N));
    all_mean = stats::xmean(all);
    all_sd = stats::stdev(all, all_mean);
  }
  out.yer = year_file(*a, record, all_mean, all_sd, white_noise);
  return out;
}

}  // namespace driver
