#include "system/system_steps.h"

#include "system/folder_access.h"
#include "system/registry_entries.h"
#include "system/shortcuts.h"

namespace sorvane {

InstallSteps MakeSystemSteps(Os& os, const SetupSession& session) {
    InstallSteps steps;
    steps.SetCompatibilityLayer = [&os] { SetCompatibilityLayer(os); };
    steps.GrantFolderAccess = [&os](FolderHandle first, const std::string& first_path,
                                    FolderHandle second, const std::string& second_path) {
        GrantFolderAccess(os, FolderToGrant{first, first_path}, FolderToGrant{second, second_path});
    };
    steps.CreateShortcuts = [&os](const std::string& target, const std::string& name) {
        CreateShortcuts(os, target, name);
    };
    steps.WriteRegistryEntries = [&os, &session] { WriteRegistryEntries(os, session); };
    return steps;
}

}  // namespace sorvane
