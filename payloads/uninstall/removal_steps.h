// Carrying out the removal plan.
#pragma once

#include <vector>

#include "payloads/uninstall/removal_plan.h"

namespace sorvane::payloads {

// Runs one step; true when what it removes is gone (or kept on purpose).
bool RunRemovalStep(const RemovalStep& step);

// Runs the plan as RunPlan does, each step by RunRemovalStep.
bool RunRemovalPlan(const std::vector<RemovalStep>& plan);

}  // namespace sorvane::payloads
