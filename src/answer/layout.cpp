// The pieces of the report's layout that the analysis steps contribute: the
// table of candidate transforms and its messages, the ARMA identification
// (minimiser records, score lines and table, the choice and the refit) and
// the crossing tables. The screen of the dialogue shows some of the same
// records.
#include <array>
#include <string_view>
#include <vector>

#include "answer/answer.hpp"

namespace answer {

namespace {

constexpr std::string_view kTooFew = "(' P, Q =' 2I2 ': TOO FEW FLOWS TO FIT THIS MODEL')";
constexpr std::string_view kScoreLine = "(A, 2I3, 2F8.3)";

void minimiser_record(format::Writer& ans, const arma::ArmaFit& f) {
  ans.list(" n,it,maxit,ier,fff,ff,sa,ffi(1),ffi(2),tth(1),tth(2)");
  ans.write("(4I4 / 7F10.4)", f.p + f.q, f.it, arma::kArmaSearch.maxit,
            normalize::fault_code(f.status), f.fff, f.ff, f.sa, f.phi[0], f.phi[1], f.theta[0],
            f.theta[1]);
}

// The fits in the order of the search, up to the one refused.
template <class F>
void each_fit(const arma::Identification& id, F&& f) {
  for (int p = 0; p <= 2; ++p)
    for (int q = 0; q <= 2; ++q) {
      if (id.refused == 3 * p + q) return;
      f(id.fits[p][q]);
    }
}

void write_table(format::Writer& w, const arma::Identification& id) {
  constexpr std::string_view kTable =
      "('1' / / / ' the updated AIC table for ' A10 / / / "
      "' the rows are the order p of the AR part with  p=0,1,2' / "
      "' the columns are the order q of the MA part of the ARMA equation with  q=0,1,2' / / "
      "3(3F20.6 /))";
  const auto& t = id.table;
  w.write(kTable, id.title, t[0][0], t[0][1], t[0][2], t[1][0], t[1][1], t[1][2], t[2][0], t[2][1],
          t[2][2]);
}

}  // namespace

void write_normalisation(format::Writer& ans, const normalize::Normalisation& r) {
  const std::array<const char*, 5> labels{"  GA", "  DE", "  XL", "  XI", "  CR"};
  std::vector<format::Item> items{" THE TABLE OF PARAMETERS AND CRITERIA FITTED BY NORMALIZ", "LN3",
                                  "LN2", "SB4", "SB3"};
  for (int row = 0; row < 5; ++row) {
    items.emplace_back(labels[row]);
    for (const normalize::Candidate& c : r.candidates) {
      const double v[5] = {c.GAMMA, c.DELTA, c.XLAM, c.XI, c.CR};
      items.emplace_back(v[row]);
    }
  }
  ans.write_items("(1X / 10X A / 13X A 15X A 15X A 15X A / 5(A 4E18.8 /))", items);
  ans.write("(1X A / 2F10.2)", " THE MEAN AND STANDARD DEVIATION OF THE RAW POSITIVE FLOWS",
            r.raw_mean, r.raw_sd);
}

void show_normalisation(format::Screen& screen, const normalize::Normalisation& r) {
  if (r.sb4.out_of_range) {
    screen.out.list("  SB(4) ARG NOT IN RANGE");
    screen.out.list(r.sb4.range_XI, r.sb4.range_x, r.sb4.range_upper);
    screen.pause("Press enter to continue ");
  }
  for (int i = 0; i < r.sb3_negative; ++i) screen.out.list("  SB3 - ARG < 0");
  for (const int obs : r.failed) screen.out.list(" TRANSFORM FAILED AT", obs);
}

void write_identification(format::Writer& ans, const arma::Identification& id) {
  each_fit(id, [&ans](const arma::ArmaFit& f) {
    if (!f.fitted) {
      ans.write(kTooFew, f.p, f.q);
      return;
    }
    if (f.p + f.q > 0) minimiser_record(ans, f);
    ans.write(kScoreLine, " P, Q, AIC & DIST ", f.p, f.q, f.aicc, f.dist);
  });
  if (id.refused >= 0 && id.refused < 9) return;
  write_table(ans, id);
  ans.list(" the minimum AIC gives the \"best\" model out of this lot");
  ans.list();
  ans.list(" p & q of minimum AICc and parameters");
  ans.write("(2I10, F12.2)", id.p, id.q, id.min_score);
  ans.write("(/ A 2F10.4 / A 2F10.4)", " phi  ", id.phi[0], id.phi[1], " theta", id.theta[0],
            id.theta[1]);
  if (id.refitted) minimiser_record(ans, id.refit);
}

void show_identification(format::Screen& screen, const arma::Identification& id) {
  each_fit(id, [&screen](const arma::ArmaFit& f) {
    if (!f.fitted)
      screen.out.write(kTooFew, f.p, f.q);
    else
      screen.out.write(kScoreLine, " P, Q, AIC & DIST ", f.p, f.q, f.aicc, f.dist);
  });
  if (id.refused >= 0 && id.refused < 9) {
    screen.out.stream() << results::refusal_text(id.refusal);
    return;
  }
  screen.pause("Press enter to continue ");
  write_table(screen.out, id);
  if (id.refused == 9) screen.out.stream() << results::refusal_text(id.refusal);
}

void write_cross(format::Writer& ans, const stats::CrossTables& t, int first) {
  const bool down = first == 1;
  auto six = [first](const auto& a) {
    std::array<format::Item, 6> items{0, 0, 0, 0, 0, 0};
    for (int k = 0; k < 6; ++k) {
      const int idx = first - 1 + k;
      items[k] = idx >= 0 && idx < stats::kCrossLevels ? format::Item(a[idx]) : format::Item(a[0]);
    }
    return items;
  };
  const auto& pc = stats::kCrossPercent;
  const std::array<format::Item, 6> percent{pc[0], pc[1], pc[2], pc[3], pc[4], pc[5]};
  if (down) {
    ans.write("('1' / 6X ' DOWN CROSSINGS   TOTAL DEFICIT RUN LENGTHS AND SUM ')");
    ans.write_items("(/ 6X ' P(EXCEEDENCE). (%).' 5X 6F8.1)", percent);
  } else {
    ans.write("(6X ' UP CROSSINGS   TOTAL SURPLUS RUN LENGTHS AND SUM ')");
    ans.write_items("(/ 6X ' P(NON-EXCEEDENCE). (%).' 1X 6F8.1)", percent);
  }
  ans.write_items("(6X ' FLOW' 20X 6F8.1)", six(t.levels));
  ans.write_items("(6X ' CROSSINGS' 14X 6I8)", six(t.crossings));
  ans.write_items("(6X ' TOTAL RUN LENGTH' 7X 6I8)", six(t.length));
  ans.write_items("(6X ' TOTAL RUN SUM' 11X 6F8.0 / /)", six(t.sum));
}

}  // namespace answer
