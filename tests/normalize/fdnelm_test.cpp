#include "normalize/fdnelm.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// The search with the cases' plain arguments: the first n unknowns of x and
// step, the value, iterations and fault code given back through references.
template <typename F>
void fdnelm(int n, double* x, double& fx, const double* step, double reqmin, int& it, int maxit,
            int& ier, F&& fn) {
  const std::size_t count = n > 0 ? static_cast<std::size_t>(n) : 0;
  const normalize::SimplexResult r =
      normalize::fdnelm({x, count}, {step, count}, {reqmin, maxit}, fn);
  fx = r.fx;
  it = r.it;
  ier = normalize::fault_code(r.status);
}

// One objective call: the point, and whether it came in the caller's buffer.
struct Call {
  std::vector<double> p;
  bool in_x;
};

TEST(Fdnelm, TooManyUnknownsDoesNothing) {
  std::array<double, 31> x{}, step{};
  x.fill(2.0);
  step.fill(1.0);
  double fx = -7.0;
  int it = 99, ier = -1, calls = 0;
  fdnelm(31, x.data(), fx, step.data(), 1e-5, it, 100, ier,
         [&](int, const double*, double& f) { ++calls, f = 0.0; });
  EXPECT_EQ(ier, 1);
  EXPECT_EQ(it, 0);
  EXPECT_EQ(calls, 0);
  for (double v : x) EXPECT_EQ(v, 2.0);
}

TEST(Fdnelm, NoUnknownsDoesNothing) {
  double x = 1.0, step = 1.0, fx = 3.0;
  int it = 5, ier = -1, calls = 0;
  fdnelm(0, &x, fx, &step, 1e-5, it, 100, ier,
         [&](int, const double*, double& f) { ++calls, f = 0.0; });
  EXPECT_EQ(ier, 1);
  EXPECT_EQ(it, 0);
  EXPECT_EQ(calls, 0);
}

TEST(Fdnelm, ZeroIterationsReturnsBestInitialVertex) {
  std::array<double, 3> x{0.0, 0.0, 0.0}, step{1.0, 2.0, 0.5};
  double fx = 0.0;
  int it = -1, ier = -1, calls = 0;
  // Smallest at the third vertex (second coordinate stepped by 2).
  auto fn = [&](int n, const double* p, double& f) {
    ++calls;
    EXPECT_EQ(n, 3);
    f = 10.0 + (p[0] - 0.7) * (p[0] - 0.7) + (p[1] - 3.0) * (p[1] - 3.0) + p[2] * p[2];
  };
  fdnelm(3, x.data(), fx, step.data(), 1e-5, it, 0, ier, fn);
  EXPECT_EQ(ier, 2);
  EXPECT_EQ(it, 0);
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(x[0], 0.0);
  EXPECT_EQ(x[1], 2.0);
  EXPECT_EQ(x[2], 0.0);
  EXPECT_DOUBLE_EQ(fx, 10.0 + 0.49 + 1.0);
}

// Values 100 and 100.1: the spread with divisor n is 0.0707, with n + 1 it
// would be 0.05; the tolerance puts the limit at 0.06 between them.
TEST(Fdnelm, SpreadHasDivisorN) {
  for (const auto& [reqmin, ier_want] :
       {std::pair{0.06 / 100.05 / 0.01, 2}, {0.08 / 100.05 / 0.01, 0}}) {
    double x = 0.0, step = 1.0, fx = 0.0;
    int it = -1, ier = -1;
    fdnelm(1, &x, fx, &step, reqmin, it, 0, ier,
           [](int, const double* p, double& f) { f = 100.0 + 0.1 * p[0]; });
    EXPECT_EQ(ier, ier_want) << reqmin;
    EXPECT_EQ(x, 0.0);
  }
}

TEST(Fdnelm, EqualPositiveValuesConvergeAtOnce) {
  std::array<double, 2> x{1.5, -2.5}, step{0.3, 0.3};
  double fx = 0.0;
  int it = -1, ier = -1, calls = 0;
  fdnelm(2, x.data(), fx, step.data(), 1e-5, it, 100, ier,
         [&](int, const double*, double& f) { ++calls, f = 4.25; });
  EXPECT_EQ(ier, 0);
  EXPECT_EQ(it, 0);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(x[0], 1.5);
  EXPECT_EQ(x[1], -2.5);
  EXPECT_EQ(fx, 4.25);
}

