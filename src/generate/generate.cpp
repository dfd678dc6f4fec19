#include "generate/generate.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli/options.hpp"
#include "files/atomic.hpp"
#include "generate/process.hpp"
#include "stats/random_stream.hpp"

namespace generate {

namespace {

// Values per block of series: large enough that a thread's work dwarfs its
// start, small enough that the blocks in flight stay a few megabytes.
constexpr std::int64_t kBlockValues = 65536;
constexpr std::int64_t kMaxSeries = 1000000000;
constexpr std::int64_t kMaxYears = 1000000;
constexpr long kMaxWarmup = 1000000;
constexpr int kMaxJobs = 256;

const char* const kUsage =
    "Usage: rivan6 generate MODEL [--series N] [--years L] [--seed S] [--warmup W]\n"
    "                       [-o FILE] [--check] [--check-json FILE] [-j JOBS]\n"
    "\n"
    "Synthetic annual flows from a gauge's fitted model: the chosen ARMA(p,q) of\n"
    "the normalised flows, scaled to unit variance, through the inverse of the\n"
    "chosen transform; zero-flow years with the record's zero fraction.\n"
    "MODEL is NAME.json or NAME.YER as the analysis writes them ('-' reads it\n"
    "from standard input). The output is CSV: series,year,flow, series numbered\n"
    "from 1, years from the record's last year + 1.\n"
    "\n"
    "  --series N        number of series (default 100)\n"
    "  --years L         years per series (default: as many as the record has)\n"
    "  --seed S          seed, a whole number from 0 to 2^64-1 (default 1)\n"
    "  --warmup W        years run and discarded before each series (default:\n"
    "                    enough for the start from zero to fade below 1e-6 of\n"
    "                    the variance, at least 100, at most 10000)\n"
    "  -o, --output FILE where the flows go (default '-', standard output)\n"
    "  --check           compare the series with the record: a table to standard\n"
    "                    output, or to standard error when the flows go there\n"
    "  --check-json FILE the same comparison as JSON\n"
    "  -j, --jobs JOBS   threads (default: the number of cores); the output does\n"
    "                    not depend on it\n"
    "  -h, --help        show this help and exit\n"
    "\n"
    "Exit status: 0 done, 1 a model file that cannot be used or an output that\n"
    "cannot be written, 2 usage error.\n";

int usage_error(std::ostream& err, const std::string& why) {
  err << "rivan6 generate: " << why << "\nTry 'rivan6 generate --help'.\n";
  return 2;
}

// A whole decimal number from lo to hi, nothing else.
template <typename T>
bool parse_whole(const char* text, T lo, T hi, T& value) {
  const char* end = text + std::strlen(text);
  T v{};
  const auto [p, ec] = std::from_chars(text, end, v);
  if (ec != std::errc() || p != end || p == text || v < lo || v > hi) return false;
  value = v;
  return true;
}

void append_line(std::string& buf, std::int64_t series, std::int64_t year, double flow) {
  char num[40];
  buf.append(num, std::to_chars(num, num + sizeof num, series).ptr);
  buf.push_back(',');
  buf.append(num, std::to_chars(num, num + sizeof num, year).ptr);
  buf.push_back(',');
  buf.append(num, std::to_chars(num, num + sizeof num, flow).ptr);
  buf.push_back('\n');
}

}  // namespace

bool write_series(const Model& m, const Options& o, std::ostream& os,
                  std::vector<SeriesStatistics>* stats) {
  const Process process(m);
  const std::int64_t years = o.years > 0 ? o.years : m.N;
  const long warmup = o.warmup >= 0 ? o.warmup : default_warmup(m.phi);
  const std::int64_t per_block = std::max<std::int64_t>(1, kBlockValues / years);
  const std::int64_t blocks = (o.series + per_block - 1) / per_block;
  const int jobs = std::max(1, o.jobs);
  if (stats) stats->assign(static_cast<std::size_t>(o.series), SeriesStatistics{});

  std::vector<std::string> bufs(static_cast<std::size_t>(jobs));
  auto make_block = [&](std::int64_t b, std::string& buf) {
    buf.clear();
    std::vector<double> z(static_cast<std::size_t>(years)), flows(z.size());
    const std::int64_t first = b * per_block;
    const std::int64_t last = std::min(o.series, first + per_block);
    for (std::int64_t s = first; s < last; ++s) {
      stats::RandomStream stream(o.seed, static_cast<std::uint64_t>(s));
      process.run(stream, warmup, z, flows);
      for (std::int64_t t = 0; t < years; ++t)
        append_line(buf, s + 1, m.last_year() + 1 + t, flows[static_cast<std::size_t>(t)]);
      if (stats) (*stats)[static_cast<std::size_t>(s)] = series_statistics(flows, m.record_mean);
    }
  };

  os << "series,year,flow\n";
  for (std::int64_t first = 0; first < blocks && os; first += jobs) {
    const int n = static_cast<int>(std::min<std::int64_t>(jobs, blocks - first));
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(n));
    for (int i = 1; i < n; ++i)
      threads.emplace_back(make_block, first + i, std::ref(bufs[static_cast<std::size_t>(i)]));
    make_block(first, bufs[0]);
    for (auto& t : threads) t.join();
    for (int i = 0; i < n && os; ++i) {
      const std::string& b = bufs[static_cast<std::size_t>(i)];
      os.write(b.data(), static_cast<std::streamsize>(b.size()));
    }
  }
  os.flush();
  return static_cast<bool>(os);
}

