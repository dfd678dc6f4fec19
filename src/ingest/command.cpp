#include "ingest/command.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/options.hpp"
#include "files/atomic.hpp"

namespace ingest {

namespace {

const char* const kUsage =
    "Usage: rivan6 import FILE... [options]\n"
    "\n"
    "Turns daily or monthly flow tables in CSV into the flow file NAME.INC that\n"
    "rivan6 analyses. Only complete years are written: a month with a missing day\n"
    "and a year with a missing month are missing, and the file holds the longest\n"
    "run of consecutive complete years (of runs of equal length, the later one).\n"
    "Several FILEs are parts of one gauge's record (e.g. one per decade): they are\n"
    "put in date order and may not overlap.\n"
    "\n"
    "Layouts (detected from the header and the first rows): daily 'date,value'\n"
    "(YYYY-MM-DD); monthly 'year-month,value' (YYYY-MM) or 'year,month,value';\n"
    "wide 'year' and twelve monthly values. Delimiter ',', ';' or tab; a header\n"
    "row or none; missing values empty, NA or NaN.\n"
    "\n"
    "  -o, --output=OUTDIR     folder for NAME.INC (default: the working directory;\n"
    "                          made when missing)\n"
    "      --name=NAME         gauge name (default: the first FILE's name without\n"
    "                          its extension, upper-cased, at most 19 characters)\n"
    "      --layout=LAYOUT     daily, monthly, year-month or wide (default: detected)\n"
    "      --column=C          the value column, by its header name or its number\n"
    "                          (the first column is 1); needed when there are several\n"
    "      --scale=F           multiply every monthly value by F (e.g. 86400: a daily\n"
    "                          flow in m3/s summed over a month gives m3)\n"
    "      --monthly=sum|mean  daily values to a month: their sum (default) or mean\n"
    "      --years=FIRST-LAST  write these years; fails if one is not complete\n"
    "      --missing=V         a negative value that marks a missing value (e.g. -999)\n"
    "      --skip-bad-rows     leave out rows with a bad date or value (their days are\n"
    "                          missing, the report lists them) instead of failing\n"
    "      --report=FILE       write the import report as JSON to FILE\n"
    "  -h, --help              show this help and exit\n"
    "\n"
    "Exit status: 0 NAME.INC written, 1 the import failed, 2 usage error.\n";

int usage_error(std::ostream& err, const std::string& why) {
  err << "rivan6 import: " << why << "\nTry 'rivan6 import --help'.\n";
  return 2;
}

bool parse_double(const char* text, double& v) {
  if (*text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  v = std::strtod(text, &end);
  return *end == '\0' && errno == 0 && std::isfinite(v);
}

bool parse_year_option(const std::string& s, int& year) {
  if (s.empty() || s.size() > 4 || s.find_first_not_of("0123456789") != std::string::npos)
    return false;
  year = std::stoi(s);
  return true;
}

bool read_whole_file(const std::string& path, std::string& text) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return false;
  text = std::move(s).str();
  return true;
}

enum OptionId {
  kOutput,
  kHelp,
  kName,
  kLayout,
  kColumn,
  kScale,
  kMonthly,
  kYears,
  kMissing,
  kSkipBadRows,
  kReport,
};

constexpr cli::OptionSpec kOptions[] = {
    {kOutput, 'o', "output", true},
    {kName, 0, "name", true},
    {kLayout, 0, "layout", true},
    {kColumn, 0, "column", true},
    {kScale, 0, "scale", true},
    {kMonthly, 0, "monthly", true},
    {kYears, 0, "years", true},
    {kMissing, 0, "missing", true},
    {kSkipBadRows, 0, "skip-bad-rows", false},
    {kReport, 0, "report", true},
    {kHelp, 'h', "help", false},
};

}  // namespace

int run_import(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  Options o;
  const cli::Parsed parsed = cli::parse(
      kOptions, std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc - 1)));
  switch (parsed.problem) {
    case cli::Problem::none:
      break;
    case cli::Problem::missing_value:
      return usage_error(err, "option " + parsed.problem_text + " needs a value");
    case cli::Problem::unknown_option:
    case cli::Problem::unwanted_value:
      return usage_error(err, "unknown option " + parsed.problem_text);
  }
  for (const cli::Option& option : parsed.options) {
    const std::string& value = option.value;
    switch (option.spec->id) {
      case kOutput:
        if (value.empty()) return usage_error(err, "-o needs a folder");
        o.out_dir = value;
        break;
      case kName:
        if (!valid_name(value))
          return usage_error(err, "--name takes 1 to 19 letters, digits, '_' or '-'");
        o.name = value;
        break;
      case kLayout:
        if (!layout_from_name(value, o.layout))
          return usage_error(err, "--layout takes daily, monthly, year-month or wide");
        break;
      case kColumn:
        if (value.empty()) return usage_error(err, "--column takes a column's name or number");
        o.column = value;
        break;
      case kScale:
        if (!parse_double(value.c_str(), o.scale) || !(o.scale > 0.0))
          return usage_error(err, "--scale takes a positive number");
        break;
      case kMonthly:
        if (value == "sum")
          o.monthly = Aggregation::Sum;
        else if (value == "mean")
          o.monthly = Aggregation::Mean;
        else
          return usage_error(err, "--monthly takes sum or mean");
        break;
      case kYears: {
        const std::size_t dash = value.find('-');
        int first = 0, last = 0;
        if (dash == std::string::npos || !parse_year_option(value.substr(0, dash), first) ||
            !parse_year_option(value.substr(dash + 1), last) || first > last)
          return usage_error(err, "--years takes FIRST-LAST, two years with FIRST <= LAST");
        o.first_year = first;
        o.last_year = last;
        break;
      }
      case kMissing: {
        double v = 0.0;
        if (!parse_double(value.c_str(), v) || !(v < 0.0))
          return usage_error(err, "--missing takes a negative number (e.g. -999)");
        o.missing = v;
        break;
      }
      case kSkipBadRows:
        o.skip_bad_rows = true;
        break;
      case kReport:
        if (value.empty()) return usage_error(err, "--report needs a file name");
        o.report_file = value;
        break;
      case kHelp:
        out << kUsage;
        return 0;
    }
  }
  if (parsed.operands.empty()) return usage_error(err, "no FILE to import");

  std::vector<Input> inputs;
  for (const std::string& file : parsed.operands) {
    Input in{file, ""};
    if (!read_whole_file(in.name, in.text)) {
      err << "rivan6 import: cannot read " << in.name << "\n";
      return 1;
    }
    inputs.push_back(std::move(in));
  }

  const Result r = import_tables(inputs, o);
  if (!r.report.files.empty()) out << r.report.to_text();
  if (!o.report_file.empty()) {
    std::string error;
    if (!files::write_file_atomically(o.report_file, r.report.to_json().dump(2) + "\n", error)) {
      err << "rivan6 import: " << error << "\n";
      return 1;
    }
  }
  if (!r.ok) {
    err << "rivan6 import: " << r.message << "\n";
    return 1;
  }
  std::error_code ec;
  std::filesystem::create_directories(o.out_dir, ec);
  if (ec) {
    err << "rivan6 import: cannot make the folder " << o.out_dir << ": " << ec.message() << "\n";
    return 1;
  }
  const std::string path = (std::filesystem::path(o.out_dir) / (r.name + ".INC")).string();
  std::string error;
  if (!files::write_file_atomically(path, r.flow_text(), error)) {
    err << "rivan6 import: " << error << "\n";
    return 1;
  }
  out << "  written: " << path << "\n";
  return 0;
}

}  // namespace ingest
