// One gauge from its flow record to its result and findings: the analysis
// that batch mode, the dialogue and the fuzz target all run.
#pragma once

#include <string>

#include "findings/findings.hpp"
#include "flowfile/reader.hpp"
#include "results/result.hpp"

namespace pipeline {

// The analysis options a user can set.
struct Options {
  findings::Options findings;
};

struct Gauge {
  results::GaugeResult result;
  findings::Findings findings;
};

// Analyses the record as read; name20 is the 20-column base name that the
// report shows.
Gauge analyse(const flowfile::FlowRead& read, const std::string& name20, const Options& options);

}  // namespace pipeline
