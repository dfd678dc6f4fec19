// Choice of the normalising transform of the annual flows.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "format/format.hpp"
#include "normalize/distribution.hpp"
#include "normalize/fdnelm.hpp"
#include "normalize/fits.hpp"
#include "normalize/johnson.hpp"

namespace normalize {

// The criterion that marks a model as unusable.
constexpr double kUnusable = 4000.0;

// The search for the two bounds of SB(4): 1e-5 and 500 iterations.
constexpr SimplexSettings kSb4Search{1e-5, 500};

// Why a candidate transform is unusable, or was penalised.
enum class CandidateFault : int {
  kNone = 0,
  kNotFitted,         // SB4: a flow below 0.0001 leaves no room for the lower bound
  kOutOfRange,        // SB4: a flow lies outside the fitted bounds
  kNegativeBound,     // LN3: lower bound below 0 without zero flows (criterion + 4000)
  kNegativeArgument,  // SB3: a flow at or above the fitted upper bound
};

// One fitted candidate: its parameters, its criterion (negative
// log-likelihood per observation without the common constants, plus the
// number of free parameters over n; smaller is better) and its fault.
struct Candidate {
  double GAMMA = 0.0, DELTA = 0.0, XLAM = 0.0, XI = 0.0, CR = 0.0;
  CandidateFault fault = CandidateFault::kNone;
};

// How the SB(4) bound search went.
struct Sb4Search {
  bool run = false;  // false: a flow below 0.0001, no search
  int it = 0;        // simplex iterations
  SimplexStatus status = SimplexStatus::converged;
  double xi_lo = 0.0;  // the lower bound was searched in (xi_lo, xi_hi)
  double xi_hi = 0.0;
  double upper_base = 0.0;    // and the upper bound above upper_base
  bool out_of_range = false;  // the first flow outside the fitted range:
  double range_XI = 0.0, range_x = 0.0, range_upper = 0.0;
};

// Everything the normalisation computed.
struct Normalisation {
  std::array<Candidate, kModels> candidates{};  // by ITYPE - 1
  Sb4Search sb4;
  int sb3_negative = 0;                 // flows with x (U - x) < 0 in the SB(3) criterion
  FittedDistribution fitted;            // the chosen model and the share of zero flows
  int IFAULT = 0;                       // of the transform of the last flow
  std::vector<int> failed;              // flows (1-based) whose transform failed
  std::vector<double> z;                // the normalised flows, in the order of the flows
  double raw_mean = 0.0, raw_sd = 0.0;  // of the flows
  double mean = 0.0, sd = 0.0;          // of z (before any standardisation)
};

// Fits LN3, LN2, SB4 and SB3 to the positive flows, chooses one and
// transforms the flows; nz is the number of zero flows of the record. Writes
// nothing.
Normalisation normalise(std::span<const double> flows, int nz);

// Fits one model by the same rules as the choice uses (the SB4 range check
// included, without its messages). For resampling.
Candidate fit_model(int ITYPE, std::span<const double> flows, int nz);

// fit_model with the SB3 upper bound found by a faster root search in the
// same bracket: the same estimate to about 12 digits, in a third of the
// time. For resampling, where those last digits do not matter.
Candidate refit_model(int ITYPE, std::span<const double> flows, int nz);

// The table of parameters and criteria and the raw moments, to the answer
// file.
void write_table(format::Writer& ans, const Normalisation& r);
// The messages of the fits on the screen (the SB(4) range failure pauses).
void show_messages(format::Screen& screen, const Normalisation& r);

}  // namespace normalize
