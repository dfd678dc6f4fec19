// Building blocks of the figures: numbers as SVG writes them, text escaping,
// round tick values, linear scales, the palette and a small SVG writer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace report {

// A number as an SVG coordinate: rounded to 0.01 and written in its shortest
// form ("12.5", "-3", "0"), so that files stay small and the same on every
// run. A value that is not finite is written as 0.
std::string num(double v);

// v with at most max_decimals decimals, trailing zeros dropped ("0.5",
// "20"); "n/a" when not finite.
std::string trimmed(double v, int max_decimals);

// Text for XML character data or a quoted attribute: & < > " ' escaped, and
// control characters other than tab and line ends dropped (XML forbids them).
std::string escape(std::string_view text);

// A "nice" number near x > 0: 1, 2 or 5 (with `round`, also 10) times a power
// of ten. With round the nearest such number; without, the smallest one that
// is not below x.
double nice_number(double x, bool round);

// Tick marks at round values covering [lo, hi]: the step is a nice number,
// every tick a whole multiple of it, and the ticks run from the last multiple
// at or below lo to the first at or above hi, so about `max_ticks` of them
// (at least 2, never more than 2 max_ticks + 1). lo == hi is widened to a
// range around it. `decimals` is how many digits after the point the step
// needs in its labels.
struct Ticks {
  std::vector<double> values;
  double step = 1.0;
  int decimals = 0;
  double lo() const { return values.front(); }
  double hi() const { return values.back(); }
};
Ticks nice_ticks(double lo, double hi, int max_ticks);
// The same with a step of at least min_step (years and lags are whole).
Ticks nice_ticks(double lo, double hi, int max_ticks, double min_step);

// A tick label: v with the given number of decimals, "-0" written as "0".
std::string tick_label(double v, int decimals);

// A number for a table or a sentence: `digits` significant digits for
// moderate magnitudes, never more than 4 decimals, trailing zeros dropped,
// thousands not separated; "n/a" when not finite.
std::string fmt(double v, int digits = 4);
// A number with a fixed number of decimals; "n/a" when not finite.
std::string fixed(double v, int decimals);

// Maps [d0, d1] linearly onto [r0, r1].
struct Scale {
  double d0 = 0.0, d1 = 1.0, r0 = 0.0, r1 = 1.0;
  double operator()(double v) const { return r0 + (v - d0) * (r1 - r0) / (d1 - d0); }
};

// The colours: the Okabe-Ito palette, which readers with any of the common
// colour-vision deficiencies can tell apart, plus greys.
namespace colour {
constexpr const char* kBlack = "#000000";
constexpr const char* kOrange = "#E69F00";
constexpr const char* kSkyBlue = "#56B4E9";
constexpr const char* kGreen = "#009E73";
constexpr const char* kYellow = "#F0E442";
constexpr const char* kBlue = "#0072B2";
constexpr const char* kVermillion = "#D55E00";
constexpr const char* kPurple = "#CC79A7";
constexpr const char* kGrid = "#DDDDDD";
constexpr const char* kGrey = "#777777";
constexpr const char* kLight = "#F2F2F2";
}  // namespace colour

// Appends SVG elements to a text. Attribute strings are written as given
// (the caller writes numbers with num() and text with escape()).
class Svg {
 public:
  // Opens <svg> with its size, role, and the <title> and <desc> that screen
  // readers announce; `id` prefixes every id inside the figure so that
  // several figures can share one page.
  Svg(std::string id, double width, double height, std::string_view title, std::string_view desc);

  const std::string& id() const { return id_; }
  double width() const { return width_; }
  double height() const { return height_; }

  void line(double x1, double y1, double x2, double y2, std::string_view style);
  void rect(double x, double y, double w, double h, std::string_view style);
  void circle(double cx, double cy, double r, std::string_view style);
  // A polyline through the points; a point that is not finite breaks it
  // into pieces.
  void polyline(const std::vector<double>& xs, const std::vector<double>& ys,
                std::string_view style);
  void polygon(const std::vector<double>& xs, const std::vector<double>& ys,
               std::string_view style);
  // anchor: "start", "middle" or "end"; extra: further attributes.
  void text(double x, double y, std::string_view text, std::string_view anchor = "start",
            std::string_view extra = "");
  // Text turned 90 degrees anticlockwise about its anchor point.
  void vtext(double x, double y, std::string_view text);
  void raw(std::string_view markup) { out_ += markup; }
  // A clip path of the rectangle, named id()+"-"+name; returns the
  // attribute that applies it.
  std::string clip(const std::string& name, double x, double y, double w, double h);
  void open_group(std::string_view attributes);
  void close_group();

  // Closes the element and returns the text.
  std::string finish();

 private:
  std::string id_;
  double width_, height_;
  std::string out_;
};

// The entries of a legend, drawn in one row from (x, y): each a symbol and
// its text.
struct LegendEntry {
  enum class Symbol { kLine, kDashedLine, kDot, kRing, kBox, kDiamond, kBar };
  Symbol symbol;
  std::string colour;
  std::string text;
  double opacity = 1.0;
};
// Draws the entries in rows no wider than `width`; returns the y below the last row.
double legend(Svg& svg, double x, double y, double width, const std::vector<LegendEntry>& entries);

// The plot area of a figure with its two scales.
struct Frame {
  double left = 0, top = 0, right = 0, bottom = 0;
  Scale x, y;
  double width() const { return right - left; }
  double height() const { return bottom - top; }
};

// Horizontal grid lines, tick marks and labels of the y ticks and the
// vertical axis label.
void y_axis(Svg& svg, const Frame& f, const Ticks& ticks, std::string_view label);
// Vertical grid lines, ticks and labels at the given positions along the
// bottom, and the axis label below them.
struct TickMark {
  double at;
  std::string label;  // "" for a tick without label
};
void x_axis(Svg& svg, const Frame& f, const std::vector<TickMark>& ticks, std::string_view label,
            bool grid = true);
// The ticks of nice_ticks as tick marks.
std::vector<TickMark> marks(const Ticks& ticks);
// The frame around the plot area.
void frame_box(Svg& svg, const Frame& f);

// Width in pixels of a text at the given font size (a rough estimate for
// layout: legends and labels that must not overlap).
double text_width(std::string_view text, double font_size = 12.0);

}  // namespace report
