// Choice of the normalising transform of the annual flows.
//
// Four models are fitted to the positive flows: the three- and two-parameter
// lognormal (LN3, LN2) and the four- and three-parameter Johnson SB (SB4,
// SB3). Each is scored by its negative log-likelihood per observation,
// without the constants common to all four, plus its number of free
// parameters over n; the smallest score wins. A score of 4000 marks a model
// as unusable.
#include "normalize/normaliz.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "normalize/fdnelm.hpp"
#include "normalize/select.hpp"
#include "stats/moments.hpp"

namespace normalize {

namespace {

// Columns of the parameter table, in the order of ITYPE.
enum Column { kLN3 = 0, kLN2 = 1, kSB4 = 2, kSB3 = 3 };
// Rows of the parameter table.
enum Row { kGA = 0, kDE = 1, kXL = 2, kXI = 3, kCR = 4 };

constexpr double kUnusable = 4000.0;

// A criterion as the selection sees it: one that is not a number can no
// more be used than one marked 4000.
double usable(double cr) {
  return std::isnan(cr) ? kUnusable : cr;
}

}  // namespace

int select_model(const std::array<double, 4>& criteria, int nz) {
  const auto cr = [&criteria](int col) { return usable(criteria[col]); };
  int col = kLN3;
  if (cr(kLN3) > cr(kLN2)) col = kLN2;
  if (cr(col) > cr(kSB4)) col = kSB4;
  if (cr(kSB3) < cr(col)) col = kSB3;
  if (nz > 0) {
    // Zero flows: only the models bounded below by 0 can hold them.
    col = cr(kSB3) < cr(kLN2) ? kSB3 : kLN2;
  }
  return col + 1;
}

void normaliz(std::span<const double> flows, std::span<double> z, Transform& t, int& IFAULT,
              double& mean, double& sd, int nz, cfunsb4& block, format::Writer& ans,
              format::Screen& screen) {
  std::array<std::array<double, 4>, 5> tab{};  // tab[row][column]
  const int n = static_cast<int>(std::min<std::size_t>(flows.size(), kMaxFlows));
  const double dn = static_cast<double>(n);

  std::copy_n(flows.begin(), n, block.x.begin());
  block.n = n;
  const std::span<const double> x(block.x.data(), static_cast<std::size_t>(n));

  double raw_mean = 0.0;
  double raw_sd = 0.0;
  if (n > 0) {
    const double xmin = stats::xmin(x);
    const double xmax = stats::xmax(x);
    raw_mean = stats::xmean(x);
    raw_sd = stats::stdev(x, raw_mean);

    // SB4: the two bounds by the simplex search, GAMMA and DELTA in closed
    // form at each trial.
    if (xmin < 0.0001) {
      tab[kCR][kSB4] = kUnusable;
    } else {
      block.xi_lo = 0.0001;
      block.xi_hi = xmin - 0.0001;
      block.upper_base = xmax + 1.0;
      const double r = 0.31830987732601135;
      std::array<double, 2> p{std::log(r / (1.0 - r)), std::log(1999.0)};
      const std::array<double, 2> step{0.1 * p[0], 0.01 * p[1]};
      double f = 0.0;
      int it = 0;
      int ier = 0;
      fdnelm(2, p.data(), f, step.data(), 1e-5, it, 500, ier,
             [&block](int count, const double* q, double& v) { funsb4(block, count, q, v); });
      funsb4(block, 2, p.data(), f);
      const double XI = block.XI;
      const double XLAM = block.upper - block.XI;
      tab[kGA][kSB4] = block.GAMMA;
      tab[kDE][kSB4] = block.DELTA;
      tab[kXL][kSB4] = XLAM;
      tab[kXI][kSB4] = XI;
      double sum = 0.0;
      bool in_range = true;
      for (int i = 0; i < n; ++i) {
        const double g = (x[i] - XI) * (XI + XLAM - x[i]);
        if (g <= 0.0 || g > 1e30) {
          screen.out.list("  SB(4) ARG NOT IN RANGE");
          screen.out.list(XI, x[i], XI + XLAM);
          screen.pause("Press enter to continue ");
          in_range = false;
          break;
        }
        sum += std::log(g);
      }
      tab[kCR][kSB4] = in_range ? sum / dn - std::log(XLAM * block.DELTA) + 4.0 / dn : kUnusable;
    }

    // LN3; a negative lower bound is penalised unless the record has zero
    // flows.
    {
      double G = 0.0, D = 0.0, XI = 0.0;
      ln3(x, G, D, XI, xmin);
      tab[kGA][kLN3] = G;
      tab[kDE][kLN3] = D;
      tab[kXL][kLN3] = 1.0;
      tab[kXI][kLN3] = XI;
      double cr = -G / D - std::log(D) + 3.0 / dn;
      if (XI < 0.0 && nz == 0) cr += kUnusable;
      tab[kCR][kLN3] = cr;
    }

    // LN2: lower bound 0.
    {
      double G = 0.0, D = 0.0;
      fnlog(x, G, D, 0.0);
      tab[kGA][kLN2] = G;
      tab[kDE][kLN2] = D;
      tab[kXL][kLN2] = 1.0;
      tab[kXI][kLN2] = 0.0;
      tab[kCR][kLN2] = -G / D - std::log(D) + 2.0 / dn;
    }

    // SB3: lower bound 0, upper bound from the likelihood equation.
    {
      double U = 0.0, m = 0.0, s = 0.0;
      sb3(x, U, m, s, xmax);
      const double D = 1.0 / s;
      tab[kGA][kSB3] = -m / s;
      tab[kDE][kSB3] = D;
      tab[kXL][kSB3] = U;
      tab[kXI][kSB3] = 0.0;
      double sum = 0.0;
      for (int i = 0; i < n; ++i) {
        const double h = x[i] * (U - x[i]);
        if (h < 0.0) screen.out.list("  SB3 - ARG < 0");
        sum += std::log(h);
      }
      tab[kCR][kSB3] = sum / dn - std::log(D * U) + 3.0 / dn;
    }
  } else {
    // Nothing to fit.
    for (double& cr : tab[kCR]) cr = kUnusable;
  }

  t.ITYPE = select_model(tab[kCR], nz);
  const int col = t.ITYPE - 1;
  t.GAMMA = tab[kGA][col];
  t.DELTA = tab[kDE][col];
  t.XLAM = tab[kXL][col];
  t.XI = tab[kXI][col];

  // Transform every flow through a copy: snv may move an SB argument into
  // the range and write it back.
  const int family = family_of(t.ITYPE);
  IFAULT = 0;
  const int nt = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), z.size()));
  for (int i = 0; i < nt; ++i) {
    double copy = flows[i];
    z[i] = snv(copy, family, t.GAMMA, t.DELTA, t.XLAM, t.XI, IFAULT);
    if (IFAULT == 2) screen.out.list(" TRANSFORM FAILED AT", i + 1);
  }

  const std::array<const char*, 5> labels{"  GA", "  DE", "  XL", "  XI", "  CR"};
  std::vector<format::Item> items{" THE TABLE OF PARAMETERS AND CRITERIA FITTED BY NORMALIZ", "LN3",
                                  "LN2", "SB4", "SB3"};
  for (int row = 0; row < 5; ++row) {
    items.emplace_back(labels[row]);
    for (int c = 0; c < 4; ++c) items.emplace_back(tab[row][c]);
  }
  ans.write_items("(1X / 10X A / 13X A 15X A 15X A 15X A / 5(A 4E18.8 /))", items);
  ans.write("(1X A / 2F10.2)", " THE MEAN AND STANDARD DEVIATION OF THE RAW POSITIVE FLOWS",
            raw_mean, raw_sd);

  if (nt > 0) {
    const std::span<const double> zs(z.data(), static_cast<std::size_t>(nt));
    mean = stats::xmean(zs);
    sd = stats::stdev(zs, mean);
  } else {
    mean = 0.0;
    sd = 0.0;
  }
}

}  // namespace normalize
