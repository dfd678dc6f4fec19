#include "ingest/table.hpp"

#include <climits>
#include <string>

#include "ingest/csv.hpp"

namespace ingest {

namespace {

struct Line {
  std::string_view text;
  int number = 0;
};

// The lines that hold data or a header: not blank, not a '#' comment.
std::vector<Line> content_lines(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<Line> lines;
  int number = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    lines.push_back({line, number});
  }
  return lines;
}

std::string at(const std::string& file, int line) {
  return file + " line " + std::to_string(line) + ": ";
}

std::string quoted(std::string_view s) {
  std::string q(1, '\'');
  q += s;
  q += '\'';
  return q;
}

std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

// A first cell that a data row could start with: a date, a month or a year.
bool looks_like_key(std::string_view cell) {
  Date d;
  int y = 0, m = 0;
  return parse_iso_date(cell, d) || parse_year_month(cell, y, m) || parse_year(cell, y);
}

bool is_month_heading(std::string_view heading) {
  const std::string h = lower(heading);
  return h == "month" || h == "mon" || h == "mo" || h == "mm" || h == "m";
}

int month_index(int year, int month) {
  return year * 12 + month - 1;
}

bool on_first_day(const Date& d) {
  return d.day == 1;
}
bool on_last_day(const Date& d) {
  return d.day == days_in_month(d.year, d.month);
}

// The layout that the first data row (and the one after it, when there is
// one) shows; Auto when it shows none. note receives why a table of dates
// was taken for a monthly one.
Layout detect_layout(const std::vector<std::string>& header, const std::vector<std::string>& row,
                     const std::vector<std::string>& next, std::string& note) {
  Date d, e;
  int y = 0, m = 0;
  if (parse_iso_date(row[0], d)) {
    // Two dates a month or more apart, both on the first (or both on the
    // last) day of their months: a monthly table written with dates. Read as
    // days, not one of its months could ever be complete.
    if (!next.empty() && parse_iso_date(next[0], e) && valid_date(d) && valid_date(e) &&
        month_index(d.year, d.month) != month_index(e.year, e.month) &&
        ((on_first_day(d) && on_first_day(e)) || (on_last_day(d) && on_last_day(e)))) {
      note = std::string("the dates fall on the ") + (on_first_day(d) ? "first" : "last") +
             " day of their months: the table is read as monthly values (--layout daily reads "
             "them as days)";
      return Layout::Monthly;
    }
    return Layout::Daily;
  }
  if (parse_year_month(row[0], y, m)) return Layout::Monthly;
  if (parse_year(row[0], y)) {
    if (header.size() >= 2 && is_month_heading(header[1])) return Layout::YearMonth;
    if (row.size() >= 13) return Layout::Wide;
    if (row.size() >= 3 && parse_month(row[1], m)) return Layout::YearMonth;
  }
  return Layout::Auto;
}

// What a key of the layout is called in messages.
const char* key_word(Layout layout) {
  switch (layout) {
    case Layout::Daily:
      return "date";
    case Layout::Wide:
      return "year";
    default:
      return "month";
  }
}

}  // namespace

std::string_view layout_name(Layout layout) {
  switch (layout) {
    case Layout::Daily:
      return "daily";
    case Layout::Monthly:
      return "monthly";
    case Layout::YearMonth:
      return "year-month";
    case Layout::Wide:
      return "wide";
    case Layout::Auto:
      break;
  }
  return "auto";
}

bool layout_from_name(std::string_view name, Layout& layout) {
  for (Layout l : {Layout::Auto, Layout::Daily, Layout::Monthly, Layout::YearMonth, Layout::Wide}) {
    if (name == layout_name(l)) {
      layout = l;
      return true;
    }
  }
  return false;
}

