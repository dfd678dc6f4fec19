// Constants that a method defines in single precision but that are used in
// double arithmetic: the float value widened exactly, so that every trial
// point and every printed digit comes out the same. Written one way
// everywhere: single(0.4f) rather than its 17-digit double spelling.
#pragma once

namespace stats {

constexpr double single(float v) {
  return static_cast<double>(v);
}

static_assert(single(0.4f) == 0.4000000059604645);
static_assert(single(1.0e-5f) == 9.999999747378752e-06);

}  // namespace stats
