// Fuzz target: arbitrary bytes as a flow file, through the reader and the
// whole analysis of one gauge, all in memory.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "answer/answer.hpp"
#include "driver/reader.hpp"
#include "files/error.hpp"
#include "flowfile/reader.hpp"
#include "format/format.hpp"
#include "pipeline/pipeline.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  flowfile::FlowRead read;
  try {
    read = flowfile::read_flows(in, "FUZZ.INC");
  } catch (const files::Error&) {
    return 0;
  }
  pipeline::Options options;
  options.findings.bootstrap = 20;
  const pipeline::Gauge g =
      pipeline::analyse(read, driver::fixed_field("FUZZ", driver::kNameColumns), options);
  std::ostringstream log;
  format::Writer screen(log);
  format::Screen scr{screen, [](std::string_view) {}};
  answer::show_gauge(g.result, scr, false);
  const driver::GaugeTexts texts = driver::gauge_texts(
      g.result, g.findings, log.str() + findings::findings_block(g.result, g.findings));
  return 0;
}
