// The choice among the four fitted transforms by their criteria.
#pragma once

#include <array>

namespace normalize {

// The model number ITYPE (1 LN3, 2 LN2, 3 SB4, 4 SB3) chosen from the
// criteria cr[ITYPE - 1]: the smallest wins, ties keep the earlier choice in
// the order LN3, LN2, SB4, SB3. A criterion that is not a number is taken as
// 4000, the mark of an unusable model. A record with nz > 0 zero flows can
// only take a model bounded below by 0: LN2, or SB3 when it is smaller.
int select_model(const std::array<double, 4>& cr, int nz);

}  // namespace normalize
