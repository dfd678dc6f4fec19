// Deficit-run distance: how well a fitted ARMA model reproduces the largest
// storage deficits of the observed flows.
#pragma once

#include <array>
#include <span>

#include "arma/blocks.hpp"
#include "normalize/distribution.hpp"
#include "normalize/fits.hpp"

namespace arma {

// For each demand level c_i = m (2i + 3) 0.1 (i = 1, 2, 3: 0.5, 0.7 and 0.9
// of the mean flow m), runs the cumulative deficit over the flows x (a
// surplus ends the run and starts a new one), and files the largest value it
// reaches (0 when there is no deficit) under table[sample][i - 1]; sample 0
// is the observed series. Flows beyond the 1000th are not scanned.
void rnkdef(std::span<const double> x, double m, DeficitTable& table, int sample);

// Distance between the observed largest deficits and those of 41 synthetic
// series of n flows from the ARMA(2,2) model phi, theta (unit normal
// innovations, 25 warm-up steps from zeros, seeds 31415, 26543, 14159 set
// on every call), mapped to flows by the fitted transform t. The observed
// series is the positive flows in flows.x[0..flows.n - 1] (year order), m
// their mean. For each level with an observed largest deficit o > 0 and a
// simulated variance v > 1e-6 it adds 1 + |t - o| / sqrt(v), t the simulated
// mean.
void comp(const std::array<double, 2>& phi, const std::array<double, 2>& theta, int n, double& dist,
          const normalize::cfunsb4& flows, const normalize::FittedDistribution& t, Seeds& s,
          DeficitTable& table);

}  // namespace arma