// The signed mean of negative values never meets the spread test.
TEST(Fdnelm, NegativeObjectiveEndsByStallOrLimit) {
  for (int maxit : {5, 2000}) {
    std::array<double, 2> x{3.0, -4.0}, step{1.0, 1.0};
    double fx = 0.0;
    int it = -1, ier = -1;
    fdnelm(2, x.data(), fx, step.data(), 1e-8, it, maxit, ier,
           [](int, const double* p, double& f) { f = p[0] * p[0] + 2.0 * p[1] * p[1] - 10.0; });
    if (maxit == 5) {
      EXPECT_EQ(ier, 2);
      EXPECT_EQ(it, 5);
    } else {
      EXPECT_EQ(ier, 3);
      EXPECT_LT(it, maxit);
      EXPECT_NEAR(x[0], 0.0, 1e-3);
      EXPECT_NEAR(x[1], 0.0, 1e-3);
      EXPECT_NEAR(fx, -10.0, 1e-6);
    }
  }
}

// The stall history starts at zero: a last initial value within reqmin of 0
// (with the centroid still 0) stops the search before its first iteration.
TEST(Fdnelm, ZeroLastInitialValueStallsAtOnce) {
  double x = -1.0, step = 1.0, fx = 0.0;
  int it = -1, ier = -1;
  fdnelm(1, &x, fx, &step, 1e-5, it, 100, ier,
         [](int, const double* p, double& f) { f = p[0] * p[0]; });
  EXPECT_EQ(ier, 3);
  EXPECT_EQ(it, 0);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(fx, 0.0);
}

TEST(Fdnelm, MinimisesRosenbrock) {
  std::array<double, 2> x{-1.2, 1.0}, step{0.5, 0.5};
  double fx = 0.0;
  int it = -1, ier = -1;
  fdnelm(2, x.data(), fx, step.data(), 1e-12, it, 5000, ier, [](int, const double* p, double& f) {
    const double a = p[1] - p[0] * p[0];
    const double b = 1.0 - p[0];
    f = 100.0 * a * a + b * b;
  });
  EXPECT_NE(ier, 1);
  EXPECT_NEAR(x[0], 1.0, 1e-3);
  EXPECT_NEAR(x[1], 1.0, 2e-3);
  EXPECT_LT(fx, 1e-6);
  EXPECT_GT(it, 10);
}

// Two iterations traced by hand for f = x^2 from 1 with step 1: a reflection
// with a rejected expansion, then a rejected reflection and a contraction.
TEST(Fdnelm, FirstIterationsFollowTheRules) {
  std::vector<Call> calls;
  double x = 1.0, step = 1.0, fx = 0.0;
  int it = -1, ier = -1;
  fdnelm(1, &x, fx, &step, 1e-12, it, 2, ier, [&](int, const double* p, double& f) {
    calls.push_back({{p[0]}, p == &x});
    f = p[0] * p[0];
  });
  const double xr1 = 2.100000023841858 * 1.0 - 1.100000023841858 * 2.0;  // about -0.1
  const double xe1 = 2.0 * xr1 - 1.0;
  const double xr2 = 2.100000023841858 * xr1 - 1.100000023841858 * 1.0;  // worst is vertex 1
  const double xc2 = 0.5 * (xr1 + 1.0);
  ASSERT_EQ(calls.size(), 6u);
  const double want[] = {1.0, 2.0, xr1, xe1, xr2, xc2};
  const bool in_x[] = {true, true, true, false, true, false};
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(calls[k].p[0], want[k]) << k;
    EXPECT_EQ(calls[k].in_x, in_x[k]) << k;
  }
  EXPECT_EQ(ier, 2);
  EXPECT_EQ(it, 2);
  EXPECT_EQ(x, xr1);  // best vertex, not the last trial point
  EXPECT_EQ(fx, xr1 * xr1);
}

