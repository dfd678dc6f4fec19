// Tables made for the import tests, and a folder of their own per test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/error.hpp"
#include "flowfile/fields.hpp"
#include "flowfile/reader.hpp"
#include "ingest/csv.hpp"
#include "ingest/import.hpp"

namespace ingest::testing {

// Monthly totals of a year, January to December.
using Year = std::array<double, 12>;

// Totals that differ from month to month and year to year, with three
// decimals (so that 7 columns hold them exactly).
inline Year totals_of(int year) {
  Year t{};
  for (int m = 0; m < 12; ++m) t[m] = 100.0 + ((year * 37 + m * 11) % 97) + 0.125 * (m % 5);
  return t;
}

// A daily table whose days spread each month's total evenly; a day listed in
// skip is left out.
inline std::string daily_csv(int first, int last, const std::vector<std::string>& skip = {},
                             const char* header = "date,flow\n") {
  std::string s = header;
  char buf[64];
  for (int y = first; y <= last; ++y) {
    const Year t = totals_of(y);
    for (int m = 1; m <= 12; ++m) {
      const int n = days_in_month(y, m);
      for (int d = 1; d <= n; ++d) {
        const std::string date = date_text({y, m, d});
        bool left_out = false;
        for (const std::string& k : skip) left_out = left_out || k == date;
        if (left_out) continue;
        std::snprintf(buf, sizeof buf, ",%.17g\n", t[m - 1] / n);
        s += date + buf;
      }
    }
  }
  return s;
}

// A wide table (year and twelve monthly values) of the same totals.
inline std::string wide_csv(int first, int last) {
  std::string s = "year,jan,feb,mar,apr,may,jun,jul,aug,sep,oct,nov,dec\n";
  char buf[64];
  for (int y = first; y <= last; ++y) {
    s += std::to_string(y);
    for (double v : totals_of(y)) {
      std::snprintf(buf, sizeof buf, ",%.17g", v);
      s += buf;
    }
    s += "\n";
  }
  return s;
}

// The records that the program's reader reads from a flow file's text.
struct Read {
  bool ok = false;
  std::string message;
  int first_year = 0;
  int N = 0;
  std::vector<double> flows;  // annual flows
};

inline Read read_back(const std::string& text) {
  std::istringstream in(text);
  try {
    const flowfile::FlowRead r = flowfile::read_flows(in, "T.INC");
    return {true, "", r.record.first_year, r.record.years(), r.record.annual()};
  } catch (const files::Error& e) {
    return {false, e.what(), 0, 0, {}};
  }
}

// The twelve monthly values of each record of a flow file's text, as the
// reader reads its fields.
inline std::vector<Year> months_of(const std::string& text) {
  std::vector<Year> years;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    Year y{};
    for (int m = 0; m < 12; ++m) (void)flowfile::read_real_field(line.substr(9 + 8 * m, 7), y[m]);
    years.push_back(y);
  }
  return years;
}

inline Result import_text(const std::string& text, Options o = {},
                          const std::string& name = "test.csv") {
  return import_tables({{name, text}}, o);
}

// A fresh folder for one test (unique per process and test), removed after.
class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "rivan6-ingest-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void spit(const std::filesystem::path& p, const std::string& text) {
  std::ofstream f(p, std::ios::binary);
  f << text;
}

}  // namespace ingest::testing
