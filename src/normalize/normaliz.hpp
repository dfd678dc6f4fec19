// Choice of the normalising transform of the annual flows.
#pragma once

#include <span>

#include "format/format.hpp"
#include "normalize/fits.hpp"
#include "normalize/johnson.hpp"

namespace normalize {

// Fits LN3, LN2, SB4 and SB3 to the positive flows, chooses one, and writes
// the normalised flows to z (not standardised). The flows are not modified;
// the block receives the flows and the SB(4) fit. The table of parameters and
// criteria and the raw moments go to ans; messages and the SB(4) range pause
// go to screen. mean and sd are those of z. nz is the number of zero flows of
// the record.
void normaliz(std::span<const double> flows, std::span<double> z, Transform& t, int& IFAULT,
              double& mean, double& sd, int nz, cfunsb4& block, format::Writer& ans,
              format::Screen& screen);

}  // namespace normalize