bool read_table(const Input& input, const ReadOptions& options, Table& t, std::string& error) {
  t = Table{};
  t.file = input.name;
  const std::string& file = input.name;
  const std::vector<Line> lines = content_lines(input.text);
  if (lines.empty()) {
    error = file + ": the file is empty (no header and no data)";
    return false;
  }
  t.delimiter =
      detect_delimiter(lines[0].text, lines.size() > 1 ? lines[1].text : std::string_view());
  const bool decimal_comma = t.delimiter != ',';

  std::vector<std::string> header, first, second;
  split_cells(lines[0].text, t.delimiter, first);
  std::size_t data_start = 0;
  if (!looks_like_key(first[0])) {
    header = first;
    t.header_line = lines[0].number;
    data_start = 1;
    if (lines.size() == 1) {
      error = at(file, lines[0].number) + "a header and no data after it";
      return false;
    }
    split_cells(lines[1].text, t.delimiter, first);
  }
  if (data_start + 1 < lines.size()) split_cells(lines[data_start + 1].text, t.delimiter, second);
  const int first_line = lines[data_start].number;

  // The layout.
  t.layout = options.layout;
  std::string layout_hint;
  if (t.layout == Layout::Auto) {
    std::string note;
    t.layout = detect_layout(header, first, second, note);
    if (t.layout == Layout::Auto) {
      error = at(file, first_line);
      int y = 0;
      if (parse_year(first[0], y))
        error += "a year followed by " + std::to_string(first.size() - 1) +
                 " fields is neither a wide table (a year and 12 monthly values) nor year, "
                 "month, value; name the layout with --layout";
      else
        error += quoted(first[0]) +
                 " is neither a date (YYYY-MM-DD), a month (YYYY-MM) nor a year; name the "
                 "layout with --layout";
      return false;
    }
    if (!note.empty()) {
      t.notes.push_back(note);
      layout_hint = " (" + note + ")";
    }
  }
  t.daily = t.layout == Layout::Daily;

  // The value column.
  const std::size_t key_columns = t.layout == Layout::YearMonth ? 2 : 1;
  const std::vector<std::string>& names = header.empty() ? first : header;
  std::size_t width = names.size();
  while (width > key_columns + 1 && names[width - 1].empty()) --width;
  std::size_t column = 0;
  if (t.layout == Layout::Wide) {
    if (!options.column.empty()) {
      error = file + ": --column does not apply to a wide table (a year and twelve monthly values)";
      return false;
    }
    if (width > 13)
      t.notes.push_back(width == 14
                            ? std::string("column 14 holds no monthly values and is ignored")
                            : "columns 14 to " + std::to_string(width) +
                                  " hold no monthly values and are ignored");
  } else if (!options.column.empty()) {
    const std::string& c = options.column;
    if (c.find_first_not_of("0123456789") == std::string::npos) {
      const int number = c.size() > 6 ? INT_MAX : std::stoi(c);
      if (number < 1 || static_cast<std::size_t>(number) <= key_columns) {
        error = file + ": --column " + c + " is not a value column (column " +
                (key_columns == 1 ? std::string("1 holds the ") + key_word(t.layout)
                                  : std::string("1 and 2 hold the year and month")) +
                ")";
        return false;
      }
      column = static_cast<std::size_t>(number - 1);
      if (column >= names.size()) {
        error = at(file, header.empty() ? first_line : t.header_line) + "no column " + c +
                ": the row has " + std::to_string(names.size()) + " fields";
        return false;
      }
    } else {
      if (header.empty()) {
        error = file + ": --column " + c +
                " names a column, but the file has no header row; give the column's number";
        return false;
      }
      std::size_t found = header.size();
      for (std::size_t i = 0; i < header.size() && found == header.size(); ++i)
        if (header[i] == c) found = i;
      for (std::size_t i = 0; i < header.size() && found == header.size(); ++i)
        if (lower(header[i]) == lower(c)) found = i;
      if (found == header.size()) {
        std::string list;
        for (const std::string& h : header) list += (list.empty() ? "" : ", ") + quoted(h);
        error = at(file, t.header_line) + "no column named " + quoted(c) + " (the columns are " +
                list + ")";
        return false;
      }
      if (found < key_columns) {
        error = at(file, t.header_line) + "column " + quoted(c) + " holds the " +
                key_word(t.layout) + ", not the values";
        return false;
      }
      column = found;
    }
  } else {
    if (width <= key_columns) {
      error = at(file, header.empty() ? first_line : t.header_line) + "no value column: a " +
              std::string(layout_name(t.layout)) + " table holds the " + key_word(t.layout) +
              (key_columns == 2 ? " (year and month)" : "") + ", then the value";
      return false;
    }
    if (width > key_columns + 1) {
      std::string list;
      for (std::size_t i = key_columns; i < width; ++i)
        list += (list.empty() ? "" : ", ") + (header.empty() || header[i].empty()
                                                  ? "column " + std::to_string(i + 1)
                                                  : quoted(header[i]));
      error = at(file, header.empty() ? first_line : t.header_line) +
              std::to_string(width - key_columns) + " value columns (" + list +
              "): choose one with --column NAME or --column NUMBER";
      return false;
    }
    column = key_columns;
  }
  if (t.layout != Layout::Wide)
    t.value_column = !header.empty() && column < header.size() && !header[column].empty()
                         ? header[column]
                         : "column " + std::to_string(column + 1);

  // The rows.
  std::vector<std::string> cells;
  int last_key = INT_MIN;
  int last_line = 0;
  std::string last_text;
  for (std::size_t li = data_start; li < lines.size(); ++li) {
    const int line = lines[li].number;
    split_cells(lines[li].text, t.delimiter, cells);
    ++t.rows_read;
    // A fault of one row: refuses the file, or with skip_bad_rows rejects
    // the row (or the one value) and goes on.
    auto fault = [&](const std::string& reason) {
      if (!options.skip_bad_rows) {
        error = at(file, line) + reason;
        return false;
      }
      t.rejected.push_back({file, line, reason});
      return true;
    };

    // The key: a day, a month or a year.
    const std::string& c0 = cells[0];
    int key = 0, month = 0;
    std::string key_text = c0;
    Date d;
    int y = 0, m = 0;
    bool key_ok = false;
    std::string why;
    switch (t.layout) {
      case Layout::Daily:
        if (!parse_iso_date(c0, d))
          why = quoted(c0) + " is not a date (YYYY-MM-DD)";
        else if (!valid_date(d))
          why = c0 + " is not a date that exists";
        else
          key_ok = true;
        key = key_ok ? day_number(d) : 0;
        month = month_index(d.year, d.month);
        break;
      case Layout::Monthly:
        if (parse_year_month(c0, y, m)) {
          key_ok = m >= 1 && m <= 12;
          if (!key_ok) why = c0 + " is not a month that exists";
        } else if (parse_iso_date(c0, d)) {
          key_ok = valid_date(d);
          if (!key_ok) why = c0 + " is not a date that exists";
          y = d.year;
          m = d.month;
        } else {
          why = quoted(c0) + " is not a month (YYYY-MM)";
        }
        key = month = month_index(y, m);
        key_text = month_text(y, m);
        break;
      case Layout::YearMonth:
        if (!parse_year(c0, y))
          why = quoted(c0) + " is not a year";
        else if (cells.size() < 2 || !parse_month(cells[1], m))
          why = (cells.size() < 2 ? std::string("no month") : quoted(cells[1])) +
                " is not a month (1-12)";
        else
          key_ok = true;
        key = month = month_index(y, m);
        key_text = month_text(y, m);
        break;
      case Layout::Wide:
      case Layout::Auto:
        if (!parse_year(c0, y))
          why = quoted(c0) + " is not a year";
        else
          key_ok = true;
        key = month = month_index(y, 1);
        key_text = std::to_string(y);
        break;
    }
    if (!key_ok) {
      if (!fault(why)) return false;
      continue;
    }
    if (key == last_key) {
      error = at(file, line) + "duplicate " + key_word(t.layout) + " " + key_text +
              " (also on line " + std::to_string(last_line) + ")" + layout_hint;
      return false;
    }
    if (key < last_key) {
      error = at(file, line) + std::string(key_word(t.layout)) + " " + key_text + " comes after " +
              last_text + " (line " + std::to_string(last_line) + "): the " + key_word(t.layout) +
              "s are out of order" + layout_hint;
      return false;
    }
    last_key = key;
    last_line = line;
    last_text = key_text;

    // The value (or the twelve values of a wide row).
    auto value_of = [&](std::size_t col, Observation& o, const std::string& where) {
      if (col >= cells.size())
        return fault(where + "no value in column " + std::to_string(col + 1) + " (the row has " +
                     std::to_string(cells.size()) + " fields)");
      double v = 0.0;
      switch (parse_value(cells[col], decimal_comma, v)) {
        case CellValue::Missing:
          o.missing = true;
          ++t.values_missing;
          return true;
        case CellValue::Text:
          return fault(where + quoted(cells[col]) + " is not a number");
        case CellValue::Number:
          break;
      }
      if (v < 0.0) {
        if (options.missing && v == *options.missing) {
          o.missing = true;
          ++t.values_missing;
          return true;
        }
        return fault(where + "negative value " + cells[col] +
                     " (if it marks a missing value, declare it with --missing " + cells[col] +
                     ")");
      }
      o.missing = false;
      o.value = v;
      return true;
    };
    if (t.layout == Layout::Wide) {
      if (cells.size() < 13) {
        if (!fault(std::to_string(cells.size()) +
                   " fields: a wide table holds a year and 12 monthly values"))
          return false;
        for (int mm = 0; mm < 12; ++mm) t.obs.push_back({key + mm, key + mm, 0.0, true, line});
        continue;
      }
      for (int mm = 0; mm < 12; ++mm) {
        Observation o{key + mm, key + mm, 0.0, true, line};
        // A rejected value leaves its month missing.
        if (!value_of(static_cast<std::size_t>(mm + 1), o,
                      "month " + std::to_string(mm + 1) + ": "))
          return false;
        t.obs.push_back(o);
      }
    } else {
      Observation o{key, month, 0.0, true, line};
      if (!value_of(column, o, "")) return false;
      t.obs.push_back(o);
    }
  }
  return true;
}

}  // namespace ingest
