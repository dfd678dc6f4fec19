#include "driver/session.hpp"

#include "answer/answer.hpp"
#include "driver/outputs.hpp"
#include "driver/reader.hpp"
#include "format/format.hpp"
#include "pipeline/pipeline.hpp"
#include "report/extras.hpp"
#include "report/page.hpp"

namespace driver {

namespace {

void banner(format::Writer& screen) {
  for (const char* line : {" ******************************************************",
                           " *                                                    *",
                           " *        M Q T   ROZER RESOURCES UTILITIES           *",
                           " *                                                    *",
                           " *                  R I V A N 6                       *",
                           " *                                                    *",
                           " *                 AS ON 08-05-98                     *",
                           " *                                                    *",
                           " ******************************************************"})
    screen.list(line);
}

// After the files of a gauge: the chosen models and the files written, or
// what could not be written.
void report_written(format::Writer& screen, const results::GaugeResult& r, const WriteOutcome& w) {
  if (!w.ok) {
    screen.list("THE FILES OF " + r.record.name + " COULD NOT BE WRITTEN: " + w.error);
    return;
  }
  screen.list(r.record.name + ": " + answer::model_line(r));
  std::string names;
  for (const std::string& path : w.written) names += " " + path;
  screen.list("FILES WRITTEN:" + names);
  if (!w.removed.empty())
    screen.list("THE OLDER " + w.removed +
                " WAS REMOVED: A RECORD WITH ZERO FLOWS HAS NO CORRELOGRAM");
}

}  // namespace

int run_session(Console& console, const SessionOptions& options) {
  format::Writer screen(console.out());
  format::Screen scr{screen, [&console](std::string_view prompt) { console.pause(prompt); }};
  banner(screen);
  screen.write("(A)", " ENTER THE BASE DIRECTORY WHERE DATA ARE STORED ? ",
               " eg. /u/ROZER/QDLT/DOZIZ/ORANGE/ OR C:\\DOZIZ\\DATA\\", "  ?   ");
  std::string directory;
  if (!console.read_line(directory)) return 0;
  directory = data_directory(directory);

  screen.list();
  screen.list(" DO YOU WANT TO PAUSE AFTER EACH SCREEN PLOT OF");
  screen.list(" MARGINAL DISTRIBUTION FIT OF THE FLOWS?");
  screen.list();
  screen.list(" IF YOU DO, ENTER Y/y, IF NOT ENTER N/n");
  screen.list("  ?  ");
  std::string answer;
  if (!console.read_line(answer)) return 0;
  const std::size_t first = answer.find_first_not_of(' ');
  const char pause_answer = first == std::string::npos ? ' ' : answer[first];
  const bool pause_after_plots = pause_answer == 'Y' || pause_answer == 'y';

  while (true) {
    std::string name;
    flowfile::FlowRead read;
    if (!reader(console, directory, name, read)) return 0;
    const std::string stem = stem_of(name);
    const pipeline::Gauge analysed = pipeline::analyse(read, name, options.analysis);
    const results::GaugeResult& r = analysed.result;
    const findings::Findings& f = analysed.findings;
    answer::show_gauge(r, scr, pause_after_plots);
    GaugeTexts texts = gauge_texts(r, f, "");
    if (options.html)
      texts.html = report::gauge_page(r, report::page_extras(r, f), report::links_for(r, false));
    const WriteOutcome w = write_gauge_files(options.out_dir, stem, texts);
    report_written(screen, r, w);
    // What a hydrologist asks first, once the files are written.
    if (w.ok) console.out() << findings::findings_block(r, f);
    // Another gauge?
    while (true) {
      screen.write("(A)", " REPEAT THE ANALYSIS FOR ANOTHER FILE (Y/N) - ");
      std::string reply;
      if (!console.read_line(reply)) return 0;
      const char c = reply.empty() ? ' ' : reply[0];
      if (c == 'Y' || c == 'y') break;
      if (c == 'N' || c == 'n') return 0;
    }
  }
}

}  // namespace driver
