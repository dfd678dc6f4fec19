// The fitted model of a gauge as the generator needs it, read from the
// gauge's results file (NAME.json) or from its year file (NAME.YER).
#pragma once

#include <array>
#include <istream>
#include <limits>
#include <string>
#include <vector>

#include "files/error.hpp"
#include "normalize/distribution.hpp"

namespace generate {

struct Model {
  std::string name;    // the gauge's name, trailing blanks removed
  int first_year = 0;  // first year of the record
  int N = 0;           // years of the record, zero flows included
  int last_year() const { return first_year + N - 1; }

  // The fitted distribution: the transform z = GAMMA + DELTA g(x) of the
  // positive flows (lognormal or Johnson SB; its model number is not known
  // when read from a year file) and the share of zero flows of the N years.
  normalize::FittedDistribution distribution;

  // ARMA(p, q) of the normalised flows, Box-Jenkins signs:
  // z(t) = phi1 z(t-1) + phi2 z(t-2) + a(t) - theta1 a(t-1) - theta2 a(t-2).
  // Coefficients above the orders are 0.
  int p = 0, q = 0;
  std::array<double, 2> phi{}, theta{};
  // False when the analysis identified no ARMA model (zero flows, or fewer
  // than 3 positive flows): the years are then independent.
  bool arma_identified = true;

  int nz = 0;  // zero flows of the record

  // Mean and standard deviation (divisor N) of all N flows, zeros included.
  double record_mean = std::numeric_limits<double>::quiet_NaN();
  double record_sd = std::numeric_limits<double>::quiet_NaN();
  // The N flows in year order; empty when the file does not hold them, and
  // then flows_note says why.
  std::vector<double> flows;
  std::string flows_note;
};

// Reads NAME.json. Keys other than the ones the generator needs are ignored.
// Throws files::Error for a model file that cannot be
// used: malformed, without a transform, or with an ARMA model that is not
// stationary or not invertible; the message names the file and the line
// (year file) or the key (JSON).
Model read_json_model(std::istream& in, const std::string& file);

// Reads a year file. Throws files::Error.
Model read_year_file(std::istream& in, const std::string& file);

// Either of the two: by the extension (.json, .yer in any case), otherwise a
// file whose first non-blank character is '{' is JSON. Throws files::Error.
Model read_model(std::istream& in, const std::string& file);

}  // namespace generate
