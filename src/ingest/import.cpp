#include "ingest/import.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "flowfile/fields.hpp"
#include "flowfile/writer.hpp"
#include "ingest/csv.hpp"

namespace ingest {

namespace {

// The value of each month of the data's span, with how much of it is known.
struct MonthSum {
  int present = 0;        // values (days, or the one monthly value) that are known
  long double sum = 0.0;  // their sum, in date order
  int table = -1;         // where the month's first value is
  int line = 0;
};

std::string key_text(bool daily, int key) {
  if (daily) return date_text(date_of(key));
  return month_text(key / 12, key % 12 + 1);
}

// Years as runs: "1950, 1953-1955".
std::string years_text(const std::vector<int>& years) {
  std::string s;
  for (std::size_t i = 0; i < years.size();) {
    std::size_t j = i;
    while (j + 1 < years.size() && years[j + 1] == years[j] + 1) ++j;
    if (!s.empty()) s += ", ";
    s += std::to_string(years[i]);
    if (j > i) {
      s += '-';
      s += std::to_string(years[j]);
    }
    i = j + 1;
  }
  return s;
}

std::string value_text(double v) {
  char buf[64];
  const int n = std::snprintf(buf, sizeof buf, "%.6g", v);
  return std::string(buf, static_cast<std::size_t>(n));
}

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool name_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

}  // namespace

std::string default_name(std::string_view file_name) {
  const std::size_t slash = file_name.find_last_of('/');
  if (slash != std::string_view::npos) file_name.remove_prefix(slash + 1);
  const std::size_t dot = file_name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) file_name = file_name.substr(0, dot);
  std::string name = upper(std::string(file_name.substr(0, kMaxName)));
  for (char& c : name)
    if (!name_char(c)) c = '_';
  return name.empty() ? "GAUGE" : name;
}

bool valid_name(std::string_view name) {
  if (name.empty() || name.size() > static_cast<std::size_t>(kMaxName)) return false;
  return std::all_of(name.begin(), name.end(), name_char);
}

std::string Result::flow_text() const {
  return ok ? flowfile::flow_text(record) : std::string();
}