namespace {

// The command line of the command: its options, the model file, the outputs.
struct Command {
  Options options;
  std::string model_file;
  std::string output = "-";
  std::string check_json;
  bool check = false;
};

// Fills c from the arguments; -1 to go on, else the exit status (help, or a
// usage error told on err).
int parse_command(int argc, const char* const* argv, Command& c, std::ostream& out,
                  std::ostream& err) {
  Options& o = c.options;
  std::string& output = c.output;
  std::string& check_json_path = c.check_json;
  bool& check = c.check;
  const unsigned cores = std::thread::hardware_concurrency();
  o.jobs = cores > 0 ? static_cast<int>(std::min<unsigned>(cores, kMaxJobs)) : 1;

  enum { kSeries, kYears, kSeed, kWarmup, kOutput, kCheck, kCheckJson, kJobs, kHelp };
  static constexpr cli::OptionSpec kOptions[] = {
      {kSeries, 0, "series", true},
      {kYears, 0, "years", true},
      {kSeed, 0, "seed", true},
      {kWarmup, 0, "warmup", true},
      {kOutput, 'o', "output", true},
      {kCheck, 0, "check", false},
      {kCheckJson, 0, "check-json", true},
      {kJobs, 'j', "jobs", true},
      {kHelp, 'h', "help", false},
  };
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
    const char* const optarg = option.value.c_str();
    switch (option.spec->id) {
      case kSeries:
        if (!parse_whole<std::int64_t>(optarg, 1, kMaxSeries, o.series))
          return usage_error(err, "--series takes a whole number from 1 to " +
                                      std::to_string(kMaxSeries) + " (not '" + optarg + "')");
        break;
      case kYears:
        if (!parse_whole<std::int64_t>(optarg, 1, kMaxYears, o.years))
          return usage_error(err, "--years takes a whole number from 1 to " +
                                      std::to_string(kMaxYears) + " (not '" + optarg + "')");
        break;
      case kSeed:
        if (!parse_whole<std::uint64_t>(optarg, 0, UINT64_MAX, o.seed))
          return usage_error(err,
                             "--seed takes a whole number from 0 to 18446744073709551615 "
                             "(not '" +
                                 std::string(optarg) + "')");
        break;
      case kWarmup:
        if (!parse_whole<long>(optarg, 0, kMaxWarmup, o.warmup))
          return usage_error(err, "--warmup takes a whole number from 0 to " +
                                      std::to_string(kMaxWarmup) + " (not '" + optarg + "')");
        break;
      case kOutput:
        if (*optarg == '\0') return usage_error(err, "-o needs a file name or '-'");
        output = optarg;
        break;
      case kCheck:
        check = true;
        break;
      case kCheckJson:
        if (*optarg == '\0' || std::strcmp(optarg, "-") == 0)
          return usage_error(err, "--check-json needs a file name");
        check_json_path = optarg;
        break;
      case kJobs:
        if (!parse_whole<int>(optarg, 1, kMaxJobs, o.jobs))
          return usage_error(err, "-j takes a whole number from 1 to " + std::to_string(kMaxJobs) +
                                      " (not '" + optarg + "')");
        break;
      case kHelp:
        out << kUsage;
        return 0;
    }
  }
  if (parsed.operands.empty())
    return usage_error(err, "no MODEL file (NAME.json or NAME.YER) given");
  if (parsed.operands.size() > 1)
    return usage_error(err, "one MODEL file only (also got '" + parsed.operands[1] + "')");
  c.model_file = parsed.operands[0];
  if (!check_json_path.empty() && check_json_path == output)
    return usage_error(err, "the flows and the check JSON cannot go to the same file");
  return -1;
}

