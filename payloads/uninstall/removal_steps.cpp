#include "payloads/uninstall/removal_steps.h"

#include <windows.h>

#include "payloads/common/win/program_folder.h"
#include "payloads/uninstall/client_shutdown.h"
#include "payloads/uninstall/file_removal.h"
#include "payloads/uninstall/provider_removal.h"
#include "payloads/uninstall/registry_removal.h"
#include "payloads/uninstall/self_removal.h"

namespace sorvane::payloads {

bool RunRemovalStep(const RemovalStep& step) {
    switch (step.kind) {
        case StepKind::CloseClient:
            return CloseRunningClient();
        case StepKind::UnregisterProvider:
            return UnregisterProvider();
        case StepKind::File:
            return RemoveFile(step.base, step.path);
        case StepKind::OwnImage:
            // A renamed copy of the uninstaller deletes the installed one as a plain file.
            if (!NamesThisProgram(step.path)) return RemoveFile(step.base, step.path);
            return RemoveOwnImage(step.base, step.path);
        case StepKind::FolderTree:
            return RemoveFolderTree(step.base, step.path);
        case StepKind::FolderIfEmpty:
            return RemoveFolderIfEmpty(step.base, step.path);
        case StepKind::RegistryTree:
            return RemoveRegistryTree(step.root, step.path);
        case StepKind::RegistryKeyIfEmpty:
            return RemoveRegistryKeyIfEmpty(step.root, step.path);
        case StepKind::RegistryValue:
            return RemoveRegistryValue(step.root, step.path, step.detail);
    }
    return false;
}

bool RunRemovalPlan(const std::vector<RemovalStep>& plan) {
    return RunPlan(plan, RunRemovalStep);
}

}  // namespace sorvane::payloads
