// Time of the findings of a gauge (return periods with their bootstrap at
// several numbers of samples, trend and change tests, events, exact
// probabilities, warnings).
#include <benchmark/benchmark.h>

#include "findings/findings.hpp"
#include "network.hpp"

namespace {

void BM_FindingsNile(benchmark::State& state) {
  const rivan6_bench::Network n = rivan6_bench::read_folder(RIVAN6_SOURCE_DIR "/examples");
  if (n.records.empty()) {
    state.SkipWithError("cannot read examples/NILE.INC");
    return;
  }
  const results::GaugeResult g = results::analyse(n.records[0]);
  findings::Options o;
  o.bootstrap = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const findings::Findings f = findings::compute(g, o);
    benchmark::DoNotOptimize(f.return_periods.periods.data());
  }
}
BENCHMARK(BM_FindingsNile)
    ->Arg(0)
    ->Arg(findings::kDefaultBootstrap)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
