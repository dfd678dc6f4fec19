// What the findings add to a gauge's page: sentences at its head, the
// warnings, the overlays of the series and of the probability paper, and the
// sections of trend and change, return-period flows, exact probabilities,
// the exact likelihood of the model and the drought and surplus events.
#pragma once

#include "findings/findings.hpp"
#include "report/page.hpp"
#include "results/result.hpp"

namespace report {

PageExtras page_extras(const results::GaugeResult& r, const findings::Findings& f);

}  // namespace report
