// One row of the network table: the key figures of one gauge, for putting
// many gauges side by side.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "results/result.hpp"

namespace results {

using Columns = std::vector<std::pair<std::string, std::string>>;

// The analysis columns of a gauge (header, value): numbers in their shortest
// round-trip decimal form with '.' as decimal point, an empty value where a
// number does not exist or is not finite.
Columns csv_columns(const GaugeResult& r);
// The same headers with empty values, for a gauge that failed.
Columns csv_empty_columns();

// A number in its shortest round-trip decimal form ("" when not finite).
std::string csv_number(double v);
// A field quoted when it holds a comma, a quote or a line end (quotes
// doubled).
std::string csv_field(const std::string& text);
// A line of fields, comma-separated, ending in "\n".
std::string csv_line(const std::vector<std::string>& fields);

}  // namespace results
