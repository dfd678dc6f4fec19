// Time and memory of synthetic flows: N series of 100 years from the Nile's
// fitted model (LN2, ARMA(2,1)), generated, formatted as CSV and written to
// a sink that only counts the bytes, on one thread. The peak resident size
// is reported beside the time: it must stay flat as N grows.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <ostream>
#include <streambuf>

#include "generate/generate.hpp"

namespace {

class CountingBuf : public std::streambuf {
 public:
  std::size_t bytes = 0;

 protected:
  int_type overflow(int_type c) override {
    ++bytes;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += static_cast<std::size_t>(n);
    return n;
  }
};

generate::Model nile() {
  generate::Model m;
  m.name = "NILE";
  m.first_year = 1871;
  m.N = 100;
  m.distribution.family() = 1;
  m.t = {2, -36.7712101, 5.4021626, 1.0, 0.0};
  m.p = 2;
  m.q = 1;
  m.phi = {1.19825, -0.21896};
  m.theta = {0.86118, 0.0};
  m.record_mean = 919.35;
  return m;
}

void BM_Generate(benchmark::State& state) {
  const generate::Model m = nile();
  generate::Options o;
  o.series = state.range(0);
  o.years = 100;
  o.jobs = 1;
  std::size_t bytes = 0;
  for (auto _ : state) {
    CountingBuf buf;
    std::ostream os(&buf);
    generate::write_series(m, o, os, nullptr);
    bytes = buf.bytes;
  }
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  state.counters["peak_rss_MiB"] = static_cast<double>(u.ru_maxrss) / 1024.0;
  state.counters["MB_written"] = static_cast<double>(bytes) / 1e6;
  state.SetItemsProcessed(state.iterations() * o.series * o.years);
}
BENCHMARK(BM_Generate)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
