// The import report as JSON and as text.
#include <cstdio>
#include <string>

#include "ingest/import.hpp"

namespace ingest {

namespace {

std::string delimiter_name(char c) {
  if (c == '\t') return "tab";
  return std::string("'") + c + "'";
}

std::string layout_words(Layout layout) {
  switch (layout) {
    case Layout::Daily:
      return "daily table (date, value)";
    case Layout::Monthly:
      return "monthly table (year-month, value)";
    case Layout::YearMonth:
      return "monthly table (year, month, value)";
    case Layout::Wide:
      return "wide table (year and twelve monthly values)";
    case Layout::Auto:
      break;
  }
  return "table";
}

std::string number_text(double v, int digits = 10) {
  char buf[64];
  const int n = std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  return std::string(buf, static_cast<std::size_t>(n));
}

}  // namespace

nlohmann::json Report::to_json() const {
  nlohmann::json j;
  j["ok"] = error.empty();
  if (!error.empty()) j["error"] = error;
  j["name"] = name;
  nlohmann::json files_json = nlohmann::json::array();
  for (const FileReport& f : files) {
    nlohmann::json fj;
    fj["file"] = f.file;
    fj["layout"] = std::string(layout_name(f.layout));
    fj["delimiter"] = std::string(1, f.delimiter);
    fj["header_line"] =
        f.header_line == 0 ? nlohmann::json(nullptr) : nlohmann::json(f.header_line);
    fj["value_column"] =
        f.value_column.empty() ? nlohmann::json(nullptr) : nlohmann::json(f.value_column);
    fj["rows_read"] = f.rows_read;
    fj["first"] = f.first;
    fj["last"] = f.last;
    files_json.push_back(fj);
  }
  j["files"] = files_json;
  j["rows_read"] = rows_read;
  j["values_missing"] = values_missing;
  nlohmann::json rejected_json = nlohmann::json::array();
  for (const Rejection& rj : rejected)
    rejected_json.push_back({{"file", rj.file}, {"line", rj.line}, {"reason", rj.reason}});
  j["rows_rejected"] = rejected_json;
  j["unit"] = daily ? "days" : "months";
  j["monthly"] = daily ? nlohmann::json(monthly == Aggregation::Sum ? "sum" : "mean")
                       : nlohmann::json(nullptr);
  j["scale"] = scale;
  nlohmann::json missing_json = nlohmann::json::array();
  for (const YearGap& g : missing)
    missing_json.push_back({{"year", g.year}, {"missing", g.missing}, {"of", g.of}});
  j["missing_per_year"] = missing_json;
  nlohmann::json complete_json = nlohmann::json::array();
  for (const auto& [a, b] : complete) complete_json.push_back({{"first", a}, {"last", b}});
  j["complete_years"] = complete_json;
  if (last_year >= first_year) {
    j["years_written"] = {{"first", first_year},
                          {"last", last_year},
                          {"count", years_written()},
                          {"chosen_by", years_asked ? "years" : "longest_run"}};
    j["precision"] = {{"min_decimals", min_decimals},
                      {"max_decimals", max_decimals},
                      {"max_rounding", max_rounding}};
  } else {
    j["years_written"] = nullptr;
    j["precision"] = nullptr;
  }
  j["notes"] = notes;
  return j;
}

std::string Report::to_text() const {
  std::string s = "import of " + name + "\n";
  for (const FileReport& f : files) {
    s += "  " + f.file + ": " + layout_words(f.layout) + ", delimiter " +
         delimiter_name(f.delimiter) +
         (f.header_line ? ", header on line " + std::to_string(f.header_line) : ", no header");
    if (!f.value_column.empty()) s += ", values from " + f.value_column;
    if (!f.first.empty()) s += ", " + f.first + " to " + f.last;
    s += "\n";
  }
  s += "  rows read: " + std::to_string(rows_read) +
       "; values marked missing: " + std::to_string(values_missing) +
       "; rows rejected: " + std::to_string(rejected.size()) + "\n";
  for (const Rejection& rj : rejected)
    s += "    rejected: " + rj.file + " line " + std::to_string(rj.line) + ": " + rj.reason + "\n";
  s += std::string("  monthly values: ") +
       (daily ? (monthly == Aggregation::Sum ? "the sum of the days" : "the mean of the days")
              : "as read") +
       "; scaling: " + (scale == 1.0 ? std::string("none") : "x " + number_text(scale)) + "\n";
  const char* unit = daily ? "days" : "months";
  if (missing.empty()) {
    s += std::string("  missing ") + unit + " per year: none\n";
  } else {
    s += std::string("  missing ") + unit + " per year:\n";
    for (std::size_t i = 0; i < missing.size();) {
      // Years without any value, one after the other, on one line.
      std::size_t j = i;
      if (missing[i].missing == missing[i].of)
        while (j + 1 < missing.size() && missing[j + 1].year == missing[j].year + 1 &&
               missing[j + 1].missing == missing[j + 1].of)
          ++j;
      if (j > i)
        s += "    " + std::to_string(missing[i].year) + "-" + std::to_string(missing[j].year) +
             ": all\n";
      else
        s += "    " + std::to_string(missing[i].year) + ": " + std::to_string(missing[i].missing) +
             " of " + std::to_string(missing[i].of) + "\n";
      i = j + 1;
    }
  }
  s += "  complete years: ";
  if (complete.empty()) s += "none";
  for (std::size_t i = 0; i < complete.size(); ++i) {
    if (i) s += ", ";
    s += std::to_string(complete[i].first);
    if (complete[i].second > complete[i].first) {
      s += '-';
      s += std::to_string(complete[i].second);
    }
  }
  s += "\n";
  if (last_year >= first_year) {
    s += "  years written: " + std::to_string(first_year) + "-" + std::to_string(last_year) + " (" +
         std::to_string(years_written()) + (years_written() == 1 ? " year, " : " years, ") +
         (years_asked ? "as asked" : "the longest run of complete years") + ")\n";
    s += "  precision: " + std::to_string(min_decimals);
    if (max_decimals != min_decimals) s += " to " + std::to_string(max_decimals);
    s += max_decimals == 1 ? " decimal" : " decimals";
    s += " in 7 columns; largest rounding " + number_text(max_rounding) + "\n";
  }
  for (const std::string& note : notes) s += "  note: " + note + "\n";
  return s;
}

}  // namespace ingest
