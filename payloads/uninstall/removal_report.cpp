#include "payloads/uninstall/removal_report.h"

namespace sorvane::payloads {

namespace {

const char* StepName(StepKind kind) {
    switch (kind) {
        case StepKind::CloseClient:
            return "close client";
        case StepKind::UnregisterProvider:
            return "provider registration";
        case StepKind::File:
            return "file";
        case StepKind::OwnImage:
            return "uninstaller";
        case StepKind::FolderTree:
        case StepKind::FolderIfEmpty:
            return "folder";
        case StepKind::RegistryTree:
        case StepKind::RegistryKeyIfEmpty:
            return "registry key";
        case StepKind::RegistryValue:
            return "registry value";
    }
    return "step";
}

bool IsRegistry(StepKind kind) {
    return kind == StepKind::RegistryTree || kind == StepKind::RegistryKeyIfEmpty ||
           kind == StepKind::RegistryValue;
}

std::wstring ObjectOf(const RemovalStep& step) {
    if (!IsRegistry(step.kind)) return step.path;
    std::wstring key = (step.root == RegistryRoot::CurrentUser ? L"HKCU\\" : L"HKLM\\") + step.path;
    return step.detail.empty() ? key : key + L" [" + step.detail + L"]";
}

}  // namespace

StepReport DescribeStep(const RemovalStep& step, const StepResult& result) {
    StepReport report{"ok", StepName(step.kind), ObjectOf(step)};
    if (result.skipped) {
        report.outcome = "kept";
        report.object += L" (the removal is incomplete)";
        return report;
    }
    switch (result.outcome) {
        case Removal::Gone:
            if (!result.moved_to.empty()) report.object += L" (moved to " + result.moved_to + L")";
            break;
        case Removal::Kept:
            report.outcome = "kept";
            report.object += L" (something else is in it)";
            break;
        case Removal::AtRestart:
            report.outcome = "later";
            if (step.kind == StepKind::File || step.kind == StepKind::OwnImage) {
                report.object +=
                    (step.kind == StepKind::File ? L" (in use: set aside as " : L" (moved to ") +
                    result.moved_to + L", deleted at the next restart)";
            } else {
                report.object += L" (deleted at the next restart, after what waits in it)";
            }
            break;
        case Removal::Failed:
            report.outcome = "FAILED";
            break;
    }
    return report;
}

}  // namespace sorvane::payloads
