// Time of the whole analysis of one gauge (the 100-year Nile record): the
// reader's output through normalisation, tests, correlograms, the nine ARMA
// fits with their simulated deficit distances, and level crossings, with the
// texts of the report and its two side files.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "answer/answer.hpp"
#include "driver/reader.hpp"
#include "files/error.hpp"
#include "flowfile/reader.hpp"

namespace {

void BM_WholeGauge(benchmark::State& state) {
  std::ifstream in(RIVAN6_SOURCE_DIR "/examples/NILE.INC", std::ios::binary);
  results::Record record;
  try {
    record = results::record_of(flowfile::read_flows(in, "NILE.INC"),
                                driver::fixed_field("NILE", driver::kNameColumns));
  } catch (const files::Error&) {
    state.SkipWithError("cannot read examples/NILE.INC");
    return;
  }
  for (auto _ : state) {
    const results::GaugeResult g = results::analyse(record);
    const std::string texts =
        answer::answer_file(g) + answer::correlogram_file(g) + answer::year_file(g);
    benchmark::DoNotOptimize(texts.data());
  }
}
BENCHMARK(BM_WholeGauge)->Unit(benchmark::kMillisecond);

}  // namespace
