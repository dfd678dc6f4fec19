// The fixed-column fields of a flow file: the year (I4) and the monthly
// values (F7.0), read as a formatted read does and written as exactly as
// seven columns hold them.
#pragma once

#include <string>
#include <string_view>

namespace flowfile {

constexpr int kFieldWidth = 7;  // the columns of one monthly value
// The smallest value that does not fit: 7 digits round it to 10000000.
constexpr double kLargestField = 9999999.5;

// Reads one F7.0 field the way a formatted read does (blanks ignored; no
// point: a whole number; a point: as written; exponent allowed; blank: 0).
// False when the field is not a number.
[[nodiscard]] bool read_real_field(std::string_view field, double& value);

// Reads one I4 field (blanks ignored; blank: 0). False when not a number.
[[nodiscard]] bool read_int_field(std::string_view field, int& value);

// The 7-column field of a value of at least zero, as exactly as 7 columns
// hold it: the most decimals that fit (".123456" below 1, "12.3456",
// "1234.57"), a whole number without a point from 100000 on ("1234567").
// False when the value is 9999999.5 or more. decimals receives the number
// of decimals written.
[[nodiscard]] bool format_field(double value, std::string& field, int& decimals);

// The value a field written by format_field reads back as.
double field_value(std::string_view field);

}  // namespace flowfile
