#include "driver/gauge.hpp"

#include "driver/texts.hpp"
#include "results/json.hpp"

namespace driver {

results::GaugeResult analyse_record(const std::string& name20, const FlowRecord& record,
                                    const ReadResult& read) {
  results::Record rec;
  rec.name = stem_of(name20);
  rec.name20 = name20;
  rec.first_year = record.first_year;
  rec.N = record.N;
  rec.flows.assign(record.flows.begin(), record.flows.begin() + record.N);
  rec.notes = read.notes;
  rec.ended_at_line = read.unreadable_record;
  rec.blank_years = read.blank_years;
  return results::analyse(std::move(rec));
}

GaugeTexts gauge_texts(const results::GaugeResult& r, const findings::Findings& f,
                       std::string log) {
  GaugeTexts t;
  t.ans = answer_file(r);
  t.cor = correlogram_file(r);
  t.yer = year_file(r);
  t.log = std::move(log);
  results::Json j = results::to_json(r);
  j["findings"] = findings::to_json(f);
  t.json = results::json_text(j);
  return t;
}

}  // namespace driver