// The model file ("-": standard input). Throws files::Error.
Model load_model(const std::string& model_file, std::istream& in) {
  if (model_file == "-") return read_model(in, "(standard input)");
  std::error_code ec;
  if (std::filesystem::is_directory(model_file, ec))
    throw files::Error(model_file + ": is a folder, not a model file", model_file);
  std::ifstream f(model_file, std::ios::binary);
  if (!f)
    throw files::Error(model_file + ": cannot open: " + std::strerror(errno), model_file, 0,
                       std::error_code(errno, std::generic_category()));
  return read_model(f, model_file);
}

// Warns of what the model cannot give, writes the series and the check.
int write_outputs(const Command& c, const Model& m, std::ostream& out, std::ostream& err) {
  const Options& o = c.options;
  const std::string& model_file = c.model_file;
  const std::string& output = c.output;
  const std::string& check_json_path = c.check_json;
  const bool check = c.check;
  if (!m.arma_identified)
    err << "rivan6 generate: " << model_file
        << ": no ARMA model was identified for this record; the years are generated "
           "independent (phi = theta = 0)\n";
  const normalize::FittedDistribution& d = m.distribution;
  const double lower = d.family() == normalize::kLognormal ? d.XI * d.XLAM : d.XI;
  if (lower < 0.0)
    err << "rivan6 generate: " << model_file << ": the fitted distribution's lower bound (" << lower
        << ") is below zero, so some synthetic flows may be negative\n";

  const bool want_check = check || !check_json_path.empty();
  std::vector<SeriesStatistics> stats;
  if (output == "-") {
    if (!write_series(m, o, out, want_check ? &stats : nullptr)) {
      err << "rivan6 generate: cannot write to standard output\n";
      return 1;
    }
  } else {
    files::AtomicFile f(output);
    if (!f.ok()) {
      err << "rivan6 generate: " << f.error() << "\n";
      return 1;
    }
    const bool written = write_series(m, o, f.stream(), want_check ? &stats : nullptr);
    if (!f.commit() || !written) {
      err << "rivan6 generate: "
          << (f.error().empty() ? "cannot write " + output + ": write error" : f.error()) << "\n";
      return 1;
    }
  }
  if (!want_check) return 0;

  CheckContext ctx;
  ctx.model_file = model_file;
  ctx.series = o.series;
  ctx.years = o.years > 0 ? o.years : m.N;
  ctx.seed = o.seed;
  ctx.warmup = o.warmup >= 0 ? o.warmup : default_warmup(m.phi);
  ctx.innovation_sd = Process(m).innovation_sd();
  const Check result = make_check(m, stats, ctx.years);
  if (check) write_table(output == "-" ? err : out, m, ctx, result);
  if (!check_json_path.empty()) {
    std::string why;
    if (!files::write_file_atomically(check_json_path, check_json(m, ctx, result).dump(2) + "\n",
                                      why)) {
      err << "rivan6 generate: " << why << "\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace

int run_generate(int argc, const char* const* argv, std::istream& in, std::ostream& out,
                 std::ostream& err) {
  Command c;
  if (const int status = parse_command(argc, argv, c, out, err); status >= 0) return status;
  Model m;
  try {
    m = load_model(c.model_file, in);
  } catch (const files::Error& e) {
    err << "rivan6 generate: " << e.what() << "\n";
    return 1;
  }
  return write_outputs(c, m, out, err);
}

}  // namespace generate
