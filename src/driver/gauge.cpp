#include "answer/answer.hpp"
#include "driver/outputs.hpp"
#include "results/json.hpp"

namespace driver {

GaugeTexts gauge_texts(const results::GaugeResult& r, const findings::Findings& f,
                       std::string log) {
  GaugeTexts t;
  t.ans = answer::answer_file(r);
  t.cor = answer::correlogram_file(r);
  t.yer = answer::year_file(r);
  t.log = std::move(log);
  results::Json j = results::to_json(r);
  j["findings"] = findings::to_json(f);
  t.json = results::json_text(j);
  return t;
}

}  // namespace driver
