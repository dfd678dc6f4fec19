// The texts of one analysed gauge: the answer file, the two side files and
// what the dialogue shows on the screen, each written from the result value.
#pragma once

#include <string>

#include "driver/outputs.hpp"
#include "findings/findings.hpp"
#include "format/format.hpp"
#include "results/result.hpp"

namespace driver {

// The report, with its carriage control applied (a form feed starts a page).
std::string answer_file(const results::GaugeResult& r);
// The correlogram file: the band, the chosen orders and the correlogram of
// the normalised flows. Empty when no ARMA model was chosen.
std::string correlogram_file(const results::GaugeResult& r);
// The year file: the transform, the ARMA model, the zero flows, the flows by
// decade and the moments of the record.
std::string year_file(const results::GaugeResult& r);
// The screen: messages of the fits, the distribution plots (then a pause
// when pause_after_plots), the correlogram plots and the ARMA score lines
// and table (with its pause).
void show_gauge(const results::GaugeResult& r, format::Screen& screen, bool pause_after_plots);

// The chosen models in the batch summary: "ITYPE 2  p 1  q 0", or
// "ITYPE 2  p -  q -" when there is no ARMA model.
std::string model_summary(const results::GaugeResult& r);
// Why a gauge has no ARMA model, e.g. "zero flows: no ARMA".
const char* no_arma_reason(const results::GaugeResult& r);
// The chosen models in the dialogue: "TRANSFORM LN2, ARMA(1,0)", or why there
// is none.
std::string model_line(const results::GaugeResult& r);

// The texts of all files of a gauge, its findings in its JSON; log is the
// batch's log text ("" in the dialogue).
GaugeTexts gauge_texts(const results::GaugeResult& r, const findings::Findings& f, std::string log);

}  // namespace driver
