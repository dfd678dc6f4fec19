#include "driver/batch.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "answer/answer.hpp"
#include "driver/outputs.hpp"
#include "driver/reader.hpp"
#include "files/atomic.hpp"
#include "files/error.hpp"
#include "files/input.hpp"
#include "format/format.hpp"
#include "ingest/import.hpp"
#include "pipeline/pipeline.hpp"
#include "report/extras.hpp"
#include "report/page.hpp"
#include "results/csv.hpp"

namespace driver {

namespace {

// The largest table of flows read for an import: a century of daily values
// takes about 2 MiB.
constexpr std::size_t kMaxTableBytes = std::size_t{256} << 20;

struct Result {
  bool ok = false;
  std::string summary;   // for standard output
  std::string messages;  // for standard error
  // What the user should look at in a gauge that was analysed; a gauge with
  // any is counted as one with warnings.
  std::vector<std::string> warnings;
  std::vector<std::string> csv_row;  // for the network table
  std::string failure;               // why the gauge failed
  report::IndexRow index_row;        // for the index page
};

// The name a gauge is listed under: its output name, or the argument when
// it has none.
const std::string& shown_name(const GaugeSource& g) {
  return g.stem.empty() ? g.argument : g.stem;
}

// The remarks of a gauge's summary line on what was read.
std::vector<std::string> reading_warnings(const flowfile::ReadNotes& read) {
  std::vector<std::string> w;
  if (read.unreadable_record > 0)
    w.push_back("data end early: record " + std::to_string(read.unreadable_record) +
                " cannot be read");
  if (read.more_than_max) w.push_back("only the first 1000 records read");
  return w;
}

// One line per gauge: its name, years, length, transform and ARMA order,
// and in parentheses why a step was left out and the warnings.
std::string summary_line(const std::string& name, const results::GaugeResult& g,
                         const std::vector<std::string>& warnings) {
  std::vector<std::string> remarks;
  if (!g.complete()) remarks.emplace_back(answer::no_arma_reason(g));
  remarks.insert(remarks.end(), warnings.begin(), warnings.end());
  char line[160];
  std::snprintf(line, sizeof line, "%-19s %4d-%-4d  N %4d  %s", name.c_str(), g.record.first_year,
                g.record.last_year(), g.record.N, answer::model_summary(g).c_str());
  std::string s = line;
  for (std::size_t i = 0; i < remarks.size(); ++i)
    s += (i == 0 ? "  (" : "; ") + remarks[i] + (i + 1 == remarks.size() ? ")" : "");
  return s;
}

Result analyse_one(const BatchOptions& o, const GaugeSource& source) {
  Result r;
  const std::string& name = source.stem;
  auto fail = [&r, &name](const std::string& why) {
    r.messages += "rivan6: " + name + ": " + why + "\n";
    r.failure = why;
    return r;
  };
  if (!source.error.empty()) return fail(source.error);

  flowfile::FlowRead read;
  std::string import_report;
  try {
    if (source.kind == SourceKind::csv_table) {
      // A table of flows, imported in memory with the import's default rules.
      const std::string text = files::read_text_file(source.path, kMaxTableBytes);
      ingest::Result imported = ingest::import_tables({{source.path, text}}, ingest::Options{});
      if (!imported.ok) return fail(imported.message);
      import_report = imported.report.to_text();
      read.record = std::move(imported.record);
    } else {
      read = flowfile::read_flow_file(source.path);
    }
  } catch (const files::Error& e) {
    for (const std::string& note : e.notes())
      r.messages += "rivan6: " + name + ": warning:" + note + "\n";
    return fail(e.what());
  }
  for (const std::string& note : read.notes.notes)
    r.messages += "rivan6: " + name + ": warning:" + note + "\n";
  // The directory of the flow file, as the dialogue would show it.
  const std::string data_dir = std::filesystem::path(source.path).parent_path().string();

  const std::string name20 = fixed_field(name, kNameColumns);
  const pipeline::Gauge analysed = pipeline::analyse(read, name20, o.analysis);
  const results::GaugeResult& g = analysed.result;
  const findings::Findings& f = analysed.findings;
  // The log: what the dialogue would show on the screen.
  std::ostringstream log;
  format::Writer screen(log);
  format::Screen scr{screen, [&log](std::string_view prompt) { log << prompt << '\n'; }};
  screen.list(" DIR = ", data_dir);
  screen.list(" GAUGE = ", name20);
  log << import_report;
  for (const std::string& note : read.notes.notes) screen.list(note);
  answer::show_gauge(g, scr, false);
  log << findings::findings_block(g, f);
  GaugeTexts texts = gauge_texts(g, f, log.str());
  if (o.html) {
    texts.html = report::gauge_page(g, report::page_extras(g, f), report::links_for(g, true));
    r.index_row = report::index_row(g, name + ".html", findings::warning_count(f));
  }
  const WriteOutcome w = write_gauge_files(o.out_dir, name, texts);
  if (!w.ok) return fail(w.error);
  if (!w.removed.empty())
    r.messages += "rivan6: " + name + ": removed the older " + w.removed +
                  ": a record with zero flows has no correlogram\n";
  for (const auto& column : results::csv_columns(g)) r.csv_row.push_back(column.second);
  for (const auto& column : findings::csv_columns(f)) r.csv_row.push_back(column.second);
  r.csv_row.push_back("ok");

  r.warnings = reading_warnings(read.notes);
  if (const int n = findings::warning_count(f); n > 0)
    r.warnings.push_back(std::to_string(n) + (n == 1 ? " warning" : " warnings") + " in " + name +
                         ".LOG");
  r.summary = summary_line(name, g, r.warnings);
  r.ok = true;
  return r;
}

// The progress line of a run, rewritten in place on the terminal.
class Progress {
 public:
  Progress(bool shown, std::size_t total, std::ostream& err)
      : shown_(shown), total_(total), err_(err), start_(std::chrono::steady_clock::now()) {
    show();
  }
  void gauge_done(bool ok) {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++done_;
    if (!ok) ++failed_;
    show();
  }
  // Clears the line, so that what follows starts on an empty line.
  void finish() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (width_ > 0) err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
    width_ = 0;
  }

