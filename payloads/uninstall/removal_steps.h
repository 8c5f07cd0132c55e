// Carrying out the removal plan.
#pragma once

#include "payloads/uninstall/removal_plan.h"

namespace sorvane::payloads {

// Runs one step; what became of it. What goes only at the next restart is added to
// |pending|.
StepResult RunRemovalStep(const RemovalStep& step, PendingRemovals& pending);

}  // namespace sorvane::payloads
