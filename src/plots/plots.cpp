#include "plots/plots.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "stats/chisq.hpp"

namespace plots {

namespace {

// Screen columns of the scatter and probability plots (0-based): a 10-column
// value label, a blank, the flow axis, the plotting area, the right border.
constexpr int kLabelWidth = 10;
constexpr int kAxisColumn = kLabelWidth + 1;
constexpr int kFirstCell = kAxisColumn + 1;
constexpr int kRightBorder = kFirstCell + kCols;
constexpr int kRowsPerLabel = 4;  // a value label on every fourth row

// The normal probability paper spans this many standard deviations either side.
constexpr double kPaperHalfWidth = 3.1;

enum class Axis { Linear, Normal };

// Exceedance probabilities marked on the probability paper, at their
// standard normal deviates.
struct PaperMark {
  double z;
  const char* label;
};
constexpr PaperMark kPaperMarks[] = {{-3.090232, "0.1"}, {-2.326348, "1"},  {-1.644854, "5"},
                                     {-1.281552, "10"},  {-0.841621, "20"}, {0.0, "50"},
                                     {0.841621, "80"},   {1.281552, "90"},  {1.644854, "95"},
                                     {2.326348, "99"},   {3.090232, "99.9"}};

struct Tick {
  int column;
  std::string label;
};

std::string_view trim_right(std::string_view s) {
  const auto end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1);
}

// Nearest of the cells 0..cells-1 to the fraction f of the way across them;
// fractions beyond 0..1 (or not a number) go to the nearer end (or to 0).
int nearest_cell(double f, int cells) {
  if (!(f > 0.0)) return 0;
  if (f > 1.0) return cells - 1;
  return static_cast<int>(std::lround(f * (cells - 1)));
}

// Column of a fraction f in [0, 1] of the width of the plotting area.
int column_of(double f) {
  return nearest_cell(f, kCols);
}

// Column of the normal deviate z on the probability paper.
int paper_column(double z) {
  return column_of((z + kPaperHalfWidth) / (2.0 * kPaperHalfWidth));
}

// A flow-axis label of at most kLabelWidth columns. The decimals suffice to
// show the quarters of a top rounded to two significant digits exactly.
std::string value_label(double v, double magnitude) {
  char buf[64];
  const int e = static_cast<int>(std::floor(std::log10(magnitude)));
  if (e >= -3 && e <= 8) {
    std::snprintf(buf, sizeof buf, "%*.*f", kLabelWidth, std::max(0, 3 - e), v);
  } else {
    std::snprintf(buf, sizeof buf, "%*.3E", kLabelWidth, v);
  }
  std::string s(buf);
  if (static_cast<int>(s.size()) > kLabelWidth) {
    std::snprintf(buf, sizeof buf, "%*.2E", kLabelWidth, v);
    s = buf;
  }
  return s;
}

// A probability label: whole percentages without decimals.
std::string percent_label(double v) {
  char buf[64];
  if (v == std::floor(v) && std::fabs(v) < 1e9) {
    std::snprintf(buf, sizeof buf, "%.0f", v);
  } else {
    std::snprintf(buf, sizeof buf, "%.1f", v);
  }
  return buf;
}

std::vector<Tick> ticks(const Plot& plot, Axis axis) {
  std::vector<Tick> t;
  if (axis == Axis::Linear) {
    // Every tenth of the range; exceedance runs from xlo on the left to xhi.
    for (int i = 0; i <= 10; ++i) {
      const double v = (plot.xlo * (10 - i) + plot.xhi * i) / 10.0;
      t.push_back({column_of(i / 10.0), percent_label(v)});
    }
  } else {
    for (const PaperMark& m : kPaperMarks) t.push_back({paper_column(m.z), m.label});
  }
  return t;
}

void start(Plot& plot, std::string_view title, std::string_view ycaption, double top, double xlo,
           double xhi, double ylo) {
  for (auto& row : plot.cell) row.fill(' ');
  plot.title = std::string(trim_right(title));
  plot.ycaption = std::string(trim_right(ycaption));
  plot.xlo = xlo;
  plot.xhi = xhi;
  if (!(std::isfinite(xlo) && std::isfinite(xhi) && xhi > xlo)) {
    plot.xlo = 0.0;
    plot.xhi = 100.0;
  }
  plot.given_top = top;
  plot.ylo = std::isfinite(ylo) ? ylo : 0.0;
  plot.top = top;
  plot.top_replaced = !(std::isfinite(top) && top > plot.ylo);
  if (plot.top_replaced) {
    plot.top = 1.0;
    if (!(plot.ylo < 1.0)) plot.ylo = 0.0;
  }
  plot.outside_fitted = 0;
  plot.outside_observed = 0;
  plot.started = true;
}

// Marks one point; false if it falls outside the plotting area.
bool mark(Plot& plot, double x, double y, char symbol, Axis axis) {
  if (!(y >= plot.ylo && y <= plot.top)) return false;
  if (!(x >= plot.xlo && x <= plot.xhi)) return false;
  // Exceedance as a fraction of the probability range.
  const double q = (plot.xhi - x) / (plot.xhi - plot.xlo);
  int col = 0;
  if (axis == Axis::Linear) {
    col = column_of(q);
  } else {
    if (!(q > 0.0 && q < 1.0)) return false;
    const double z = stats::xnorm(q);
    if (!(std::fabs(z) <= kPaperHalfWidth)) return false;
    col = paper_column(z);
  }
  const int row = nearest_cell((plot.top - y) / (plot.top - plot.ylo), kRows);
  char& c = plot.cell[row][col];
  if (c == ' ' || c == symbol) {
    c = symbol;
  } else {
    c = kBothSymbol;
  }
  return true;
}

void draw(const Plot& plot, Axis axis, format::Writer& screen) {
  screen.record("");  // sets the plot apart from what the screen shows before it
  screen.record(plot.title);
  screen.record(plot.ycaption);

  std::string frame(kAxisColumn, ' ');
  frame += '+';
  frame.append(kCols, '-');
  frame += '+';
  screen.record(frame);

  const double magnitude = std::max(std::fabs(plot.top), std::fabs(plot.ylo));
  for (int r = 0; r < kRows; ++r) {
    std::string line;
    if (r % kRowsPerLabel == 0) {
      line = value_label((plot.top * (kRows - 1 - r) + plot.ylo * r) / (kRows - 1), magnitude);
      line += " +";
    } else {
      line.assign(kAxisColumn, ' ');
      line += '|';
    }
    line.append(plot.cell[r].begin(), plot.cell[r].end());
    line += '|';
    screen.record(line);
  }

  const std::vector<Tick> t = ticks(plot, axis);
  std::string axis_line = frame;
  for (const Tick& k : t) {
    if (k.column > 0 && k.column < kCols - 1) axis_line[kFirstCell + k.column] = '+';
  }
  screen.record(axis_line);

  std::string labels(kRightBorder + 8, ' ');
  for (const Tick& k : t) {
    const int len = static_cast<int>(k.label.size());
    const int at = kFirstCell + k.column - (len - 1) / 2;
    labels.replace(static_cast<std::size_t>(at), k.label.size(), k.label);
  }
  screen.record(trim_right(labels));

  std::string legend(kFirstCell, ' ');
  legend += "EXCEEDANCE PROBABILITY (%)   ";
  legend += kFittedSymbol;
  legend += " FITTED  ";
  legend += kObservedSymbol;
  legend += " OBSERVED  ";
  legend += kBothSymbol;
  legend += " BOTH";
  screen.record(legend);

  if (plot.top_replaced) {
    screen.write("(' THE PLOT TOP' E12.4 ' IS NOT A POSITIVE VALUE: DRAWN WITH A TOP OF 1')",
                 plot.given_top);
  }
  if (plot.outside_fitted > 0 || plot.outside_observed > 0) {
    screen.write("(' POINTS OUTSIDE THE PLOT, NOT SHOWN:' I5 ' FITTED,' I5 ' OBSERVED')",
                 plot.outside_fitted, plot.outside_observed);
  }
}

void plot_call(Plot& plot, std::span<const double> x, std::span<const double> y,
               std::string_view title, std::string_view ycaption, int kind, int phase, double top,
               double xlo, double xhi, double ylo, format::Writer& screen, Axis axis) {
  if (phase == 1 || !plot.started) start(plot, title, ycaption, top, xlo, xhi, ylo);
  const bool observed = kind == 3;
  const char symbol = observed ? kObservedSymbol : kFittedSymbol;
  const std::size_t n = std::min(x.size(), y.size());
  int outside = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!mark(plot, x[i], y[i], symbol, axis)) ++outside;
  }
  // The same series may be marked in more than one call: count it once.
  int& count = observed ? plot.outside_observed : plot.outside_fitted;
  count = std::max(count, outside);
  if (phase == 3) draw(plot, axis, screen);
}

}  // namespace

