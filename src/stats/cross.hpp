// Level crossings of a series in standard-normal units: how often it falls
// below (rises above) a level, and how long and how large the runs beyond the
// level are.
#pragma once

#include <array>
#include <span>

namespace stats {

constexpr int kCrossLevels = 12;

// The twelve levels: the normal quantiles of 80, 90, 95, 99, 99.5 and 99.9 per
// cent, negative (levels 1-6, droughts) and positive (levels 7-12, surpluses).
std::array<double, kCrossLevels> crossing_levels();
// Those six probabilities, in per cent.
constexpr std::array<double, 6> kCrossPercent{80.0, 90.0, 95.0, 99.0, 99.5, 99.9};

// Results by level 1..12 (index 0..11).
struct CrossTables {
  std::array<double, kCrossLevels> levels{};
  std::array<int, kCrossLevels> crossings{};
  std::array<int, kCrossLevels> length{};
  std::array<double, kCrossLevels> sum{};  // a whole number (truncated toward zero)
};

// Counts the runs of x beyond levels first..last (1-based; first = 1 means
// down crossings and deficit runs, anything else up crossings and surplus
// runs) into t. A run counts only when it starts by a crossing and ends
// inside the series.
void cross(std::span<const double> x, const std::array<double, kCrossLevels>& levels, int first,
           int last, CrossTables& t);

}  // namespace stats
