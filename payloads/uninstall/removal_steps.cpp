#include "payloads/uninstall/removal_steps.h"

#include <windows.h>

#include "payloads/common/win/program_folder.h"
#include "payloads/uninstall/client_shutdown.h"
#include "payloads/uninstall/file_removal.h"
#include "payloads/uninstall/provider_removal.h"
#include "payloads/uninstall/registry_removal.h"
#include "payloads/uninstall/self_removal.h"

namespace sorvane::payloads {

namespace {

Removal Of(bool gone) {
    return gone ? Removal::Gone : Removal::Failed;
}

Removal Run(const RemovalStep& step, PendingRemovals& pending, std::wstring* moved_to) {
    switch (step.kind) {
        case StepKind::CloseClient:
            return Of(CloseRunningClient());
        case StepKind::UnregisterProvider:
            return Of(UnregisterProvider());
        case StepKind::File:
            return RemoveFile(step.base, step.path, pending);
        case StepKind::OwnImage:
            // A renamed copy of the uninstaller deletes the installed one as a plain file.
            if (NamesThisProgram(step.path)) {
                const Removal moved = RemoveOwnImage(step.base, step.path, moved_to);
                // Where it could go nowhere else, it is set aside in its own folder.
                if (moved != Removal::Failed) return moved;
            }
            return RemoveFile(step.base, step.path, pending);
        case StepKind::FolderTree:
            return RemoveFolderTree(step.base, step.path, pending);
        case StepKind::FolderIfEmpty:
            return RemoveFolderIfEmpty(step.base, step.path, pending);
        case StepKind::RegistryTree:
            return Of(RemoveRegistryTree(step.root, step.path));
        case StepKind::RegistryKeyIfEmpty:
            return RemoveRegistryKeyIfEmpty(step.root, step.path);
        case StepKind::RegistryValue:
            return Of(RemoveRegistryValue(step.root, step.path, step.detail));
    }
    return Removal::Failed;
}

}  // namespace

StepResult RunRemovalStep(const RemovalStep& step, PendingRemovals& pending) {
    const std::size_t pending_before = pending.size();
    StepResult result;
    SetLastError(0);
    result.outcome = Run(step, pending, &result.moved_to);
    if (result.outcome == Removal::Failed) result.error = GetLastError();
    const bool one_file = step.kind == StepKind::File || step.kind == StepKind::OwnImage;
    if (one_file && result.moved_to.empty() && pending.size() > pending_before)
        result.moved_to = pending.last();
    return result;
}

}  // namespace sorvane::payloads
