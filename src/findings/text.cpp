// The findings as text: the key columns of the network table and the short
// block of lines shown after each gauge.
#include <cmath>
#include <cstdio>
#include <string>

#include "findings/parts.hpp"
#include "normalize/johnson.hpp"

namespace findings {

namespace {

// The return periods of the table's columns.
constexpr std::array<int, 2> kCsvPeriods{10, 100};
// And of the screen block.
constexpr std::array<int, 3> kBlockPeriods{2, 10, 100};
// The block's lines stay below this many columns.
constexpr std::size_t kWidth = 79;

std::string year_text(int year) {
  return year != 0 ? std::to_string(year) : "";
}

// text as lines of at most kWidth columns, the first starting with `first`,
// the others with `indent`.
std::string wrap(const std::string& first, const std::string& indent, const std::string& text) {
  std::string out;
  std::string line = first;
  bool empty = true;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(' ', pos);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(pos, end - pos);
    pos = end + 1;
    if (word.empty()) continue;
    if (!empty && line.size() + 1 + word.size() > kWidth) {
      out += line + "\n";
      line = indent;
      empty = true;
    }
    if (!empty) line += ' ';
    line += word;
    empty = false;
  }
  return out + line + "\n";
}

// A row of the return-period table: a label of 16 columns, then one
// right-aligned cell of 20 columns per period.
std::string row(const std::string& label, const std::array<std::string, 3>& cells) {
  char buf[128];
  std::snprintf(buf, sizeof buf, " %-15s%20s%20s%20s\n", label.c_str(), cells[0].c_str(),
                cells[1].c_str(), cells[2].c_str());
  return buf;
}

std::string flow_text(double v) {
  return short_number(v, 5);
}

std::string bounds_text(const Quantile& q) {
  return short_number(q.lower, 4) + "-" + short_number(q.upper, 4);
}

std::string return_block(const ReturnPeriods& rp) {
  if (!rp.available) return wrap(" ", "   ", "No return-period flows: " + rp.note + ".");
  std::array<std::string, 3> T, dry, dry_b, wet, wet_b;
  for (std::size_t i = 0; i < kBlockPeriods.size(); ++i) {
    const ReturnPeriod* p = find_period(rp, kBlockPeriods[i]);
    T[i] = std::to_string(kBlockPeriods[i]);
    dry[i] = flow_text(p->dry.flow);
    wet[i] = flow_text(p->wet.flow);
    dry_b[i] = bounds_text(p->dry);
    wet_b[i] = bounds_text(p->wet);
  }
  const bool bounds = rp.bounds_note.empty();
  std::string s = row("Return period", T);
  s += row("Dry-year flow", dry);
  if (bounds) s += row("  90 % bounds", dry_b);
  s += row("Wet-year flow", wet);
  if (bounds) s += row("  90 % bounds", wet_b);
  std::string note = bounds ? "Bounds from " + std::to_string(rp.refitted) + " of " +
                                  std::to_string(rp.samples) + " bootstrap samples refitted"
                            : "No bounds: " + rp.bounds_note;
  if (rp.zero_probability > 0.0)
    note += "; zero flow with probability " + short_number(rp.zero_probability, 3);
  return s + wrap(" ", "   ", note + ".");
}

std::string trend_block(const Findings& f) {
  const MannKendall& mk = f.mann_kendall;
  std::string s;
  if (std::isnan(mk.p)) {
    s = wrap(" ", "   ", "Trend: no Mann-Kendall test (" + mk.note + ").");
  } else {
    std::string t = "Trend: Mann-Kendall Z = " + short_number(mk.Z, 3) +
                    ", p = " + short_number(mk.p, 2) +
                    (mk.p < kSignificance ? " (significant)" : "") + "; Sen's slope " +
                    short_number(f.sen.slope, 3) + " per year";
    if (!std::isnan(f.sen.lower))
      t += " (90 %: " + short_number(f.sen.lower, 3) + " to " + short_number(f.sen.upper, 3) + ")";
    s = wrap(" ", "   ", t + ".");
  }
  const Pettitt& pt = f.pettitt;
  if (pt.last_year_before == 0) {
    s += wrap(" ", "   ", "Change: no Pettitt change point (" + pt.note + ").");
  } else {
    s += wrap(" ", "   ",
              "Change: Pettitt K = " + short_number(pt.K, 6) + " between " +
                  std::to_string(pt.last_year_before) + " and " +
                  std::to_string(pt.first_year_after) + ", p = " + short_number(pt.p, 2) +
                  (pt.p < kSignificance ? " (significant)" : "") + "; mean " +
                  short_number(pt.mean_before, 5) + " before, " + short_number(pt.mean_after, 5) +
                  " after.");
  }
  return s;
}

std::string event_text(const Event& e) {
  const std::string years = e.first_year == e.last_year
                                ? std::to_string(e.first_year)
                                : std::to_string(e.first_year) + "-" + std::to_string(e.last_year);
  return years + ", " + std::to_string(e.duration) + (e.duration == 1 ? " year" : " years") +
         ", deficit " + short_number(e.volume, 5) +
         (e.complete ? "" : " (at an end of the record)");
}

std::string drought_block(const Events& ev) {
  if (!ev.available || ev.levels.empty()) return "";
  const LevelEvents& L = ev.levels.front();
  const std::string level =
      short_number(L.flow, 5) + " (" + short_number(L.percent, 3) + " % level)";
  if (L.events.empty())
    return wrap(" ", "   ",
                "No drought below " + level +
                    (L.flow == 0.0 ? ": the level lies within the zero flows." : "."));
  std::string s = wrap(
      " ", "   ", "Longest drought below " + level + ": " + event_text(L.events[L.longest]) + ".");
  s += wrap(" ", "   ",
            "Largest drought below " + level + ": " + event_text(L.events[L.largest]) + ".");
  return s;
}

}  // namespace

