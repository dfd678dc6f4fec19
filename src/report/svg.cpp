#include "report/svg.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace report {

namespace {

// Trailing zeros of a fixed-point text removed, and its point when nothing
// follows it; "-0" becomes "0".
std::string trim_fixed(std::string s) {
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

}  // namespace

std::string num(double v) {
  if (!std::isfinite(v)) return "0";
  // Whole hundredths, written without printf: the figures of a network
  // hold a great many coordinates.
  const double hundredths = v * 100.0;
  if (!(std::fabs(hundredths) < 9e15)) return trimmed(v, 2);
  long long k = std::llround(hundredths);
  std::string out;
  if (k < 0) {
    out += '-';
    k = -k;
  }
  char buf[24];
  const auto end = std::to_chars(buf, buf + sizeof buf, k / 100).ptr;
  out.append(buf, end);
  const int cents = static_cast<int>(k % 100);
  if (cents != 0) {
    out += '.';
    out += static_cast<char>('0' + cents / 10);
    if (cents % 10 != 0) out += static_cast<char>('0' + cents % 10);
  }
  return out == "-0" ? "0" : out;
}

std::string trimmed(double v, int max_decimals) {
  if (!std::isfinite(v)) return "n/a";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", max_decimals, v);
  return trim_fixed(buf);
}

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += c;
    }
  }
  return out;
}

double nice_number(double x, bool round) {
  if (!(x > 0.0) || !std::isfinite(x)) return 1.0;
  const double e = std::floor(std::log10(x));
  const double p = std::pow(10.0, e);
  const double f = x / p;
  double nf;
  if (round)
    nf = f < 1.5 ? 1.0 : f < 3.0 ? 2.0 : f < 7.0 ? 5.0 : 10.0;
  else
    nf = f <= 1.0 ? 1.0 : f <= 2.0 ? 2.0 : f <= 5.0 ? 5.0 : 10.0;
  return nf * p;
}

Ticks nice_ticks(double lo, double hi, int max_ticks) {
  return nice_ticks(lo, hi, max_ticks, 0.0);
}

Ticks nice_ticks(double lo, double hi, int max_ticks, double min_step) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) lo = 0.0, hi = 1.0;
  if (lo > hi) std::swap(lo, hi);
  if (lo == hi) {
    const double d = lo == 0.0 ? 1.0 : std::fabs(lo) * 0.1;
    lo -= d;
    hi += d;
  }
  max_ticks = std::max(max_ticks, 2);
  Ticks t;
  const double range = nice_number(hi - lo, false);
  t.step = std::max(nice_number(range / (max_ticks - 1), true), min_step);
  // Each tick is a whole multiple of the step, computed from its index so
  // that no rounding error builds up along the axis.
  // A bound that is a multiple of the step up to rounding (3.3 / 0.1 gives
  // 32.99...) is taken as that multiple, not one step further out.
  auto whole = [](double k, bool down) {
    const double r = std::round(k);
    if (std::fabs(k - r) < 1e-9 * std::max(1.0, std::fabs(k))) return r;
    return down ? std::floor(k) : std::ceil(k);
  };
  const double first = whole(lo / t.step, true);
  const double last = whole(hi / t.step, false);
  for (double k = first; k <= last; k += 1.0) t.values.push_back(k * t.step);
  if (t.values.size() < 2) t.values.push_back((last + 1.0) * t.step);
  t.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(t.step) + 1e-9)));
  return t;
}

std::string tick_label(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  // A value that rounds to zero is written without a sign.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string fixed(double v, int decimals) {
  if (!std::isfinite(v)) return "n/a";
  return tick_label(v, decimals);
}

std::string fmt(double v, int digits) {
  if (!std::isfinite(v)) return "n/a";
  if (v == 0.0) return "0";
  const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(v))));
  const int decimals = std::clamp(digits - 1 - magnitude, 0, 4);
  return trimmed(v, decimals);
}

