// How the log tells each step of the removal and what became of it.
#pragma once

#include <string>

#include "payloads/uninstall/removal_plan.h"

namespace sorvane::payloads {

struct StepReport {
    const char* outcome;  // "ok", "kept", "later" (at the next restart) or "FAILED"
    const char* step;     // what kind of thing the step removes
    std::wstring object;  // the thing, with a note on what became of it
};

StepReport DescribeStep(const RemovalStep& step, const StepResult& result);

}  // namespace sorvane::payloads
