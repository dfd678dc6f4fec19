// Character plots on the screen.
//
// scplot and prplot draw the annual flows against the fitted distribution: a
// scatter plot (flow against exceedance probability on a linear axis) and a
// probability plot (the same on normal probability paper). Each plot is built
// over three calls that share a caller-owned Plot: the first starts it (title,
// y caption, scales) and marks the fitted flows, the second marks more points,
// the third marks the observed flows and draws the finished plot.
//
// plotb draws the correlogram and the partial correlogram of a series as one
// row per lag, on the screen, in fixed-column records.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "format/format.hpp"

namespace plots {

// Size of the plotting area of scplot and prplot.
inline constexpr int kRows = 17;  // rows from the top (row 0) down to the bottom of the y range
inline constexpr int kCols = 61;  // columns from the left to the right end of the x axis

// Symbols of the two kinds of points, and of a cell that holds both.
inline constexpr char kFittedSymbol = '*';
inline constexpr char kObservedSymbol = 'X';
inline constexpr char kBothSymbol = '#';

// A plot under construction, owned by the caller between the calls that
// build it. The call with phase code 1, or any call on a Plot that has not
// been started (a default one), starts it afresh.
struct Plot {
  std::array<std::array<char, kCols>, kRows> cell{};
  std::string title;
  std::string ycaption;
  double xlo = 0.0;
  double xhi = 100.0;
  double ylo = 0.0;
  double top = 1.0;
  double given_top = 1.0;     // the top as the caller gave it
  bool top_replaced = false;  // the given top was not usable; drawn with a top of 1
  int outside_fitted = 0;     // fitted points outside the plotting area (most of any call)
  int outside_observed = 0;   // observed points outside the plotting area
  bool started = false;
};

// Arguments of scplot and prplot:
//   x       100 times the non-exceedance probability of each point (the
//           driver's 100 i/(n+1) against the i-th smallest flow), in [xlo, xhi]
//   y       the flows; n = the shorter of x and y
//   title, ycaption
//           the plot's title and the caption of the flow axis; taken when a
//           plot starts, ignored otherwise
//   kind    1: fitted flows (marked '*'); 3: observed flows (marked 'X');
//           any other value counts as fitted
//   phase   1: start a new plot and mark the points; 2: mark the points;
//           3: mark the points and draw the plot on the screen
//   xaxis, yaxis
//           two further codes of the caller's argument list (the driver
//           passes 2 and 2); not used: the flow axis is always linear, and
//           the probability axis is the routine's own
//   top, xlo, xhi, ylo
//           the flow range is ylo..top and the probability range xlo..xhi;
//           taken when a plot starts. A top that is not above ylo, or not a
//           finite number, is replaced by 1 (and ylo by 0 if needed) and a
//           line says so when the plot is drawn.
// The probability axis shows exceedance probability, increasing from left to
// right: a point at x is drawn at the exceedance xlo + xhi - x (100 - x for
// the driver's range 0..100), so the flows fall from left to right as on a
// flow-duration curve and the axis reads as the caller's title says.
// The drawing is 24 lines of at most 80 columns: an empty line, the title,
// the y caption, the frame with 17 rows (flow labels on every fourth row),
// the probability axis with its labels, and a legend line; then a line for a
// replaced top and one counting points outside the plot, when there are any.
void scplot(Plot& plot, std::span<const double> x, std::span<const double> y,
            std::string_view title, std::string_view ycaption, int kind, int phase, int xaxis,
            int yaxis, double top, double xlo, double xhi, double ylo, format::Writer& screen);

// As scplot, on normal probability paper: the column of a point is the
// standard normal deviate of its exceedance probability, over the range
// -3.1..3.1 (exceedance 0.1 % to 99.9 % and a little beyond). Points whose
// probability is 0, 100 % or beyond that range lie outside the plot.
void prplot(Plot& plot, std::span<const double> x, std::span<const double> y,
            std::string_view title, std::string_view ycaption, int kind, int phase, int xaxis,
            int yaxis, double top, double xlo, double xhi, double ylo, format::Writer& screen);

// Bar plot of a correlogram r and a partial correlogram phi, one row per lag:
// a heading, a row of 11 scale values, then rows of 101 columns where '+'
// marks r, '*' marks phi, '&' a cell where both fall, and 'I' the column of
// zero. The value range starts at -range..range (0..0 if range is not a
// finite number; -1..1 if it stays empty) and widens to the smallest
// and largest finite value plotted. Row k (k = 1..rows) is labelled with the
// lag first + k - 1 and shows r[k-1] and phi[k-1]; rows = the smallest of n,
// nlag and the lengths of r and phi. Values that are not finite are not
// marked. With no rows a single line says there are no lags to plot.
void plotb(double first, int n, std::span<const double> r, std::span<const double> phi,
           double range, int nlag, format::Writer& screen);

}  // namespace plots
