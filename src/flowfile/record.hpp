// The monthly flow record of a gauge: the value that the flow file holds,
// whether it was read from a flow file or imported from a table.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace flowfile {

// The most years a flow file holds (and the analysis takes).
constexpr int kMaxYears = 1000;
// The longest base name of a gauge (its files are NAME.INC, NAME.ANS, ...).
constexpr int kMaxName = 19;

// Where a record came from.
struct Source {
  std::string file;    // the flow file or table it was read from
  std::string format;  // "flow file", or the kind of table it was imported from
  std::string column;  // the table's value column ("" for a flow file)
};

struct FlowRecord {
  std::string name;  // the gauge's base name ("" when not known)
  int first_year = 0;
  // The twelve monthly values of each year, in year order, as the flow file
  // holds them (a blank field is 0).
  std::vector<std::array<double, 12>> months;
  Source source;

  int years() const { return static_cast<int>(months.size()); }
  int last_year() const { return first_year + years() - 1; }
  // The annual flows: each year's months summed in order.
  std::vector<double> annual() const {
    std::vector<double> a;
    a.reserve(months.size());
    for (const auto& year : months) {
      double sum = 0.0;
      for (const double v : year) sum += v;
      a.push_back(sum);
    }
    return a;
  }
};

}  // namespace flowfile
