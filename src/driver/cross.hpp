// Level crossings of a series in standard-normal units: how often it falls
// below (rises above) a level, and how long and how large the runs beyond the
// level are.
#pragma once

#include <array>
#include <span>

#include "format/format.hpp"

namespace driver {

// The twelve levels: the normal quantiles of 80, 90, 95, 99, 99.5 and 99.9 per
// cent, negative (levels 1-6, droughts) and positive (levels 7-12, surpluses).
std::array<double, 12> crossing_levels();

// Results by level, kept between the two calls of a gauge.
struct CrossTables {
  std::array<int, 12> crossings{};
  std::array<int, 12> length{};
  std::array<double, 12> sum{};  // a whole number (truncated toward zero)
};

// Counts the runs of x beyond levels first..last (1-based; first = 1 means
// down crossings and deficit runs, anything else up crossings and surplus
// runs) and writes the table of the six levels from first on to ans.
void cross(std::span<const double> x, const std::array<double, 12>& levels, int first, int last,
           CrossTables& t, format::Writer& ans);

}  // namespace driver
