// rivan6 generate: synthetic annual flows from a gauge's fitted model, and
// the check of how they compare with the record.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "generate/check.hpp"
#include "generate/model.hpp"

namespace generate {

struct Options {
  std::int64_t series = 100;
  std::int64_t years = 0;  // 0: the record's number of years
  std::uint64_t seed = 1;
  long warmup = -1;  // -1: default_warmup of the model
  int jobs = 1;
};

// Writes the CSV of `o.series` series (header `series,year,flow`) to os, in
// series order, generating blocks of series on o.jobs threads; the bytes do
// not depend on o.jobs. Series are numbered from 1 and years from the
// record's last year + 1. When stats is given it receives the check
// statistics of every series (in series order). Returns false when os
// failed (and stops there).
bool write_series(const Model& m, const Options& o, std::ostream& os,
                  std::vector<SeriesStatistics>* stats);

// The command: argv[0] is "generate". Exit status 0 done, 1 a model file
// that cannot be used or an output that cannot be written, 2 a usage error.
int run_generate(int argc, const char* const* argv, std::istream& in, std::ostream& out,
                 std::ostream& err);

}  // namespace generate