void scplot(Plot& plot, std::span<const double> x, std::span<const double> y,
            std::string_view title, std::string_view ycaption, int kind, int phase, int /*xaxis*/,
            int /*yaxis*/, double top, double xlo, double xhi, double ylo, format::Writer& screen) {
  plot_call(plot, x, y, title, ycaption, kind, phase, top, xlo, xhi, ylo, screen, Axis::Linear);
}

void prplot(Plot& plot, std::span<const double> x, std::span<const double> y,
            std::string_view title, std::string_view ycaption, int kind, int phase, int /*xaxis*/,
            int /*yaxis*/, double top, double xlo, double xhi, double ylo, format::Writer& screen) {
  plot_call(plot, x, y, title, ycaption, kind, phase, top, xlo, xhi, ylo, screen, Axis::Normal);
}

void plotb(double first, int n, std::span<const double> r, std::span<const double> phi,
           double range, int nlag, format::Writer& screen) {
  const int rows =
      std::max(0, std::min({n, nlag, static_cast<int>(r.size()), static_cast<int>(phi.size())}));
  if (rows == 0) {
    screen.list("THERE ARE NO LAGS TO PLOT");
    return;
  }

  // Value range: from -range..range, widened to the values plotted.
  const double half = std::isfinite(range) ? std::fabs(range) : 0.0;
  double lo = -half;
  double hi = half;
  for (int k = 0; k < rows; ++k) {
    for (const double v : {r[k], phi[k]}) {
      if (!std::isfinite(v)) continue;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  if (!(hi > lo)) {  // range 0 and all values 0
    lo = -1.0;
    hi = 1.0;
  }

  constexpr int kWidth = 101;
  const auto column = [&](double v) { return nearest_cell((v - lo) / (hi - lo), kWidth); };

  screen.write("(/ / 20X '+ IS S.C.C. & * IS P.S.C.C.' / /)");
  std::array<double, 11> scale{};
  for (int i = 0; i <= 10; ++i) scale[i] = (lo * (10 - i) + hi * i) / 10.0;
  screen.write("(14X 11F10.3)", scale[0], scale[1], scale[2], scale[3], scale[4], scale[5],
               scale[6], scale[7], scale[8], scale[9], scale[10]);

  const bool zero_inside = lo <= 0.0 && hi >= 0.0;
  const int zero = column(0.0);
  std::array<char, kWidth> row{};
  std::vector<format::Item> items;
  items.reserve(kWidth + 1);
  for (int k = 0; k < rows; ++k) {
    row.fill(' ');
    if (zero_inside) row[zero] = 'I';
    if (std::isfinite(r[k])) row[column(r[k])] = '+';
    if (std::isfinite(phi[k])) {
      char& c = row[column(phi[k])];
      c = c == '+' ? '&' : '*';
    }
    items.clear();
    items.emplace_back(first + k);
    for (const char& c : row) items.emplace_back(std::string_view(&c, 1));
    screen.write_items("(11X F7.2 2X 61A1 40A1)", items);
  }
}

}  // namespace plots
