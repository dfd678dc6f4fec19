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

}  // namespace stats
