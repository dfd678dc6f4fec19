#include "normalize/distribution.hpp"

#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <limits>

namespace normalize {

namespace {

namespace policies = boost::math::policies;
// No exceptions and no errno: an argument outside the domain gives NaN, an
// overflow an infinity. Doubles are computed in double (the default would go
// through long double for a digit or two nobody reads, at several times the
// cost).
using Policy = policies::policy<
    policies::domain_error<policies::ignore_error>, policies::pole_error<policies::ignore_error>,
    policies::overflow_error<policies::ignore_error>,
    policies::underflow_error<policies::ignore_error>,
    policies::evaluation_error<policies::ignore_error>, policies::promote_double<false>>;
using Normal = boost::math::normal_distribution<double, Policy>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

double standard_normal_quantile(double p) {
  if (!(p > 0.0 && p < 1.0)) return kNaN;
  return boost::math::quantile(Normal(), p);
}

double standard_normal_cdf(double z) {
  if (std::isnan(z)) return kNaN;
  return boost::math::cdf(Normal(), z);
}

Model model_of_itype(int ITYPE) {
  return ITYPE >= kLN3 && ITYPE <= kSB3 ? static_cast<Model>(ITYPE) : Model::none;
}

Model model_of_family(int family) {
  if (family == kLognormal) return Model::lognormal;
  if (family == kBounded) return Model::johnson_sb;
  return Model::none;
}

int FittedDistribution::itype() const {
  return model >= Model::LN3 && model <= Model::SB3 ? static_cast<int>(model) : 0;
}

int FittedDistribution::family() const {
  switch (model) {
    case Model::LN3:
    case Model::LN2:
    case Model::lognormal:
      return kLognormal;
    case Model::SB4:
    case Model::SB3:
    case Model::johnson_sb:
      return kBounded;
    case Model::none:
      break;
  }
  return 0;
}

double FittedDistribution::from_normal(double z) const {
  from_normal(std::span<double>(&z, 1));
  return z;
}

void FittedDistribution::from_normal(std::span<double> z) const {
  ajv_all(z, family(), GAMMA, DELTA, XLAM, XI);
}

TransformFault FittedDistribution::to_normal(double& x, double& z) const {
  int fault = kTransformDone;
  z = snv(x, family(), GAMMA, DELTA, XLAM, XI, fault);
  return static_cast<TransformFault>(fault);
}

double FittedDistribution::quantile(double P) const {
  if (std::isnan(P)) return kNaN;
  if (P <= zero_share) return 0.0;
  const double z = standard_normal_quantile((P - zero_share) / (1.0 - zero_share));
  if (std::isnan(z)) return kNaN;
  const double x = from_normal(z);
  return x < 0.0 ? 0.0 : x;
}

double FittedDistribution::exceeded(double Q) const {
  if (std::isnan(Q)) return kNaN;
  if (Q >= 1.0 - zero_share) return 0.0;
  const double z = -standard_normal_quantile(Q / (1.0 - zero_share));
  if (std::isnan(z)) return kNaN;
  const double x = from_normal(z);
  return x < 0.0 ? 0.0 : x;
}

double FittedDistribution::cdf(double x) const {
  if (std::isnan(x)) return kNaN;
  if (x < 0.0) return 0.0;
  double v = x, z = 0.0;
  const TransformFault fault = to_normal(v, z);
  if (fault == kOutOfRange) {
    // Outside the range of the positive flows: below it, only zeros; above
    // it (Johnson SB), every flow.
    const bool below = family() == kLognormal ? true : x <= XI;
    return below ? zero_share : 1.0;
  }
  if (fault != kTransformDone) return kNaN;
  return zero_share + (1.0 - zero_share) * standard_normal_cdf(z);
}

}  // namespace normalize
