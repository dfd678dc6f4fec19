#include "pipeline/pipeline.hpp"

namespace pipeline {

Gauge analyse(const flowfile::FlowRead& read, const std::string& name20, const Options& options) {
  Gauge g;
  g.result = results::analyse(results::record_of(read, name20));
  g.findings = findings::compute(g.result, options.findings);
  return g;
}

}  // namespace pipeline
