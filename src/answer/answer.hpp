// The report's layout: the answer file, the two side files and what the
// dialogue shows on the screen, each written from the result value.
#pragma once

#include <string>

#include "format/format.hpp"
#include "results/result.hpp"

namespace answer {

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

// The table of parameters and criteria of the candidate transforms and the
// raw moments, to the answer file.
void write_normalisation(format::Writer& ans, const normalize::Normalisation& r);
// The messages of the fits on the screen (the SB(4) range failure pauses).
void show_normalisation(format::Screen& screen, const normalize::Normalisation& r);
// The minimiser records, score lines, score table, choice and refit record,
// to the answer file.
void write_identification(format::Writer& ans, const arma::Identification& id);
// The score lines, the pause and the table on the screen.
void show_identification(format::Screen& screen, const arma::Identification& id);
// The crossing table of levels first..first+5 (1: the down crossings, 7: the
// up crossings) to the answer file.
void write_cross(format::Writer& ans, const stats::CrossTables& t, int first);

}  // namespace answer
