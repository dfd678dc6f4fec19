// What several test programs share: writers of monthly flow files, the annual
// sums of a flow file computed independently of the program's reader, and a
// temporary folder of its own for every test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace rivan6_test {

namespace fs = std::filesystem;

// ---- files -----------------------------------------------------------------

inline std::string read_file(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void write_file(const fs::path& p, std::string_view text) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!f) ADD_FAILURE() << "cannot write " << p;
}

// ---- flow files ------------------------------------------------------------

// One record of a flow file: four columns of text, the year in columns 5-8,
// then twelve months " %7.3f" (the blank stands where the flag of the
// previous month goes). No line end.
inline std::string flow_record(int year, double month, std::string_view prefix = "TEST") {
  char buf[200];
  int len = std::snprintf(buf, sizeof buf, "%.4s%4d", std::string(prefix).c_str(), year);
  for (int m = 0; m < 12; ++m) len += std::snprintf(buf + len, sizeof buf - len, " %7.3f", month);
  return std::string(buf, static_cast<std::size_t>(len));
}

// Records of consecutive years with the same value in every month.
inline std::string flat_years(int first, int last, double month = 1.0, const char* eol = "\n") {
  std::string s;
  for (int y = first; y <= last; ++y) s += flow_record(y, month) + eol;
  return s;
}

// Records of consecutive years whose annual flows are `annual` (each month
// one twelfth, to three decimals).
inline std::string flow_file(int first_year, const std::vector<double>& annual,
                             const char* eol = "\n") {
  std::string s;
  for (std::size_t i = 0; i < annual.size(); ++i)
    s += flow_record(first_year + static_cast<int>(i), annual[i] / 12.0) + eol;
  return s;
}

// n consecutive years whose flows vary from year to year: a deterministic
// pseudo-random monthly value between 5 and 15 times scale.
inline std::string varied_flow_file(int first, int n, const char* eol = "\n", double scale = 1.0) {
  std::string s;
  unsigned x = 777;
  for (int i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    const double u = ((x >> 8) % 10000) / 10000.0;
    s += flow_record(first + i, scale * (5.0 + 10.0 * u * u)) + eol;
  }
  return s;
}

// The annual flows of a monthly flow file, summed month by month in order
// from the twelve 7-column fields from column 10 (a blank field is 0; blank
// lines are skipped). Empty when the file is absent.
inline std::vector<double> annual_flows(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<double> a;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(' ') == std::string::npos) continue;
    double sum = 0.0;
    for (std::size_t k = 0; k < 12; ++k) {
      const std::size_t col = 9 + 8 * k;
      if (col >= line.size()) break;
      sum += std::strtod(line.substr(col, 7).c_str(), nullptr);
    }
    a.push_back(sum);
  }
  return a;
}

// The annual flows of one of the real gauge records beside the project
// (empty when they are not there: the tests that use them then skip).
inline std::vector<double> shared_annual_flows(const std::string& file_name) {
  return annual_flows(fs::path(RIVAN6_SHARED_DATA) / file_name);
}

// ---- temporary folders -----------------------------------------------------

// A new folder under the system's temporary directory, unique to this process
// and this object (mkdtemp), removed with everything in it on destruction.
// The name is short, "/tmp/r6-XXXXXX", since the dialogue shows a directory
// in a field of 50 columns.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "r6-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
      ADD_FAILURE() << "mkdtemp " << pattern << ": " << std::strerror(errno);
    path_ = pattern;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ec;
    // A test may have taken away write permission to see a write fail.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
      if (it->is_directory(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  fs::path operator/(const fs::path& p) const { return path_ / p; }

 private:
  fs::path path_;
};

// ---- comparing texts and naming cases ------------------------------------------

// The first line where a kept text and a written one differ, for a failure
// message (lines cut to 300 columns).
inline std::string first_difference(const std::string& kept, const std::string& written) {
  std::istringstream ia(kept), ib(written);
  std::string la, lb;
  for (int line = 1;; ++line) {
    const bool ga = static_cast<bool>(std::getline(ia, la));
    const bool gb = static_cast<bool>(std::getline(ib, lb));
    if (!ga && !gb) return "no difference in lines (line ends or a final byte differ)";
    if (!ga || !gb || la != lb)
      return "line " + std::to_string(line) +
             ":\n  kept:    " + (ga ? la.substr(0, 300) : "<end>") +
             "\n  written: " + (gb ? lb.substr(0, 300) : "<end>");
  }
}

// A test name from free text: letters and digits kept, anything else '_'.
inline std::string test_name(std::string_view text) {
  std::string n(text);
  for (char& c : n)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
}

// The name of a parameterised case: what PrintTo shows of its parameter,
// letters and digits kept and every other run of characters made one '_',
// cut to 40 characters, with the case's number for uniqueness.
struct ReadableName {
  template <class P>
  std::string operator()(const ::testing::TestParamInfo<P>& info) const {
    const std::string text = ::testing::PrintToString(info.param);
    std::string n;
    for (const char c : text) {
      if (std::isalnum(static_cast<unsigned char>(c)))
        n += c;
      else if (!n.empty() && n.back() != '_')
        n += '_';
    }
    while (!n.empty() && n.back() == '_') n.pop_back();
    if (n.size() > 40) n.resize(40);
    return (n.empty() ? std::string("case") : n) + "_" + std::to_string(info.index);
  }
};

}  // namespace rivan6_test