 private:
  void show() {
    if (!shown_) return;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    const std::string line = progress_line(done_, failed_, total_, elapsed.count());
    err_ << '\r' << line;
    if (line.size() < width_) err_ << std::string(width_ - line.size(), ' ');
    err_ << std::flush;
    width_ = std::max(width_, line.size());
  }

  const bool shown_;
  const std::size_t total_;
  std::ostream& err_;
  const std::chrono::steady_clock::time_point start_;
  std::mutex mutex_;
  std::size_t done_ = 0, failed_ = 0, width_ = 0;
};

std::string clock_time(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char buf[32];
  if (s >= 3600)
    std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
  return buf;
}

}  // namespace

bool wants_progress(bool err_is_terminal, bool quiet, std::size_t gauges) {
  return err_is_terminal && !quiet && gauges > 3;
}

std::string progress_line(std::size_t done, std::size_t failed, std::size_t total,
                          double elapsed_seconds) {
  std::string s = "rivan6: " + std::to_string(done) + " of " + std::to_string(total) +
                  " gauges done, " + std::to_string(failed) + " failed, " +
                  clock_time(elapsed_seconds) + " elapsed";
  if (done > 0 && done < total)
    s += ", about " +
         clock_time(elapsed_seconds / static_cast<double>(done) *
                    static_cast<double>(total - done)) +
         " remaining";
  return s;
}

int run_batch(const BatchOptions& o, std::ostream& out, std::ostream& err) {
  const std::size_t count = o.gauges.size();
  std::vector<Result> results(count);
  Progress progress(o.progress, count, err);
  std::atomic<std::size_t> next{0};
  auto work = [&]() {
    for (std::size_t i = next++; i < count; i = next++) {
      results[i] = analyse_one(o, o.gauges[i]);
      progress.gauge_done(results[i].ok);
    }
  };
  const std::size_t jobs = std::max<std::size_t>(1, std::min<std::size_t>(o.jobs, count));
  std::vector<std::thread> threads;
  for (std::size_t j = 1; j < jobs; ++j) threads.emplace_back(work);
  work();
  for (std::thread& t : threads) t.join();
  progress.finish();

  std::size_t failed = 0, warned = 0;
  for (std::size_t i = 0; i < count; ++i) {
    err << results[i].messages;
    if (!results[i].ok) {
      ++failed;
      continue;
    }
    if (!results[i].warnings.empty()) ++warned;
    if (!o.quiet && !results[i].summary.empty()) out << results[i].summary << '\n';
  }
  bool outputs_ok = true;
  if (o.html) {
    std::vector<report::IndexRow> rows;
    for (std::size_t i = 0; i < count; ++i)
      rows.push_back(results[i].ok
                         ? results[i].index_row
                         : report::failed_row(shown_name(o.gauges[i]), results[i].failure));
    std::string error;
    if (!files::write_file_atomically(join_path(o.out_dir, "index.html"), report::index_page(rows),
                                      error)) {
      err << "rivan6: " << error << '\n';
      outputs_ok = false;
    }
  }
  if (!o.summary.empty()) {
    std::string table;
    std::vector<std::string> header;
    for (const auto& column : results::csv_empty_columns()) header.push_back(column.first);
    for (const std::string& h : findings::csv_headers()) header.push_back(h);
    header.push_back("status");
    table += results::csv_line(header);
    for (std::size_t i = 0; i < count; ++i) {
      std::vector<std::string> row = results[i].csv_row;
      if (row.empty()) {
        // A gauge that failed keeps its row: its name and why.
        for (const auto& column : results::csv_empty_columns()) row.push_back(column.second);
        row.resize(row.size() + findings::csv_headers().size());
        row[0] = shown_name(o.gauges[i]);
        row.push_back(results[i].failure);
      }
      table += results::csv_line(row);
    }
    std::string error;
    if (!files::write_file_atomically(o.summary, table, error)) {
      err << "rivan6: " << error << '\n';
      outputs_ok = false;
    }
  }
  out << count - failed << " of " << count << " gauges analysed, " << warned << " with warnings, "
      << failed << " failed\n";
  out.flush();
  if (!out) err << "rivan6: cannot write the summary to standard output\n";
  err.flush();
  return failed == 0 && out && outputs_ok ? 0 : 1;
}

}  // namespace driver
