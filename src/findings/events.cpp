// Drought and surplus events in flow units: the crossing levels turned into
// flows through the fitted distribution, and the runs of annual flows beyond
// each.
#include <cmath>

#include "findings/parts.hpp"
#include "stats/cross.hpp"

namespace findings {

void find_runs(std::span<const double> flows, int first_year, LevelEvents& level) {
  level.events.clear();
  level.longest = level.largest = -1;
  if (std::isnan(level.flow)) return;
  const double v = level.flow;
  const bool down = level.drought;
  const auto beyond = [down, v](double x) { return down ? x < v : x > v; };
  const std::size_t n = flows.size();
  for (std::size_t i = 0; i < n;) {
    if (!beyond(flows[i])) {
      ++i;
      continue;
    }
    Event e;
    e.first_year = first_year + static_cast<int>(i);
    e.extreme = flows[i];
    const std::size_t start = i;
    for (; i < n && beyond(flows[i]); ++i) {
      e.volume += std::fabs(v - flows[i]);
      e.extreme = down ? std::fmin(e.extreme, flows[i]) : std::fmax(e.extreme, flows[i]);
    }
    e.duration = static_cast<int>(i - start);
    e.last_year = e.first_year + e.duration - 1;
    e.complete = start > 0 && i < n;
    level.events.push_back(e);
  }
  // The first of equals wins.
  for (std::size_t k = 0; k < level.events.size(); ++k) {
    const Event& e = level.events[k];
    if (level.longest < 0 || e.duration > level.events[level.longest].duration)
      level.longest = static_cast<int>(k);
    if (level.largest < 0 || e.volume > level.events[level.largest].volume)
      level.largest = static_cast<int>(k);
  }
}

Events events(const results::GaugeResult& r) {
  Events ev;
  if (!r.transformed()) {
    ev.note = "no distribution was fitted, so the crossing levels have no flow";
    return ev;
  }
  const normalize::FittedDistribution& t = r.normalisation.fitted;
  const auto levels = stats::crossing_levels();
  ev.available = true;
  for (int j = 0; j < stats::kCrossLevels; ++j) {
    LevelEvents L;
    L.level = j + 1;
    L.drought = j < stats::kCrossLevels / 2;
    L.percent = stats::kCrossPercent[j % 6];
    L.z = levels[j];
    if (r.record.nz == 0) {
      // The level as the crossing table uses it, through the inverse transform.
      L.flow = t.from_normal(L.z);
    } else {
      // With zero flows the level keeps its probability in the mixed
      // distribution of all N flows.
      L.flow = L.drought ? t.quantile(normal_upper(-L.z)) : t.exceeded(normal_upper(L.z));
    }
    find_runs(r.record.flows, r.record.first_year, L);
    ev.levels.push_back(std::move(L));
  }
  return ev;
}

}  // namespace findings
