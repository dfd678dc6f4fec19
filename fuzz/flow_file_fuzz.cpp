// Fuzz target: arbitrary bytes as a flow file, through the reader and the
// whole analysis of one gauge, all in memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "driver/gauge.hpp"
#include "driver/reader.hpp"
#include "driver/texts.hpp"
#include "format/format.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  auto record = std::make_unique<driver::FlowRecord>();
  const driver::ReadResult read = driver::read_flows(in, "FUZZ.INC", *record);
  if (!read.ok) return 0;
  const results::GaugeResult g =
      driver::analyse_record(driver::fixed_field("FUZZ", driver::kNameColumns), *record, read);
  std::ostringstream log;
  format::Writer screen(log);
  format::Screen scr{screen, [](std::string_view) {}};
  driver::show_gauge(g, scr, false);
  findings::Options fo;
  fo.bootstrap = 20;
  const findings::Findings f = findings::compute(g, fo);
  const driver::GaugeTexts texts =
      driver::gauge_texts(g, f, log.str() + findings::findings_block(g, f));
  return 0;
}
