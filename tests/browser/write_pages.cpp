// Writes the HTML pages of some gauges and their index page into a folder,
// for the browser test and for the kept figures of the report tests. Each
// gauge also gets its report, side files and JSON, so that the page's links
// lead somewhere.
//
//   report_pages [-d DIR] -o OUTDIR [--figures] [--no-html] NAME...
//
// --figures also writes each figure as NAME-<figure>.svg; --no-html writes
// only the files of the analysis (to time what the pages add).
#include <chrono>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "driver/gauge.hpp"
#include "driver/outputs.hpp"
#include "driver/reader.hpp"
#include "driver/texts.hpp"
#include "report/figures.hpp"
#include "report/page.hpp"

namespace {

struct Options {
  std::string data_dir, out_dir;
  bool figures = false, html = true;
  std::vector<std::string> names;
};

bool write(const std::string& path, const std::string& text) {
  std::string error;
  if (driver::write_file_atomically(path, text, error)) return true;
  std::cerr << "report_pages: " << error << "\n";
  return false;
}

// The figures of one gauge, as separate files.
bool write_figures(const Options& o, const results::GaugeResult& r) {
  const std::string stem = driver::join_path(o.out_dir, r.record.name);
  const std::string& name = r.record.name;
  bool ok = write(stem + "-series.svg", report::series_figure(r, {}));
  if (r.transformed())
    ok = write(stem + "-probability.svg", report::probability_figure(r, {})) && ok;
  if (r.correlated()) {
    ok = write(stem + "-acf.svg",
               report::correlogram_figure(r.correlogram, report::CorrelogramKind::kSerial, name)) &&
         ok;
    ok = write(stem + "-pacf.svg", report::correlogram_figure(
                                       r.correlogram, report::CorrelogramKind::kPartial, name)) &&
         ok;
    ok = write(stem + "-arma.svg", report::arma_figure(r.arma, name)) && ok;
  }
  if (r.complete()) {
    const std::string model = "ARMA(" + std::to_string(r.p) + "," + std::to_string(r.q) + ")";
    ok = write(stem + "-racf.svg",
               report::correlogram_figure(r.residual_correlogram,
                                          report::CorrelogramKind::kResidual, name, model)) &&
         ok;
    ok = write(stem + "-deficit.svg",
               report::deficit_figure(r.arma.fits[r.p][r.q], r.raw.mean, name)) &&
         ok;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "-d" || a == "-o") && i + 1 < argc)
      (a == "-d" ? o.data_dir : o.out_dir) = argv[++i];
    else if (a == "--figures")
      o.figures = true;
    else if (a == "--no-html")
      o.html = false;
    else if (!a.empty() && a[0] == '-') {
      std::cerr << "usage: report_pages [-d DIR] -o OUTDIR [--figures] [--no-html] NAME...\n";
      return 2;
    } else
      o.names.push_back(a);
  }
  if (o.names.empty()) {
    std::cerr << "report_pages: no gauge named\n";
    return 2;
  }
  std::vector<report::IndexRow> rows;
  bool ok = true;
  double page_seconds = 0.0;
  for (const std::string& name : o.names) {
    const std::string inc = driver::join_path(o.data_dir, name + ".INC");
    std::ifstream in(inc, std::ios::binary);
    if (!in) {
      rows.push_back(report::failed_row(name, "cannot open the flow file " + inc));
      continue;
    }
    auto record = std::make_unique<driver::FlowRecord>();
    const driver::ReadResult read = driver::read_flows(in, inc, *record);
    if (!read.ok) {
      rows.push_back(report::failed_row(name, read.message.substr(1)));
      continue;
    }
    const results::GaugeResult r =
        driver::analyse_record(driver::fixed_field(name, driver::kNameColumns), *record, read);
    driver::GaugeTexts texts = driver::gauge_texts(r, "");
    if (o.html) {
      const auto start = std::chrono::steady_clock::now();
      texts.html = report::gauge_page(r, {}, report::links_for(r, true));
      rows.push_back(report::index_row(r, name + ".html", 0));
      page_seconds +=
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const driver::WriteOutcome w = driver::write_gauge_files(o.out_dir, name, texts);
    if (!w.ok) {
      std::cerr << "report_pages: " << w.error << "\n";
      ok = false;
    }
    if (o.figures) ok = write_figures(o, r) && ok;
  }
  if (o.html) {
    const auto start = std::chrono::steady_clock::now();
    const std::string index = report::index_page(rows);
    page_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ok = write(driver::join_path(o.out_dir, "index.html"), index) && ok;
    std::cerr << "report_pages: " << rows.size() << " gauges, pages written in " << page_seconds
              << " s\n";
  }
  return ok ? 0 : 1;
}
