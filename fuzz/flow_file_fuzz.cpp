// Fuzz target: arbitrary bytes as a flow file, through the reader and the
// whole analysis of one gauge, all in memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "driver/gauge.hpp"
#include "driver/reader.hpp"
#include "format/format.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  auto record = std::make_unique<driver::FlowRecord>();
  const driver::ReadResult read = driver::read_flows(in, "FUZZ.INC", *record);
  if (!read.ok) return 0;
  std::ostringstream ans, log;
  format::Writer screen(log);
  format::Screen scr{screen, [](std::string_view) {}};
  driver::analyse_gauge(driver::fixed_field("FUZZ", driver::kNameColumns), *record, ans, scr,
                        false);
  return 0;
}
