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
            return UnregisterProvider(step.path, step.detail);
        case StepKind::File:
            return RemoveFile(step.path);
        case StepKind::OwnImage:
            // A renamed copy of the uninstaller deletes the installed one as a plain file.
            if (lstrcmpiW(step.path.c_str(), ProgramPath().c_str()) != 0)
                return RemoveFile(step.path);
            return RemoveOwnImage(step.path);
        case StepKind::FolderTree:
            return RemoveFolderTree(step.path);
        case StepKind::FolderIfEmpty:
            return RemoveFolderIfEmpty(step.path);
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
    bool all_gone = true;
    for (const RemovalStep& step : plan) {
        bool gone = false;
        try {
            gone = RunRemovalStep(step);
        } catch (...) {
            gone = false;
        }
        all_gone = gone && all_gone;
    }
    return all_gone;
}

}  // namespace sorvane::payloads
