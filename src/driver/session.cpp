#include "driver/session.hpp"

#include <fstream>
#include <memory>

#include "driver/files.hpp"
#include "driver/gauge.hpp"
#include "driver/reader.hpp"
#include "format/format.hpp"

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

}  // namespace

int run_session(Console& console, const std::string& out_dir) {
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
    auto record = std::make_unique<FlowRecord>();
    if (!reader(console, directory, name, *record)) return 0;
    const std::string stem = stem_of(name);
    const std::string ans_name = join_path(out_dir, stem + ".ANS");
    std::ofstream ans(ans_name, std::ios::binary | std::ios::trunc);
    if (!ans) {
      screen.list(" CANNOT CREATE THE ANSWER FILE ", ans_name, " - THIS GAUGE IS SKIPPED");
    } else {
      GaugeOutcome outcome = analyse_gauge(name, *record, ans, scr, pause_after_plots);
      ans.close();
      if (!ans) screen.list(" COULD NOT WRITE ALL OF ", ans_name);
      const std::string cor_name = join_path(out_dir, stem + ".COR");
      const std::string yer_name = join_path(out_dir, stem + ".YER");
      if (!outcome.cor.empty() && !write_file(cor_name, outcome.cor))
        screen.list(" CANNOT WRITE ", cor_name);
      if (!write_file(yer_name, outcome.yer)) screen.list(" CANNOT WRITE ", yer_name);
    }
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
