// The year file NAME.YER: the fitted transform and ARMA model of a gauge, its
// zero flows, its flows by decade and its moments, in fixed columns, for the
// tools (and the generator) that carry a record on.
#pragma once

#include <array>
#include <istream>
#include <string>
#include <vector>

namespace flowfile {

struct YearFile {
  std::string name;  // the base name (20 columns when written; trimmed when read)
  int years = 0;     // N, zero flows included
  int first_year = 0;
  // The last two residuals of the ARMA model and normalised flows, newest
  // first, from which a generator can carry the series on.
  double residual_last = 0.0, z_last = 0.0, residual_before = 0.0, z_before = 0.0;
  // The transform z = GAMMA + DELTA g(x): family 1 (lognormal) or 3 (Johnson
  // SB); 0 when none was fitted.
  int family = 0;
  double GAMMA = 0.0, DELTA = 0.0, XLAM = 0.0, XI = 0.0;
  // Mean and sd of the normalised flows, the ARMA coefficients and the zero
  // flows.
  double z_mean = 0.0, z_sd = 0.0;
  std::array<double, 2> phi{}, theta{};
  double zero_fraction = 0.0;
  int zero_flows = 0;
  // The annual flows in year order. Written into the decade table (the years
  // 1901-2900 have a slot); read back from it, when it holds them all, else
  // empty with the reason in flows_note.
  std::vector<double> flows;
  std::string flows_note;
  // Mean and sd of all flows; the score of the chosen ARMA model and that of
  // white noise, written only when has_scores (at least 3 positive flows).
  double mean = 0.0, sd = 0.0;
  bool has_scores = true;
  double score = 0.0, white_noise = 0.0;
};

// The text of the year file.
std::string year_file_text(const YearFile& y);

// Reads a year file; file names it in the messages. Throws files::Error
// ("FILE:LINE: what is wrong") for a file with fewer than 5 lines, a field
// that is blank or not a number, a decade table with more than 10 fields to
// a line or ending before the record, zero flows out of range or a zero
// fraction that disagrees with them.
YearFile read_year_file(std::istream& in, const std::string& file);

}  // namespace flowfile
