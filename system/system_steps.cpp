#include "system/system_steps.h"

#include "system/folder_access.h"
#include "system/registry_entries.h"
#include "system/shortcuts.h"

namespace sorvane {

InstallSteps MakeSystemSteps(Os& os, const SetupSession& session) {
    InstallSteps steps;
    steps.SetCompatibilityLayer = [&os] { SetCompatibilityLayer(os); };
    steps.GrantFolderAccess = [&os](const std::string& first, const std::string& second) {
        GrantFolderAccess(os, first, second);
    };
    steps.CreateShortcuts = [&os](const std::string& target, const std::string& name) {
        CreateShortcuts(os, target, name);
    };
    steps.WriteRegistryEntries = [&os, &session] { WriteRegistryEntries(os, session); };
    return steps;
}

}  // namespace sorvane
