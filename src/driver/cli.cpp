#include "driver/cli.hpp"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "cli/options.hpp"
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
    "       rivan6 --dialogue [OPTION]...  the dialogue with the options -o,\n"
    "                                    --bootstrap and --html\n"
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
    "      --dialogue        run the dialogue (no GAUGE) with the options given\n"
    "  -h, --help            show this help and exit\n"
    "  -V, --version         show the version and exit\n"
    "\n"
    "Exit status: 0 every gauge analysed, 1 a gauge failed or the output could\n"
    "not be written, 2 usage error. See rivan6(1) and the user's guide.\n";

enum OptionId {
  kDataDir,
  kOutDir,
  kJobs,
  kQuiet,
  kHelp,
  kVersion,
  kSummary,
  kBootstrap,
  kHtml,
  kDialogue
};

constexpr cli::OptionSpec kOptions[] = {
    {kDataDir, 'd', "data-dir", true}, {kOutDir, 'o', "out-dir", true},
    {kJobs, 'j', "jobs", true},        {kQuiet, 'q', "quiet", false},
    {kHelp, 'h', "help", false},       {kVersion, 'V', "version", false},
    {kSummary, 0, "summary", true},    {kBootstrap, 0, "bootstrap", true},
    {kHtml, 0, "html", false},         {kDialogue, 0, "dialogue", false},
};

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

// What the options other than the batch options say.
struct Flags {
  bool help = false, version = false, dialogue = false;
  std::string batch_only;  // the first option that has no meaning in the dialogue
};

// Takes one option into the options; what is wrong with its value, or "".
std::string apply_option(const cli::Option& o, BatchOptions& options, Flags& flags) {
  const std::string& value = o.value;
  switch (o.spec->id) {
    case kDataDir:
      options.data_dir = value;
      break;
    case kOutDir:
      options.out_dir = value;
      if (options.out_dir.empty()) return "-o/--out-dir needs a directory";
      break;
    case kJobs:
      if (!whole_number(value, 1, 256, options.jobs))
        return "-j/--jobs takes a whole number from 1 to 256, not '" + value + "'";
      break;
    case kQuiet:
      options.quiet = true;
      break;
    case kBootstrap:
      if (!whole_number(value, 0, 100000, options.analysis.findings.bootstrap))
        return "--bootstrap takes a whole number from 0 to 100000, not '" + value + "'";
      break;
    case kHtml:
      options.html = true;
      break;
    case kSummary:
      options.summary = value;
      if (options.summary.empty()) return "--summary needs a file name";
      break;
    case kHelp:
      flags.help = true;
      break;
    case kVersion:
      flags.version = true;
      break;
    case kDialogue:
      flags.dialogue = true;
      break;
  }
  const int id = o.spec->id;
  if (flags.batch_only.empty() && (id == kDataDir || id == kJobs || id == kQuiet || id == kSummary))
    flags.batch_only = cli::names_of(*o.spec);
  return "";
}

}  // namespace

const char* usage_text() {
  return kUsage;
}

std::vector<std::string> accepted_options() {
  std::vector<std::string> v;
  for (const cli::OptionSpec& o : kOptions) {
    if (o.short_name != 0) v.push_back(std::string("-") + o.short_name);
    v.push_back("--" + std::string(o.long_name));
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
  auto fail = [&c](std::string why) {
    c.action = CommandLine::Action::usage_error;
    c.error = std::move(why);
    return c;
  };
  const cli::Parsed parsed = cli::parse(
      kOptions, std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc - 1)));
  switch (parsed.problem) {
    case cli::Problem::none:
      break;
    case cli::Problem::unknown_option:
      return fail("unknown option " + parsed.problem_text);
    case cli::Problem::missing_value:
      return fail("option " + cli::names_of(*parsed.problem_spec) + " needs a value");
    case cli::Problem::unwanted_value:
      return fail("option " + cli::names_of(*parsed.problem_spec) + " takes no value");
  }
  Flags flags;
  for (const cli::Option& o : parsed.options) {
    std::string why = apply_option(o, c.options, flags);
    if (!why.empty()) return fail(std::move(why));
  }
  const bool help = flags.help, version = flags.version, dialogue = flags.dialogue;
  const std::string& batch_only = flags.batch_only;
  if (help) {
    c.action = CommandLine::Action::help;
    return c;
  }
  if (version) {
    c.action = CommandLine::Action::version;
    return c;
  }
  c.names = parsed.operands;
  if (dialogue) {
    if (!c.names.empty())
      return fail("the dialogue asks for its gauges: name none with --dialogue");
    if (!batch_only.empty())
      return fail("option " + batch_only + " has no meaning in the dialogue");
    c.action = CommandLine::Action::dialogue;
    return c;
  }
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
    return ingest::run_import(argc - 1, argv + 1, out, err);
  if (argc > 1 && std::string_view(argv[1]) == "generate")
    return generate::run_generate(argc - 1, argv + 1, in, out, err);

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
      if (!c.options.out_dir.empty()) {
        const std::string problem = prepare_output_directory(c.options.out_dir);
        if (!problem.empty()) return usage_error(err, problem);
      }
      Console console(in, out);
      const int status =
          run_session(console, {c.options.out_dir, c.options.analysis, c.options.html});
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
