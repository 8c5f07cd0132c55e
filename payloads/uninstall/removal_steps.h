// Carrying out the removal plan.
#pragma once

#include <vector>

#include "payloads/uninstall/removal_plan.h"

namespace sorvane::payloads {

// Runs one step; true when what it removes is gone (or kept on purpose).
bool RunRemovalStep(const RemovalStep& step);

// Runs every step, also after a failed one, so that as much as possible goes.
// True when all of them succeeded.
bool RunRemovalPlan(const std::vector<RemovalStep>& plan);

}  // namespace sorvane::payloads