Svg::Svg(std::string id, double width, double height, std::string_view title, std::string_view desc)
    : id_(std::move(id)), width_(width), height_(height) {
  out_.reserve(16384);
  out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"figure\" id=\"" + id_ +
          "\" viewBox=\"0 0 " + num(width) + " " + num(height) + "\" width=\"" + num(width) +
          "\" height=\"" + num(height) + "\" role=\"img\" aria-labelledby=\"" + id_ + "-title " +
          id_ + "-desc\" font-family=\"'DejaVu Sans', Arial, Helvetica, sans-serif\"" +
          " font-size=\"12\">\n";
  out_ += "<title id=\"" + id_ + "-title\">" + escape(title) + "</title>\n";
  out_ += "<desc id=\"" + id_ + "-desc\">" + escape(desc) + "</desc>\n";
  out_ += "<rect x=\"0\" y=\"0\" width=\"" + num(width) + "\" height=\"" + num(height) +
          "\" fill=\"#FFFFFF\"/>\n";
}

void Svg::line(double x1, double y1, double x2, double y2, std::string_view style) {
  out_ += "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" +
          num(y2) + "\" ";
  out_ += style;
  out_ += "/>\n";
}

void Svg::rect(double x, double y, double w, double h, std::string_view style) {
  if (w < 0) x += w, w = -w;
  if (h < 0) y += h, h = -h;
  out_ += "<rect x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" + num(w) + "\" height=\"" +
          num(h) + "\" ";
  out_ += style;
  out_ += "/>\n";
}

void Svg::circle(double cx, double cy, double r, std::string_view style) {
  out_ += "<circle cx=\"" + num(cx) + "\" cy=\"" + num(cy) + "\" r=\"" + num(r) + "\" ";
  out_ += style;
  out_ += "/>\n";
}

void Svg::polyline(const std::vector<double>& xs, const std::vector<double>& ys,
                   std::string_view style) {
  std::string points;
  int count = 0;
  auto flush = [&] {
    if (count >= 2) {
      out_ += "<polyline fill=\"none\" points=\"" + points + "\" ";
      out_ += style;
      out_ += "/>\n";
    }
    points.clear();
    count = 0;
  };
  const std::size_t n = std::min(xs.size(), ys.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(xs[i]) || !std::isfinite(ys[i])) {
      flush();
      continue;
    }
    if (count > 0) points += ' ';
    points += num(xs[i]) + "," + num(ys[i]);
    ++count;
  }
  flush();
}

void Svg::polygon(const std::vector<double>& xs, const std::vector<double>& ys,
                  std::string_view style) {
  std::string points;
  const std::size_t n = std::min(xs.size(), ys.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(xs[i]) || !std::isfinite(ys[i])) continue;
    if (!points.empty()) points += ' ';
    points += num(xs[i]) + "," + num(ys[i]);
  }
  if (points.empty()) return;
  out_ += "<polygon points=\"" + points + "\" ";
  out_ += style;
  out_ += "/>\n";
}

void Svg::text(double x, double y, std::string_view text, std::string_view anchor,
               std::string_view extra) {
  out_ += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\"";
  if (anchor != "start") {
    out_ += " text-anchor=\"";
    out_ += anchor;
    out_ += "\"";
  }
  if (!extra.empty()) {
    out_ += ' ';
    out_ += extra;
  }
  out_ += '>';
  out_ += escape(text);
  out_ += "</text>\n";
}

void Svg::vtext(double x, double y, std::string_view text) {
  out_ += "<text x=\"" + num(x) + "\" y=\"" + num(y) +
          "\" text-anchor=\"middle\" transform=\"rotate(-90 " + num(x) + " " + num(y) + ")\">" +
          escape(text) + "</text>\n";
}

std::string Svg::clip(const std::string& name, double x, double y, double w, double h) {
  const std::string cid = id_ + "-" + name;
  out_ += "<clipPath id=\"" + cid + "\"><rect x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" +
          num(w) + "\" height=\"" + num(h) + "\"/></clipPath>\n";
  return "clip-path=\"url(#" + cid + ")\"";
}

void Svg::open_group(std::string_view attributes) {
  out_ += "<g";
  if (!attributes.empty()) {
    out_ += ' ';
    out_ += attributes;
  }
  out_ += ">\n";
}

void Svg::close_group() {
  out_ += "</g>\n";
}

std::string Svg::finish() {
  out_ += "</svg>\n";
  return std::move(out_);
}

