#include "driver/cli.hpp"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>

#include "driver/batch.hpp"
#include "driver/console.hpp"
#include "driver/session.hpp"
#include "ingest/command.hpp"

#ifndef RIVAN6_VERSION
#define RIVAN6_VERSION "1.0.0"
#endif

namespace {

const char* const kUsage =
    "Usage: rivan6 [-d DIR] [-o OUTDIR] [-j JOBS] [-q] [NAME...]\n"
    "\n"
    "Statistical analysis of the annual flow record of river gauges: moments,\n"
    "normalising transform, normality tests, correlogram, ARMA(p,q) models and\n"
    "level crossings.\n"
    "\n"
    "Without NAME the interactive dialogue runs. With one or more NAMEs each\n"
    "gauge DIR/NAME.INC is analysed without prompts or pauses, and NAME.ANS,\n"
    "NAME.COR, NAME.YER and NAME.LOG (what the dialogue shows on the screen)\n"
    "are written to OUTDIR.\n"
    "\n"
    "  -d DIR      directory of the flow files (default: the working directory)\n"
    "  -o OUTDIR   directory for the output files (default: the working directory)\n"
    "  -j JOBS     gauges analysed at the same time (default: the number of cores)\n"
    "  -q          no summary line per gauge, only the final count\n"
    "  --summary FILE.csv  also write a table of the key figures, one row per gauge\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Exit status: 0 all gauges analysed, 1 some gauge failed, 2 usage error.\n";

int usage_error(std::ostream& err, const std::string& why) {
  err << "rivan6: " << why << "\nTry 'rivan6 --help'.\n";
  return 2;
}

}  // namespace

namespace driver {

int run_cli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
            std::ostream& err) {
  // Commands of their own: rivan6 import ... and rivan6 generate ...
  if (argc > 1 && std::string_view(argv[1]) == "import")
    return ingest::run_import(argc - 1, const_cast<char**>(argv + 1), out, err);
  BatchOptions o;
  const unsigned cores = std::thread::hardware_concurrency();
  o.jobs = cores > 0 ? static_cast<int>(cores) : 1;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (!options_done && a == "--") {
      options_done = true;
    } else if (!options_done && (a == "--help" || a == "-h")) {
      out << kUsage;
      return 0;
    } else if (!options_done && a == "--version") {
      out << "rivan6 " << RIVAN6_VERSION << '\n';
      return 0;
    } else if (!options_done && (a == "-d" || a == "-o" || a == "-j" || a == "--summary")) {
      if (i + 1 >= argc)
        return usage_error(err, std::string("option ") + argv[i] + " needs a value");
      const std::string value = argv[++i];
      if (a == "--summary") {
        o.summary = value;
      } else if (a == "-d") {
        o.data_dir = value;
      } else if (a == "-o") {
        o.out_dir = value;
      } else {
        char* end = nullptr;
        const long j = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || j < 1 || j > 256)
          return usage_error(err, "-j takes a whole number from 1 to 256");
        o.jobs = static_cast<int>(j);
      }
    } else if (!options_done && a == "-q") {
      o.quiet = true;
    } else if (!options_done && a.size() > 1 && a[0] == '-') {
      return usage_error(err, "unknown option " + std::string(a));
    } else {
      o.names.emplace_back(a);
    }
  }
  if (o.names.empty()) {
    Console console(in, out);
    const int status = run_session(console, o.out_dir);
    out.flush();
    return status;
  }
  return run_batch(o, out, err);
}

}  // namespace driver
