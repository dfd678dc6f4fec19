// The answer file: the report of one gauge, section by section.
#include <array>
#include <cmath>
#include <sstream>

#include "answer/answer.hpp"

namespace answer {

namespace {

using results::Extent;
using results::GaugeResult;

// A probability in its F7.4 field; one that is not defined (no degrees of
// freedom) is written as "N/A" right-aligned in the field instead.
std::string probability_field(double prob) {
  if (std::isnan(prob)) return "    N/A";
  const std::array<format::Item, 1> item{prob};
  return format::records("(F7.4)", item).front();
}

void header(format::Writer& ans, const GaugeResult& r) {
  const results::Record& rec = r.record;
  ans.write("(/ '1' A20 5X ' COMMENCING IN YEAR ' I4 ' AND OF LENGTH' I3 /)", rec.name20,
            rec.first_year, rec.npos);
  if (rec.nz > 0)
    ans.write(
        "(9X 58('*') / 9X '               THIS GAUGE HAS' I3 ' ZERO FLOWS.' / 9X '     THE "
        "STATISTICS IN THIS ANSWER FILE APPLY ONLY TO THE' / 9X '    POSITIVE FLOWS AND NOT TO "
        "THE ZERO FLOWS UNLESS STATED.' / 9X '        THERE IS NO CORRELATION NOR CROSSING "
        "ANALYSIS.' / 9X 58('*') /)",
        rec.nz);
}

// Positive flows all equal (or none): there is no transform to fit.
void no_spread(format::Writer& ans, const GaugeResult& r) {
  if (r.record.npos == 0) {
    ans.list(" THIS RECORD HAS NO POSITIVE FLOW: THERE IS NOTHING TO ANALYSE.");
    return;
  }
  double first = 0.0;
  for (const double v : r.record.flows)
    if (v >= results::kZeroFlow) {
      first = v;
      break;
    }
  ans.write(
      "(' ALL POSITIVE FLOWS OF THIS RECORD ARE EQUAL (' F10.3 ').' / "
      "' THEY HAVE NO SPREAD, SO NO TRANSFORM CAN BE FITTED AND THE RECORD' / "
      "' IS NOT ANALYSED FURTHER.')",
      first);
  ans.write("(1X A / 2F10.2)", " THE MEAN AND STANDARD DEVIATION OF THE RAW POSITIVE FLOWS",
            r.raw.mean, r.raw.sd);
}

void transform(format::Writer& ans, const GaugeResult& r) {
  const normalize::Normalisation& nm = r.normalisation;
  write_normalisation(ans, nm);
  ans.write(
      "(/ / ' ITYPE,      GAMMA,            DELTA,            XLAM,             XI,     "
      "IFAULT' / 1X I2 4F18.7 I6 / / ' AND THE MEAN & STDEV OF THE SEQUENCE BEFORE FINAL "
      "STANDARDIZATION ARE: ' / 3X 2F18.6)",
      r.normalisation.fitted.family(), nm.fitted.GAMMA, nm.fitted.DELTA, nm.fitted.XLAM,
      nm.fitted.XI, nm.IFAULT, nm.mean, nm.sd);
}

void ranked_flows(format::Writer& ans, const GaugeResult& r) {
  ans.list();
  ans.list();
  ans.list("  THE RANKED FLOWS FOR PLOTTING - ");
  ans.list();
  ans.list("  ABCISSA   NATURAL   NORMALIZED STANDARD");
  ans.list();
  for (const results::RankedFlow& row : r.ranked)
    ans.write("(4F10.3)", row.p, row.flow, row.normalised, row.normal_score);
}

void chi_square(format::Writer& ans, const stats::ChiSquareTest& t, bool normalised) {
  if (!normalised)
    ans.write(
        "(' THE CHI-SQUARE STATISTIC FOR THE NORMAL FIT TO :' / ' THE FLOWS IS:' / 1X F10.3 "
        "' WITH' I4 ' DEGREES OF FREEDOM' /)",
        t.statistic, t.df);
  else
    ans.write("(' AND TO THE NORMALIZED FLOWS IS:' / 1X F10.3 ' WITH' I4 ' DEGREES OF FREEDOM' /)",
              t.statistic, t.df);
  ans.write("(' THE EXCEEDENCE PROBABILITY OF THIS VALUE IS: ' A7 /)",
            probability_field(t.probability));
}

void moments_and_tests(format::Writer& ans, const GaugeResult& r) {
  const results::Moments &x = r.raw, &z = r.normalised;
  ans.write(
      "('1 MEAN, STANDARD DEVIATION, SKEWNESS & EXCESS OF' / ' NON-ZERO FLOWS     :   ' 4F10.3 "
      "/ ' & NORMALIZED FLOWS :   ' 4F10.3 /)",
      x.mean, x.sd, x.skewness, x.excess, z.mean, z.sd, z.skewness, z.excess);
  ans.write("(A 2F10.3)", " THE 95% C.L. FOR SKEW & EXCESS ARE:   ", r.skew_limit, r.excess_limit);
  ans.list();
  ans.list();
  chi_square(ans, r.chi_flows, false);
  chi_square(ans, r.chi_normalised, true);
}

// A correlogram with its headings, table and portmanteau test. heading_fmt
// and table_fmt are its two heading records.
void correlogram_table(format::Writer& ans, const stats::Correlogram& c, const std::string& name,
                       const char* heading_fmt, const char* table_fmt) {
  ans.write(heading_fmt, name, c.c);
  ans.write(table_fmt, c.c);
  for (int k = 0; k < c.L; ++k) ans.write("(I4 2F10.3)", k + 1, c.r[k], c.phi[k]);
  ans.write(
      "(/ ' THE SEQUENCE IS OF LENGTH' I3 ' WITH A CORRELOGRAM OF LENGTH' I3 / ' IT HAS' I3 "
      "' DEGREES OF FREEDOM AND A PORTMANTEAU STATISTIC OF' F7.2 / ' THE EXCEEDENCE "
      "PROBABILITY OF THIS CHI-SQUARE STATISTIC IS' A7 /)",
      c.n, c.L, c.df, c.Q, probability_field(c.probability));
}

void correlation_arma_crossings(format::Writer& ans, const GaugeResult& r) {
  const std::string& name = r.record.name20;
  correlogram_table(
      ans, r.correlogram, name,
      "('1' / ' THE CORRELOGRAM AND PARTIAL CORRELOGRAM FOR THE  NORMALIZED SERIES FROM ' A25 "
      "/ ' WITH CONFIDENCE INTERVAL +/-' F5.3)",
      "(1X / / ' THE CORRELATION AND PARTIAL CORRELATION FUNCTION  FOR THE NORMALIZED FLOWS' "
      "/ ' WITH CONFIDENCE INTERVAL +/-' F5.3 /)");
  ans.write("(/ / A /)", " HERE FOLLOWS A SUMMARY OF THE OPTIMIZATION OUTPUT:");
  write_identification(ans, r.arma);
  if (!r.complete()) {
    ans.list(" THE ARMA FIT WAS STOPPED: A LAG IS TOO LARGE FOR THIS SERIES.");
    return;
  }
  ans.write(
      "(/ ' ARMA22 STATISTICS FOR THE NORMALISED FLOWS ARE:' / ' PHI AND THETA :- ' 4F12.4 "
      "/ ' AR- & MA-LAG, P & Q :- ' 2I4 /)",
      r.phi[0], r.phi[1], r.theta[0], r.theta[1], r.p, r.q);
  correlogram_table(ans, r.residual_correlogram, name,
                    "('1' / ' THE CORRELOGRAM AND PARTIAL CORRELOGRAM FOR THE  RESIDUALS FROM ' "
                    "A25 / ' WITH CONFIDENCE INTERVAL +/-' F5.3)",
                    "(1X / / ' THE CORRELATION AND PARTIAL CORRELATION FUNCTION  FOR THE "
                    "RESIDUALS' / ' WITH CONFIDENCE INTERVAL +/-' F5.3 /)");
  ans.list("1 LEVEL CROSSING PROPERTIES FOR ", name);
  ans.list();
  write_cross(ans, r.crossings, 1);
  write_cross(ans, r.crossings, 7);
}

}  // namespace

std::string answer_file(const GaugeResult& r) {
  std::ostringstream os;
  format::Writer ans(os, true);
  header(ans, r);
  if (!r.transformed()) {
    no_spread(ans, r);
    return os.str();
  }
  transform(ans, r);
  ranked_flows(ans, r);
  moments_and_tests(ans, r);
  if (r.correlated()) {
    correlation_arma_crossings(ans, r);
  } else if (r.record.nz == 0) {
    // No lag of a correlogram, and no ARMA model, can be estimated. (With
    // zero flows the notice at the head of the file says so already.)
    ans.write(
        "(/ ' WITH ONLY' I2 ' POSITIVE FLOWS THERE IS NO CORRELOGRAM, ARMA NOR CROSSING' / "
        "' ANALYSIS: THEY NEED AT LEAST 3.')",
        r.record.npos);
  }
  return os.str();
}

}  // namespace answer
