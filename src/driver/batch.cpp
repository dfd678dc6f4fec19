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

#include "driver/files.hpp"
#include "driver/gauge.hpp"
#include "driver/reader.hpp"
#include "format/format.hpp"

namespace driver {

namespace {

struct Result {
  bool ok = false;
  std::string summary;   // for standard output
  std::string messages;  // for standard error
  // What the user should look at in a gauge that was analysed; a gauge with
  // any is counted as one with warnings.
  std::vector<std::string> warnings;
};

// The remarks of a gauge's summary line on what was read.
std::vector<std::string> reading_warnings(const ReadResult& read) {
  std::vector<std::string> w;
  if (read.unreadable_record > 0)
    w.push_back("data end early: record " + std::to_string(read.unreadable_record) +
                " cannot be read");
  if (read.more_than_max) w.push_back("only the first 1000 records read");
  return w;
}

// One line per gauge: its name, years, length, transform and ARMA order,
// and in parentheses why a step was left out and the warnings.
std::string summary_line(const std::string& name, const FlowRecord& record, const GaugeOutcome& g,
                         const std::vector<std::string>& warnings) {
  std::vector<std::string> remarks;
  if (!g.arma_done)
    remarks.emplace_back(g.ITYPE == 0 ? "no transform: flows without spread"
                         : g.nz > 0   ? "zero flows: no ARMA"
                                      : "fewer than 3 flows: no ARMA");
  remarks.insert(remarks.end(), warnings.begin(), warnings.end());
  char line[160];
  const int last = record.first_year + record.N - 1;
  if (g.arma_done)
    std::snprintf(line, sizeof line, "%-19s %4d-%-4d  N %4d  ITYPE %d  p %d  q %d", name.c_str(),
                  record.first_year, last, record.N, g.ITYPE, g.p, g.q);
  else
    std::snprintf(line, sizeof line, "%-19s %4d-%-4d  N %4d  ITYPE %d  p -  q -", name.c_str(),
                  record.first_year, last, record.N, g.ITYPE);
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
    return r;
  };
  if (!source.error.empty()) return fail(source.error);

  auto record = std::make_unique<FlowRecord>();
  const ReadResult read = read_flow_file(source.path, *record);
  for (const std::string& note : read.notes)
    r.messages += "rivan6: " + name + ": warning:" + note + "\n";
  if (!read.ok) return fail(read.message.substr(1));
  // The directory of the flow file, as the dialogue would show it.
  const std::string data_dir = std::filesystem::path(source.path).parent_path().string();

  const std::string base = join_path(o.out_dir, name);
  std::ofstream ans(base + ".ANS", std::ios::binary | std::ios::trunc);
  if (!ans) return fail("cannot create " + base + ".ANS");
  std::ofstream log(base + ".LOG", std::ios::binary | std::ios::trunc);
  if (!log) return fail("cannot create " + base + ".LOG");
  format::Writer screen(log);
  format::Screen scr{screen, [&log](std::string_view prompt) { log << prompt << '\n'; }};
  const std::string name20 = fixed_field(name, kNameColumns);
  screen.list(" DIR = ", data_dir);
  screen.list(" GAUGE = ", name20);
  for (const std::string& note : read.notes) screen.list(note);
  const GaugeOutcome g = analyse_gauge(name20, *record, ans, scr, false);
  ans.close();
  if (!ans) return fail("could not write all of " + base + ".ANS");
  // A .COR file left by an earlier run would not belong to this analysis.
  if (g.cor.empty())
    std::remove((base + ".COR").c_str());
  else if (!write_file(base + ".COR", g.cor))
    return fail("cannot write " + base + ".COR");
  if (!write_file(base + ".YER", g.yer)) return fail("cannot write " + base + ".YER");
  log.close();

  r.warnings = reading_warnings(read);
  r.summary = summary_line(name, *record, g, r.warnings);
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
  out << count - failed << " of " << count << " gauges analysed, " << warned << " with warnings, "
      << failed << " failed\n";
  out.flush();
  if (!out) err << "rivan6: cannot write the summary to standard output\n";
  err.flush();
  return failed == 0 && out ? 0 : 1;
}

}  // namespace driver
