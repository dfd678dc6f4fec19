// Time of the findings of a gauge (return periods with their bootstrap at the
// default number of samples, trend and change tests, events, exact
// probabilities, warnings), and of the whole network of ../shared/data
// analysed with and without them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "driver/gauge.hpp"
#include "driver/reader.hpp"
#include "findings/findings.hpp"

namespace {

// The records of a folder as the batch reads them, in name order.
struct Network {
  std::vector<std::string> names;
  std::vector<std::unique_ptr<driver::FlowRecord>> records;
};

Network read_folder(const std::string& folder) {
  Network n;
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    if (e.path().extension() == ".INC") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const auto& path : files) {
    std::ifstream in(path, std::ios::binary);
    auto record = std::make_unique<driver::FlowRecord>();
    if (!driver::read_flows(in, path.filename().string(), *record).ok) continue;
    n.names.push_back(driver::fixed_field(path.stem().string(), driver::kNameColumns));
    n.records.push_back(std::move(record));
  }
  return n;
}

void BM_FindingsNile(benchmark::State& state) {
  const Network n = read_folder(RIVAN6_SOURCE_DIR "/examples");
  if (n.records.empty()) {
    state.SkipWithError("cannot read examples/NILE.INC");
    return;
  }
  const results::GaugeResult g =
      driver::analyse_record(n.names[0], *n.records[0], driver::ReadResult{});
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

// The network on one core: the analysis alone (range 0) and the analysis with
// the findings at the default settings (range 1).
void BM_Network(benchmark::State& state) {
  const Network n = read_folder(RIVAN6_SOURCE_DIR "/../shared/data");
  if (n.records.empty()) {
    state.SkipWithError("../shared/data is absent");
    return;
  }
  const bool with_findings = state.range(0) == 1;
  for (auto _ : state) {
    for (std::size_t i = 0; i < n.records.size(); ++i) {
      const results::GaugeResult g =
          driver::analyse_record(n.names[i], *n.records[i], driver::ReadResult{});
      if (with_findings) {
        const findings::Findings f = findings::compute(g);
        benchmark::DoNotOptimize(f.warnings.data());
      }
      benchmark::DoNotOptimize(g.z.data());
    }
  }
  state.counters["gauges"] = static_cast<double>(n.records.size());
}
BENCHMARK(BM_Network)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
