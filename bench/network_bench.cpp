// The network of ../shared/data (when present) on one thread, stage by stage,
// so that each output's cost can be read off on its own:
//   analysis  the result value and the texts of the report and side files;
//   findings  return periods (default bootstrap), trend and change tests,
//             events and warnings, from the result values;
//   json      the JSON text of the results and findings;
//   html      the page of figures and findings.
// The per-gauge time is the stage's time over the number of gauges.
#include <benchmark/benchmark.h>

#include <vector>

#include "findings/findings.hpp"
#include "network.hpp"
#include "report/extras.hpp"
#include "report/page.hpp"
#include "results/json.hpp"

namespace {

enum Stage { kAnalysis, kFindings, kJson, kHtml };

void BM_NetworkStage(benchmark::State& state) {
  const rivan6_bench::Network n = rivan6_bench::read_folder(RIVAN6_SOURCE_DIR "/../shared/data");
  if (n.records.empty()) {
    state.SkipWithError("../shared/data is absent");
    return;
  }
  const auto stage = static_cast<Stage>(state.range(0));
  std::vector<results::GaugeResult> results;
  std::vector<findings::Findings> found;
  if (stage != kAnalysis) {
    for (std::size_t i = 0; i < n.records.size(); ++i) {
      results.push_back(results::analyse(n.records[i]));
      found.push_back(findings::compute(results.back()));
    }
  }
  for (auto _ : state) {
    for (std::size_t i = 0; i < n.records.size(); ++i) {
      switch (stage) {
        case kAnalysis: {
          const results::GaugeResult g = results::analyse(n.records[i]);
          const std::string texts =
              answer::answer_file(g) + answer::correlogram_file(g) + answer::year_file(g);
          benchmark::DoNotOptimize(texts.data());
          break;
        }
        case kFindings: {
          const findings::Findings f = findings::compute(results[i]);
          benchmark::DoNotOptimize(f.warnings.data());
          break;
        }
        case kJson: {
          results::Json j = results::to_json(results[i]);
          j["findings"] = findings::to_json(found[i]);
          const std::string text = results::json_text(j);
          benchmark::DoNotOptimize(text.data());
          break;
        }
        case kHtml: {
          const std::string page =
              report::gauge_page(results[i], report::page_extras(results[i], found[i]),
                                 report::links_for(results[i], true));
          benchmark::DoNotOptimize(page.data());
          break;
        }
      }
    }
  }
  state.counters["gauges"] = static_cast<double>(n.records.size());
  state.counters["per_gauge"] = benchmark::Counter(
      static_cast<double>(n.records.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_NetworkStage)
    ->ArgName("stage")
    ->Arg(kAnalysis)
    ->Arg(kFindings)
    ->Arg(kJson)
    ->Arg(kHtml)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

}  // namespace
