// Time of importing a 100-year daily CSV (36,525 rows): parsing, checking
// every row, summing the days to months and writing the flow records.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "ingest/csv.hpp"
#include "ingest/import.hpp"

namespace {

std::string hundred_years_daily() {
  std::string s = "date,discharge\n";
  char buf[64];
  unsigned x = 12345;
  for (int day = ingest::day_number({1901, 1, 1}); day <= ingest::day_number({2000, 12, 31});
       ++day) {
    x = x * 1103515245u + 12345u;
    const int n = std::snprintf(buf, sizeof buf, ",%.3f\n", 5.0 + ((x >> 8) % 100000) / 1000.0);
    s += ingest::date_text(ingest::date_of(day));
    s.append(buf, static_cast<std::size_t>(n));
  }
  return s;
}

void BM_ImportHundredYearsDaily(benchmark::State& state) {
  const std::vector<ingest::Input> inputs{{"gauge.csv", hundred_years_daily()}};
  for (auto _ : state) {
    const ingest::Result r = ingest::import_tables(inputs, {});
    if (!r.ok || r.report.years_written() != 100) {
      state.SkipWithError("the import failed");
      return;
    }
    benchmark::DoNotOptimize(r.flow_text.data());
  }
}
BENCHMARK(BM_ImportHundredYearsDaily)->Unit(benchmark::kMillisecond);

}  // namespace