const ReturnPeriod* find_period(const ReturnPeriods& rp, int T) {
  for (const ReturnPeriod& p : rp.periods)
    if (p.T == T) return &p;
  return nullptr;
}

std::vector<std::string> csv_headers() {
  std::vector<std::string> h{"warnings"};
  for (const int T : kCsvPeriods) h.push_back("dry_flow_T" + std::to_string(T));
  for (const int T : kCsvPeriods) h.push_back("wet_flow_T" + std::to_string(T));
  for (const char* k : {"mk_z", "mk_p", "sen_slope", "pettitt_year", "pettitt_p"}) h.push_back(k);
  return h;
}

std::vector<std::pair<std::string, std::string>> csv_columns(const Findings& f) {
  std::vector<std::string> values;
  std::string codes;
  for (const Warning& w : f.warnings) codes += (codes.empty() ? "" : ";") + w.code;
  values.push_back(codes);
  const ReturnPeriods& rp = f.return_periods;
  for (const bool dry : {true, false})
    for (const int T : kCsvPeriods) {
      const ReturnPeriod* p = rp.available ? find_period(rp, T) : nullptr;
      values.push_back(p ? round_trip(dry ? p->dry.flow : p->wet.flow) : "");
    }
  values.push_back(round_trip(f.mann_kendall.Z));
  values.push_back(round_trip(f.mann_kendall.p));
  values.push_back(round_trip(f.sen.slope));
  values.push_back(year_text(f.pettitt.last_year_before));
  values.push_back(round_trip(f.pettitt.p));
  const std::vector<std::string> headers = csv_headers();
  std::vector<std::pair<std::string, std::string>> columns;
  for (std::size_t i = 0; i < headers.size(); ++i) columns.emplace_back(headers[i], values[i]);
  return columns;
}

std::string findings_block(const results::GaugeResult& r, const Findings& f) {
  const results::Record& rec = r.record;
  std::string head = "Findings for " + rec.name + ": " + std::to_string(rec.N) +
                     (rec.N == 1 ? " year" : " years") + " from " + std::to_string(rec.first_year);
  if (f.return_periods.available)
    head += ", transform " + std::string(normalize::model_code(f.return_periods.ITYPE));
  std::string s = wrap(" ", "   ", head);
  s += return_block(f.return_periods);
  s += trend_block(f);
  s += drought_block(f.events);
  if (f.warnings.empty()) return s + " No warnings.\n";
  s += " Warnings (" + std::to_string(f.warnings.size()) + "):\n";
  for (const Warning& w : f.warnings) s += wrap("  " + w.code + ": ", "    ", w.message);
  return s;
}

}  // namespace findings
