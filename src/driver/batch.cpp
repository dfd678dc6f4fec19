#include "driver/batch.hpp"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "driver/gauge.hpp"
#include "driver/outputs.hpp"
#include "driver/reader.hpp"
#include "driver/texts.hpp"
#include "format/format.hpp"
#include "results/csv.hpp"

namespace driver {

namespace {

struct Result {
  bool ok = false;
  std::string summary;               // for standard output
  std::string messages;              // for standard error
  std::vector<std::string> csv_row;  // for the network table
  std::string failure;               // why the gauge failed
};

Result analyse_one(const BatchOptions& o, const std::string& name) {
  Result r;
  auto fail = [&r, &name](const std::string& why) {
    r.messages += "rivan6: " + name + ": " + why + "\n";
    r.failure = why;
    return r;
  };
  if (name.empty()) return fail("an empty base name");
  if (name.size() > static_cast<std::size_t>(kMaxStem))
    return fail("a base name has at most 19 characters");
  if (name.find_first_of(" /\\") != std::string::npos)
    return fail("a base name has no blank or path separator (give the directory with -d)");

  const std::string inc = join_path(o.data_dir, name + ".INC");
  std::ifstream in(inc, std::ios::binary);
  if (!in) return fail("cannot open the flow file " + inc);
  auto record = std::make_unique<FlowRecord>();
  const ReadResult read = read_flows(in, inc, *record);
  for (const std::string& note : read.notes)
    r.messages += "rivan6: " + name + ": warning:" + note + "\n";
  if (!read.ok) return fail(read.message.substr(1));

  const std::string name20 = fixed_field(name, kNameColumns);
  const results::GaugeResult g = analyse_record(name20, *record, read);
  // The log: what the dialogue would show on the screen.
  std::ostringstream log;
  format::Writer screen(log);
  format::Screen scr{screen, [&log](std::string_view prompt) { log << prompt << '\n'; }};
  screen.list(" DIR = ", o.data_dir);
  screen.list(" GAUGE = ", name20);
  for (const std::string& note : read.notes) screen.list(note);
  show_gauge(g, scr, false);
  const WriteOutcome w = write_gauge_files(o.out_dir, name, gauge_texts(g, log.str()));
  if (!w.ok) return fail(w.error);
  for (const auto& column : results::csv_columns(g)) r.csv_row.push_back(column.second);
  r.csv_row.push_back("ok");

  char line[160];
  std::snprintf(line, sizeof line, "%-19s %4d-%-4d  N %4d  %s", name.c_str(), record->first_year,
                g.record.last_year(), record->N, model_summary(g).c_str());
  r.summary = line;
  r.ok = true;
  return r;
}

}  // namespace

int run_batch(const BatchOptions& o, std::ostream& out, std::ostream& err) {
  const std::size_t count = o.names.size();
  std::vector<Result> results(count);
  // A name given twice would have two analyses write the same files.
  std::set<std::string> seen;
  std::vector<bool> duplicate(count, false);
  for (std::size_t i = 0; i < count; ++i) duplicate[i] = !seen.insert(o.names[i]).second;

  std::atomic<std::size_t> next{0};
  auto work = [&]() {
    for (std::size_t i = next++; i < count; i = next++) {
      if (duplicate[i]) {
        results[i].messages = "rivan6: " + o.names[i] + ": named twice; analysed once\n";
        results[i].ok = true;
        continue;
      }
      results[i] = analyse_one(o, o.names[i]);
    }
  };
  const std::size_t jobs = std::max<std::size_t>(1, std::min<std::size_t>(o.jobs, count));
  std::vector<std::thread> threads;
  for (std::size_t j = 1; j < jobs; ++j) threads.emplace_back(work);
  work();
  for (std::thread& t : threads) t.join();

  int failed = 0;
  for (std::size_t i = 0; i < count; ++i) {
    err << results[i].messages;
    if (!results[i].ok)
      ++failed;
    else if (!o.quiet && !results[i].summary.empty())
      out << results[i].summary << '\n';
  }
  int status = failed == 0 ? 0 : 1;
  if (!o.summary.empty()) {
    std::string table;
    std::vector<std::string> header;
    for (const auto& column : results::csv_empty_columns()) header.push_back(column.first);
    header.push_back("status");
    table += results::csv_line(header);
    for (std::size_t i = 0; i < count; ++i) {
      if (duplicate[i]) continue;
      std::vector<std::string> row = results[i].csv_row;
      if (row.empty()) {
        // A gauge that failed keeps its row: its name and why.
        for (const auto& column : results::csv_empty_columns()) row.push_back(column.second);
        row[0] = o.names[i];
        row.push_back(results[i].failure);
      }
      table += results::csv_line(row);
    }
    std::string error;
    if (!write_file_atomically(o.summary, table, error)) {
      err << "rivan6: " << error << '\n';
      status = 1;
    }
  }
  out << count - failed << " of " << count << " gauges analysed, " << failed << " failed\n";
  out.flush();
  err.flush();
  return status;
}

}  // namespace driver