// Calls per iteration: n + 1 at the start, then a reflection in the caller's
// buffer, at most one trial point (expansion or contraction) in the private
// buffer, and n re-evaluations after a shrink, again in the caller's buffer.
TEST(Fdnelm, CallsPerIteration) {
  for (int n : {1, 2, 4}) {
    std::array<double, 4> x{0.3, -0.8, 1.1, 2.0}, step{0.4, 0.4, 0.4, 0.4};
    std::vector<bool> in_x;
    double fx = 0.0;
    int it = -1, ier = -1;
    fdnelm(n, x.data(), fx, step.data(), 1e-9, it, 300, ier, [&](int, const double* p, double& f) {
      in_x.push_back(p == x.data());
      // A bumpy bowl so that every kind of move occurs.
      f = 2.0;
      for (int i = 0; i < n; ++i) f += p[i] * p[i] + 0.3 * std::cos(7.0 * p[i]);
    });
    ASSERT_GE(in_x.size(), static_cast<size_t>(n + 1));
    for (int k = 0; k <= n; ++k) ASSERT_TRUE(in_x[k]);
    int x_calls = 0, trial_calls = 0;
    for (size_t k = n + 1; k < in_x.size(); ++k) {
      if (in_x[k])
        ++x_calls;
      else
        ++trial_calls;
      if (k > static_cast<size_t>(n + 1)) {
        EXPECT_FALSE(!in_x[k] && !in_x[k - 1]) << "two trial points in a row";
      }
    }
    EXPECT_FALSE(in_x[n + 1] == false);
    EXPECT_LE(trial_calls, it);
    ASSERT_GE(x_calls, it);
    EXPECT_EQ((x_calls - it) % n, 0) << "shrinks re-evaluate n vertices";
    EXPECT_LE((x_calls - it) / n, trial_calls) << "each shrink follows a contraction";
  }
}

}  // namespace

namespace {

// Step objectives in one unknown, started at 1 with step 1, one iteration:
// each makes one comparison of the rules meet a tie. The reflected point is
// about -0.1, the centroid is 1.
const double kR = 2.100000023841858 - 1.100000023841858 * 2.0;

struct TieCase {
  const char* name;
  double (*f)(double);
  std::vector<double> calls;  // points evaluated, in order
  double x;                   // returned point
  int ier;
};

class TieRules : public ::testing::TestWithParam<TieCase> {};

TEST_P(TieRules, StrictAndNonStrictComparisons) {
  const TieCase& c = GetParam();
  std::vector<double> calls;
  double x = 1.0, step = 1.0, fx = 0.0;
  int it = -1, ier = -1;
  fdnelm(1, &x, fx, &step, 1e-12, it, 1, ier, [&](int, const double* p, double& f) {
    calls.push_back(p[0]);
    f = c.f(p[0]);
  });
  EXPECT_EQ(calls, c.calls);
  EXPECT_EQ(x, c.x);
  EXPECT_EQ(fx, c.f(c.x));
  EXPECT_EQ(ier, c.ier);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, TieRules,
    ::testing::Values(
        // A reflection equal to the next-worst value is accepted; the equal
        // values then meet the convergence test and the first vertex wins.
        TieCase{"ReflectionEqualNextWorst",
                [](double x) { return x > 1.5 ? 2.0 : 1.0; },
                {1.0, 2.0, kR},
                1.0,
                0},
        // An expansion merely equal to the best is rejected for the reflection.
        TieCase{"ExpansionEqualBest",
                [](double x) { return x < -1.0  ? 1.0
                                      : x < 0.5 ? 0.0
                                      : x > 1.5 ? 2.0
                                                : 1.0; },
                {1.0, 2.0, kR, 2.0 * kR - 1.0},
                kR,
                2},
        // A contraction equal to the worst value is accepted (no shrink).
        TieCase{"ContractionEqualWorst",
                [](double x) { return x < 0.0    ? 3.0
                                      : x > 1.25 ? 2.0
                                                 : 1.0; },
                {1.0, 2.0, kR, 1.5},
                1.0,
                2},
        // A reflection no worse than the worst replaces it before the
        // contraction, which is then taken from it; a failed contraction
        // shrinks toward the best.
        TieCase{"ReflectionReplacesWorstThenShrink",
                [](double x) {
                  return x < 0.0 ? 2.0 : x > 1.75 ? 3.0 : (x > 0.3 && x < 0.6) ? 2.5 : 1.0;
                },
                {1.0, 2.0, kR, 0.5 * (1.0 + kR), 0.5 * (1.0 + kR)},
                1.0,
                2}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
