#include "driver/cli.hpp"

#include <getopt.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "driver/console.hpp"
#include "driver/session.hpp"
#include "generate/generate.hpp"
#include "ingest/command.hpp"

#ifndef RIVAN6_VERSION
#define RIVAN6_VERSION "1.0.0"
#endif

namespace driver {

namespace {

const char* const kUsage =
    "Usage: rivan6                       the dialogue: prompts for a directory and\n"
    "                                    base names, one gauge after another\n"
    "       rivan6 [OPTION]... GAUGE...  batch mode: no prompts and no pauses\n"
    "       rivan6 generate MODEL [...]  synthetic flows from a fitted model\n"
    "       rivan6 import FILE... [...]  CSV flow tables to a flow file\n"
    "       (rivan6 generate --help and rivan6 import --help tell more)\n"
    "\n"
    "Statistical analysis of the annual flow record of river gauges: moments,\n"
    "normalising transform, normality tests, correlogram, ARMA(p,q) models and\n"
    "level crossings.\n"
    "\n"
    "A GAUGE is one of\n"
    "  NAME        a base name: the flow file NAME.INC (or NAME.inc) in DIR\n"
    "  FILE.INC    a flow file: a path when it holds a '/', else a file in DIR\n"
    "  FOLDER      every flow file (*.INC, *.inc) in the folder, sorted by name\n"
    "  FILE.csv    a table of daily or monthly flows, imported as rivan6 import\n"
    "              does with its defaults (the report goes into NAME.LOG)\n"
    "Each gauge writes NAME.ANS (the report), NAME.COR (the correlogram, only for\n"
    "a record without zero flows), NAME.YER, NAME.json (every result as data)\n"
    "and NAME.LOG (what the dialogue shows on the screen, and the findings) to\n"
    "OUTDIR; NAME is the stem of its flow file. A file named twice is analysed\n"
    "once.\n"
    "\n"
    "Options:\n"
    "  -d, --data-dir=DIR    folder of the flow files of base names\n"
    "                        (default: the working directory)\n"
    "  -o, --out-dir=OUTDIR  folder for the output files, created when missing\n"
    "                        (default: the working directory)\n"
    "  -j, --jobs=JOBS       gauges analysed at the same time, 1 to 256\n"
    "                        (default: the number of cores); the files do not\n"
    "                        depend on it\n"
    "  -q, --quiet           no summary line per gauge and no progress line,\n"
    "                        only the final count\n"
    "      --summary=FILE    also write FILE, a CSV table of the key figures of\n"
    "                        every gauge, one row per gauge in the order given\n"
    "      --bootstrap=B     samples of the bootstrap that bounds the return-period\n"
    "                        flows (default 200; 0: no bounds)\n"
    "      --html            also write NAME.html, a page of figures and findings\n"
    "                        for each gauge, and index.html for the run\n"
    "  -h, --help            show this help and exit\n"
    "  -V, --version         show the version and exit\n"
    "\n"
    "Exit status: 0 every gauge analysed, 1 a gauge failed or the output could\n"
    "not be written, 2 usage error. See rivan6(1) and the user's guide.\n";

const char kShortOptions[] = ":d:o:j:qhV";
// Long options without a short letter.
constexpr int kSummary = 1000;
constexpr int kBootstrap = 1001;
constexpr int kHtml = 1002;

const option kLongOptions[] = {{"data-dir", required_argument, nullptr, 'd'},
                               {"out-dir", required_argument, nullptr, 'o'},
                               {"jobs", required_argument, nullptr, 'j'},
                               {"quiet", no_argument, nullptr, 'q'},
                               {"help", no_argument, nullptr, 'h'},
                               {"version", no_argument, nullptr, 'V'},
                               {"summary", required_argument, nullptr, kSummary},
                               {"bootstrap", required_argument, nullptr, kBootstrap},
                               {"html", no_argument, nullptr, kHtml},
                               {nullptr, 0, nullptr, 0}};

// "-j/--jobs" for the option whose short letter is c.
std::string option_name(int c) {
  for (const option* o = kLongOptions; o->name != nullptr; ++o) {
    if (o->val != c) continue;
    if (c >= kSummary) return std::string("--") + o->name;
    return std::string("-") + static_cast<char>(c) + "/--" + o->name;
  }
  return std::string("-") + static_cast<char>(c);
}

// A whole number from lo to hi written as value, into out; false otherwise.
bool whole_number(const std::string& value, long lo, long hi, int& out) {
  char* end = nullptr;
  const long v = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

int usage_error(std::ostream& err, const std::string& why) {
  err << "rivan6: " << why << "\nTry 'rivan6 --help'.\n";
  return 2;
}

}  // namespace

const char* usage_text() {
  return kUsage;
}

std::vector<std::string> accepted_options() {
  std::vector<std::string> v;
  for (const option* o = kLongOptions; o->name != nullptr; ++o) {
    if (o->val < kSummary) v.push_back(std::string("-") + static_cast<char>(o->val));
    v.push_back(std::string("--") + o->name);
  }
  return v;
}

CommandLine parse_command_line(int argc, const char* const* argv) {
  CommandLine c;
  const unsigned cores = std::thread::hardware_concurrency();
  c.options.jobs = cores > 0 ? static_cast<int>(std::min(cores, 256u)) : 1;
  if (argc <= 1) {
    c.action = CommandLine::Action::dialogue;
    return c;
  }
  // getopt_long permutes the pointers (never the strings) and keeps its
  // place in globals: it gets a copy of the pointers, and optind = 0 makes it
  // start afresh on every call.
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) args.push_back(const_cast<char*>(argv[i]));
  args.push_back(nullptr);
  optind = 0;
  opterr = 0;
  auto fail = [&c](std::string why) {
    c.action = CommandLine::Action::usage_error;
    c.error = std::move(why);
    return c;
  };
  bool help = false, version = false;
  int opt;
  while ((opt = getopt_long(argc, args.data(), kShortOptions, kLongOptions, nullptr)) != -1) {
    switch (opt) {
      case 'd':
        c.options.data_dir = optarg;
        break;
      case 'o':
        c.options.out_dir = optarg;
        if (c.options.out_dir.empty()) return fail("-o/--out-dir needs a directory");
        break;
      case 'j':
        if (!whole_number(optarg, 1, 256, c.options.jobs))
          return fail("-j/--jobs takes a whole number from 1 to 256, not '" + std::string(optarg) +
                      "'");
        break;
      case 'q':
        c.options.quiet = true;
        break;
      case kBootstrap:
        if (!whole_number(optarg, 0, 100000, c.options.analysis.findings.bootstrap))
          return fail("--bootstrap takes a whole number from 0 to 100000, not '" +
                      std::string(optarg) + "'");
        break;
      case kHtml:
        c.options.html = true;
        break;
      case kSummary:
        c.options.summary = optarg;
        if (c.options.summary.empty()) return fail("--summary needs a file name");
        break;
      case 'h':
        help = true;
        break;
      case 'V':
        version = true;
        break;
      case ':':
        return fail("option " + option_name(optopt) + " needs a value");
      default:
        // An unknown letter, an unknown long option (optopt 0), or a value
        // given to a long option that takes none (optopt its letter).
        if (optopt == 0) return fail(std::string("unknown option ") + args[optind - 1]);
        if (std::string_view(kShortOptions).find(static_cast<char>(optopt)) != std::string::npos)
          return fail("option " + option_name(optopt) + " takes no value");
        return fail(std::string("unknown option -") + static_cast<char>(optopt));
    }
  }
  if (help) {
    c.action = CommandLine::Action::help;
    return c;
  }
  if (version) {
    c.action = CommandLine::Action::version;
    return c;
  }
  for (int i = optind; i < argc; ++i) c.names.emplace_back(args[i]);
  if (c.names.empty())
    return fail("no gauge named (run rivan6 without any argument for the dialogue)");
  c.action = CommandLine::Action::batch;
  return c;
}

int run_cli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
            std::ostream& err, bool err_is_terminal) {
  // Subcommands are dispatched here, before any option is parsed: a first
  // argument naming one hands it the rest of the command line, with argv[0]
  // being the subcommand's name.
  if (argc > 1 && std::string_view(argv[1]) == "import")
    return ingest::run_import(argc - 1, const_cast<char**>(argv + 1), out, err);
  if (argc > 1 && std::string_view(argv[1]) == "generate")
    return generate::run_generate(argc - 1, const_cast<char**>(argv + 1), in, out, err);

  CommandLine c = parse_command_line(argc, argv);
  switch (c.action) {
    case CommandLine::Action::usage_error:
      return usage_error(err, c.error);
    case CommandLine::Action::help:
      out << kUsage << std::flush;
      return out ? 0 : 1;
    case CommandLine::Action::version:
      out << "rivan6 " << RIVAN6_VERSION << '\n' << std::flush;
      return out ? 0 : 1;
    case CommandLine::Action::dialogue: {
      Console console(in, out);
      const int status = run_session(console, c.options.out_dir, c.options.analysis);
      out.flush();
      return status;
    }
    case CommandLine::Action::batch:
      break;
  }
  const std::string problem = prepare_output_directory(c.options.out_dir);
  if (!problem.empty()) return usage_error(err, problem);
  c.options.gauges = resolve_gauges(c.options.data_dir, c.names);
  c.options.progress = wants_progress(err_is_terminal, c.options.quiet, c.options.gauges.size());
  return run_batch(c.options, out, err);
}

}  // namespace driver
