#include "stats/cross.hpp"

#include <cmath>

namespace stats {

std::array<double, kCrossLevels> crossing_levels() {
  const std::array<double, 6> q{0.842, 1.282, 1.645, 2.326, 2.576, 3.09};
  std::array<double, kCrossLevels> levels{};
  for (int i = 0; i < 6; ++i) {
    levels[i] = -q[i];
    levels[i + 6] = q[i];
  }
  return levels;
}

void cross(std::span<const double> x, const std::array<double, kCrossLevels>& levels, int first,
           int last, CrossTables& t) {
  const bool down = first == 1;
  const std::size_t n = x.size();
  // beyond(v, a): a lies strictly beyond the level v in the direction studied.
  auto beyond = [down](double v, double a) { return down ? a < v : a > v; };
  for (int j = first; j <= last && j >= 1 && j <= kCrossLevels; ++j) {
    const double v = levels[j - 1];
    int count = 0;
    int total_length = 0;
    double total_sum = 0.0;
    std::size_t i = 1;  // 0-based index of x(i), i = 2..n
    while (i < n) {
      if (beyond(x[i - 1], v) && beyond(v, x[i])) {
        int length = 0;
        double sum = 0.0;
        while (i < n && beyond(v, x[i])) {
          ++length;
          sum += std::fabs(v - x[i]);
          ++i;
        }
        if (i < n) {  // the run ended inside the series
          ++count;
          total_length += length;
          total_sum += sum;
        }
        // x(i) ended the run: it may be the x(i-1) of the next crossing.
        ++i;
        continue;
      }
      ++i;
    }
    t.levels[j - 1] = v;
    t.crossings[j - 1] = count;
    t.length[j - 1] = total_length;
    t.sum[j - 1] = std::trunc(total_sum);
  }
}

void write_cross(format::Writer& ans, const CrossTables& t, int first) {
  const bool down = first == 1;
  auto six = [first](const auto& a) {
    std::array<format::Item, 6> items{0, 0, 0, 0, 0, 0};
    for (int k = 0; k < 6; ++k) {
      const int idx = first - 1 + k;
      items[k] = idx >= 0 && idx < kCrossLevels ? format::Item(a[idx]) : format::Item(a[0]);
    }
    return items;
  };
  const auto& pc = kCrossPercent;
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

}  // namespace stats
