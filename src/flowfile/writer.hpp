// Writing the monthly flow file of a gauge: one record per year, columns 1-4
// the first four characters of the gauge name, the year in columns 5-8,
// column 9 blank, then twelve 7-column monthly values from column 10, each
// followed by a blank flag column.
#pragma once

#include <string>

#include "flowfile/record.hpp"

namespace flowfile {

// Whether every monthly value of the record fits a field: a finite number
// from 0 to below 9999999.5.
bool fits(const FlowRecord& record);

// The flow file of the record. Every value must fit (see fits); reading the
// text back gives the record's values exactly when each is the value of its
// own field (see field_value).
std::string flow_text(const FlowRecord& record);

}  // namespace flowfile