Result import_tables(const std::vector<Input>& inputs, const Options& o) {
  Result r;
  Report& rep = r.report;
  r.name = o.name.empty() ? default_name(inputs.empty() ? "" : inputs.front().name) : o.name;
  rep.name = r.name;
  rep.scale = o.scale;
  rep.monthly = o.monthly;
  rep.years_asked = o.first_year.has_value();
  auto fail = [&r](const std::string& message) {
    r.ok = false;
    r.message = message;
    r.report.error = message;
    r.record = flowfile::FlowRecord{};
    return r;
  };
  if (inputs.empty()) return fail("no input file");
  if (!valid_name(r.name))
    return fail("the gauge name " + r.name +
                " is not a base name (1 to 19 letters, digits, '_' or '-')");
  if (!(std::isfinite(o.scale) && o.scale > 0.0))
    return fail("the scale factor must be a positive number");
  if (o.first_year.has_value() != o.last_year.has_value() ||
      (o.first_year && *o.first_year > *o.last_year))
    return fail("the span of years must run from a first year to a later (or the same) last year");
  if (o.missing && !(*o.missing < 0.0))
    return fail("the missing-value sentinel must be a negative number");

  // Read every file.
  const ReadOptions ro{o.layout, o.column, o.missing, o.skip_bad_rows};
  std::vector<Table> tables(inputs.size());
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    std::string error;
    if (!read_table(inputs[i], ro, tables[i], error)) return fail(error);
  }
  for (std::size_t i = 1; i < tables.size(); ++i)
    if (tables[i].daily != tables[0].daily)
      return fail(tables[0].file + " holds " + (tables[0].daily ? "daily" : "monthly") +
                  " values and " + tables[i].file + " " + (tables[i].daily ? "daily" : "monthly") +
                  " values: the files of one import must all be daily or all monthly");
  const bool daily = tables[0].daily;
  rep.daily = daily;

  // The files in the order of their first values; they may not overlap.
  std::vector<std::size_t> order(tables.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&tables](std::size_t a, std::size_t b) {
    const bool ea = tables[a].obs.empty(), eb = tables[b].obs.empty();
    if (ea || eb) return !ea && eb;
    return tables[a].obs.front().key < tables[b].obs.front().key;
  });
  const char* unit_word = daily ? "date" : "month";
  for (std::size_t k = 1; k < order.size(); ++k) {
    const Table& prev = tables[order[k - 1]];
    const Table& next = tables[order[k]];
    if (prev.obs.empty() || next.obs.empty()) continue;
    if (next.obs.front().key <= prev.obs.back().key)
      return fail(next.file + " line " + std::to_string(next.obs.front().line) + ": its " +
                  unit_word + "s from " + key_text(daily, next.obs.front().key) +
                  " overlap those of " + prev.file + " (up to " +
                  key_text(daily, prev.obs.back().key) + ", line " +
                  std::to_string(prev.obs.back().line) + ")");
  }

  // What was read.
  std::string file_list;
  for (const Table& t : tables) {
    FileReport f{t.file, t.layout, t.delimiter, t.header_line, t.value_column, t.rows_read, "", ""};
    if (!t.obs.empty()) {
      f.first = key_text(daily, t.obs.front().key);
      f.last = key_text(daily, t.obs.back().key);
    }
    rep.files.push_back(f);
    rep.rows_read += t.rows_read;
    rep.values_missing += t.values_missing;
    rep.rejected.insert(rep.rejected.end(), t.rejected.begin(), t.rejected.end());
    for (const std::string& note : t.notes) rep.notes.push_back(t.file + ": " + note);
    file_list += (file_list.empty() ? "" : ", ") + t.file;
  }

  // Sum the known values of each month.
  int first_month = 0, last_month = -1;
  for (std::size_t k : order) {
    const Table& t = tables[k];
    if (t.obs.empty()) continue;
    if (last_month < first_month) first_month = t.obs.front().month;
    last_month = t.obs.back().month;
  }
  if (last_month < first_month) return fail(file_list + ": no values to import");
  const int first_year = first_month / 12;
  const int last_year = last_month / 12;
  const int n_years = last_year - first_year + 1;
  std::vector<MonthSum> months(static_cast<std::size_t>(n_years) * 12);
  for (std::size_t k : order) {
    for (const Observation& obs : tables[k].obs) {
      if (obs.missing) continue;
      MonthSum& m = months[static_cast<std::size_t>(obs.month - first_year * 12)];
      if (m.present == 0) {
        m.table = static_cast<int>(k);
        m.line = obs.line;
      }
      ++m.present;
      m.sum += obs.value;
    }
  }

  // Which years are complete.
  std::vector<bool> complete(static_cast<std::size_t>(n_years), true);
  for (int i = 0; i < n_years; ++i) {
    const int year = first_year + i;
    int known = 0;
    for (int m = 0; m < 12; ++m) {
      const MonthSum& s = months[static_cast<std::size_t>(i * 12 + m)];
      const int needed = daily ? days_in_month(year, m + 1) : 1;
      if (s.present != needed) complete[static_cast<std::size_t>(i)] = false;
      known += s.present;
    }
    const int of = daily ? days_in_year(year) : 12;
    if (known < of) rep.missing.push_back({year, of - known, of});
  }
  for (int i = 0; i < n_years;) {
    if (!complete[static_cast<std::size_t>(i)]) {
      ++i;
      continue;
    }
    int j = i;
    while (j + 1 < n_years && complete[static_cast<std::size_t>(j + 1)]) ++j;
    rep.complete.emplace_back(first_year + i, first_year + j);
    i = j + 1;
  }

  // The years to write.
  int from = 0, to = -1;
  if (o.first_year) {
    from = *o.first_year;
    to = *o.last_year;
    std::vector<int> incomplete;
    for (int y = from; y <= to; ++y)
      if (y < first_year || y > last_year || !complete[static_cast<std::size_t>(y - first_year)])
        incomplete.push_back(y);
    if (!incomplete.empty())
      return fail(file_list + ": the years " + std::to_string(from) + "-" + std::to_string(to) +
                  " asked for are not all complete; incomplete: " + years_text(incomplete));
  } else {
    // The longest run; of runs of equal length, the later one.
    for (const auto& [a, b] : rep.complete)
      if (b - a >= to - from) from = a, to = b;
    if (to < from)
      return fail(file_list + ": no complete year (every year from " + std::to_string(first_year) +
                  " to " + std::to_string(last_year) + " misses " + (daily ? "days" : "months") +
                  ")");
  }
  if (to - from + 1 > flowfile::kMaxYears)
    return fail(file_list + ": " + std::to_string(to - from + 1) + " years from " +
                std::to_string(from) + ": a flow file holds at most " +
                std::to_string(flowfile::kMaxYears) + "; choose a span with --years");

  // The monthly values to write; all must fit their fields.
  const std::size_t n_written = static_cast<std::size_t>(to - from + 1) * 12;
  std::vector<double> values(n_written);
  double largest = 0.0;
  std::size_t first_too_large = n_written;
  for (std::size_t k = 0; k < n_written; ++k) {
    const MonthSum& s = months[static_cast<std::size_t>((from - first_year) * 12) + k];
    const long double mean_or_sum =
        daily && o.monthly == Aggregation::Mean ? s.sum / s.present : s.sum;
    values[k] = static_cast<double>(mean_or_sum) * o.scale;
    largest = std::max(largest, values[k]);
    if (values[k] >= flowfile::kLargestField && first_too_large == n_written) first_too_large = k;
  }
  if (first_too_large < n_written) {
    // Suggest the scale, a power of ten below the one in use, that makes the
    // largest value fit.
    double factor = o.scale;
    for (double v = largest; v >= flowfile::kLargestField && std::isfinite(v); v /= 10.0)
      factor /= 10.0;
    const int y = from + static_cast<int>(first_too_large / 12);
    const int m = static_cast<int>(first_too_large % 12) + 1;
    const MonthSum& s = months[static_cast<std::size_t>((y - first_year) * 12 + m - 1)];
    return fail(tables[static_cast<std::size_t>(s.table)].file + " line " + std::to_string(s.line) +
                ": the value of " + month_text(y, m) + ", " + value_text(values[first_too_large]) +
                (o.scale != 1.0 ? " after scaling" : "") +
                ", does not fit the 7 columns of a flow field (at most 9999999); scale the values "
                "down with --scale" +
                (std::isfinite(largest)
                     ? " (--scale " + value_text(factor) + " makes the largest, " +
                           value_text(largest) + ", fit)"
                     : std::string()));
  }

  // The record, each value as its field holds it.
  flowfile::FlowRecord& record = r.record;
  record.name = r.name;
  record.first_year = from;
  record.source.file = file_list;
  record.source.format = daily ? "daily table" : "monthly table";
  record.source.column = tables[0].value_column;
  record.months.resize(static_cast<std::size_t>(to - from + 1));
  std::string field;
  int min_dec = 99, max_dec = -1;
  double max_rounding = 0.0;
  for (std::size_t k = 0; k < n_written; ++k) {
    const double v = values[k];
    int decimals = 0;
    if (!flowfile::format_field(v, field, decimals)) continue;  // fits: checked above
    const double back = flowfile::field_value(field);
    record.months[k / 12][k % 12] = back;
    max_rounding = std::max(max_rounding, std::fabs(back - v));
    min_dec = std::min(min_dec, decimals);
    max_dec = std::max(max_dec, decimals);
  }
  rep.first_year = from;
  rep.last_year = to;
  rep.min_decimals = min_dec;
  rep.max_decimals = max_dec;
  rep.max_rounding = max_rounding;
  r.ok = true;
  return r;
}

}  // namespace ingest
