#include "flowfile/writer.hpp"

#include <cstdio>

#include "flowfile/fields.hpp"

namespace flowfile {

bool fits(const FlowRecord& record) {
  std::string field;
  int decimals = 0;
  for (const auto& year : record.months)
    for (const double v : year)
      if (!format_field(v, field, decimals)) return false;
  return true;
}

std::string flow_text(const FlowRecord& record) {
  std::string prefix = record.name.substr(0, 4);
  prefix.resize(4, ' ');
  std::string text;
  text.reserve(record.months.size() * 106);
  std::string field;
  for (int i = 0; i < record.years(); ++i) {
    char year[8];
    std::snprintf(year, sizeof year, "%4d ", record.first_year + i);
    text += prefix;
    text += year;
    for (const double v : record.months[static_cast<std::size_t>(i)]) {
      int decimals = 0;
      if (!format_field(v, field, decimals)) field.assign(kFieldWidth, '*');
      text += field;
      text += ' ';
    }
    text += '\n';
  }
  return text;
}

}  // namespace flowfile
