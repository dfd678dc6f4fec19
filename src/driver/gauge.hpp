// One gauge from its flow file to its texts.
#pragma once

#include <string>

#include "driver/reader.hpp"
#include "results/result.hpp"

namespace driver {

// Analyses the record read from a flow file: name20 is the 20-column base
// name (the report shows it), read what the reader noticed.
results::GaugeResult analyse_record(const std::string& name20, const FlowRecord& record,
                                    const ReadResult& read);

}  // namespace driver
