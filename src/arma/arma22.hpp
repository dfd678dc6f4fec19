// Identification of the ARMA(p, q) model of a normalised annual series.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "arma/blocks.hpp"
#include "format/format.hpp"
#include "normalize/fits.hpp"
#include "normalize/johnson.hpp"

namespace arma {

// Fits the nine ARMA(p,q), p,q = 0..2, to x (the normalised series,
// n = x.size(), 3 <= n <= 1000) by the simplex search on funct, scores each
// by 0.5 (AICc + deficit-run distance), writes the minimiser records, the
// score table and the choice to ans (the score lines and the table also to
// screen.out), pauses through screen.pause("Press enter to continue "),
// refits the chosen model and returns it: residuals res[0..n-1], phi, theta,
// p, q, and in `score` the minimum score 0.5 (AICc + distance), the value of
// the chosen cell before the refit (the refit changes only the cell; the
// table was printed before it). A model with n - k - 2 <= 0
// (k = p + q) has no AICc: it is not fitted, keeps n^2/(n-2) + 1 in the table, is never chosen, and
// a line in ans says so. `flows` holds the positive flows in year order and `t` the chosen
// transform, from which the synthetic series of the distance are made. b must be zeroed at the
// start of each gauge.
//
// Returns false, with nothing chosen, when the lag check of funct refused a
// model (its lines are on the screen), or when n < 3.
// Start of the simplex search for ARMA(p, q): every AR coefficient 0.4,
// every MA coefficient -0.4 (single-precision values), mapped to the real
// line as funct maps them back, in u[0..p+q-1]; initial steps 0.05 u.
void start_values(int p, int q, std::array<double, 4>& u, std::array<double, 4>& step);

bool arma22(std::span<const double> x, std::span<double> res, std::array<double, 2>& phi,
            std::array<double, 2>& theta, double& score, int& p, int& q, std::string_view name,
            Blocks& b, const normalize::cfunsb4& flows, const normalize::Transform& t,
            format::Writer& ans, format::Screen& screen);

}  // namespace arma