double text_width(std::string_view text, double font_size) {
  // An average glyph of a sans-serif face is a little over half the size.
  double units = 0.0;
  for (const char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u & 0xC0) == 0x80) continue;  // continuation byte of a UTF-8 character
    units += (c == ' ' || c == '.' || c == ',' || c == 'i' || c == 'l' || c == '(' || c == ')')
                 ? 0.32
             : (c >= 'A' && c <= 'Z') || c == 'm' || c == 'w' ? 0.72
                                                              : 0.56;
  }
  return units * font_size;
}

double legend(Svg& svg, double x, double y, double width, const std::vector<LegendEntry>& entries) {
  double cx = x;
  for (const LegendEntry& e : entries) {
    const double w = 28.0 + text_width(e.text) + 18.0;
    if (cx > x && cx + w > x + width) {
      cx = x;
      y += 18.0;
    }
    const std::string colour = e.colour;
    const std::string opacity = e.opacity < 1.0 ? " fill-opacity=\"" + num(e.opacity) + "\"" : "";
    switch (e.symbol) {
      case LegendEntry::Symbol::kLine:
        svg.line(cx, y - 4, cx + 22, y - 4, "stroke=\"" + colour + "\" stroke-width=\"2\"");
        break;
      case LegendEntry::Symbol::kDashedLine:
        svg.line(cx, y - 4, cx + 22, y - 4,
                 "stroke=\"" + colour + "\" stroke-width=\"2\" stroke-dasharray=\"6 3\"");
        break;
      case LegendEntry::Symbol::kDot:
        svg.circle(cx + 11, y - 4, 3.5, "fill=\"" + colour + "\"");
        break;
      case LegendEntry::Symbol::kRing:
        svg.circle(cx + 11, y - 4, 4,
                   "fill=\"#FFFFFF\" stroke=\"" + colour + "\" stroke-width=\"2\"");
        break;
      case LegendEntry::Symbol::kBox:
        svg.rect(cx, y - 10, 22, 12, "fill=\"" + colour + "\"" + opacity);
        break;
      case LegendEntry::Symbol::kDiamond:
        svg.polygon({cx + 11, cx + 16, cx + 11, cx + 6}, {y - 10, y - 4, y + 2, y - 4},
                    "fill=\"" + colour + "\" stroke=\"#000000\" stroke-width=\"0.8\"");
        break;
      case LegendEntry::Symbol::kBar:
        svg.rect(cx + 7, y - 11, 8, 14, "fill=\"" + colour + "\"" + opacity);
        break;
    }
    svg.text(cx + 28, y, e.text);
    cx += w;
  }
  return y + 18.0;
}

void y_axis(Svg& svg, const Frame& f, const Ticks& ticks, std::string_view label) {
  for (const double v : ticks.values) {
    const double y = f.y(v);
    if (y < f.top - 0.5 || y > f.bottom + 0.5) continue;
    svg.line(f.left, y, f.right, y, "stroke=\"#DDDDDD\" stroke-width=\"1\"");
    svg.line(f.left - 5, y, f.left, y, "stroke=\"#000000\"");
    svg.text(f.left - 8, y + 4, tick_label(v, ticks.decimals), "end");
  }
  svg.vtext(16, (f.top + f.bottom) / 2, label);
}

void x_axis(Svg& svg, const Frame& f, const std::vector<TickMark>& ticks, std::string_view label,
            bool grid) {
  for (const TickMark& t : ticks) {
    const double x = f.x(t.at);
    if (x < f.left - 0.5 || x > f.right + 0.5) continue;
    if (grid) svg.line(x, f.top, x, f.bottom, "stroke=\"#DDDDDD\" stroke-width=\"1\"");
    svg.line(x, f.bottom, x, f.bottom + (t.label.empty() ? 3 : 5), "stroke=\"#000000\"");
    if (!t.label.empty()) svg.text(x, f.bottom + 18, t.label, "middle");
  }
  if (!label.empty()) svg.text((f.left + f.right) / 2, f.bottom + 36, label, "middle");
}

std::vector<TickMark> marks(const Ticks& ticks) {
  std::vector<TickMark> m;
  for (const double v : ticks.values) m.push_back({v, tick_label(v, ticks.decimals)});
  return m;
}

void frame_box(Svg& svg, const Frame& f) {
  svg.rect(f.left, f.top, f.width(), f.height(),
           "fill=\"none\" stroke=\"#000000\" stroke-width=\"1\"");
}

}  // namespace report
