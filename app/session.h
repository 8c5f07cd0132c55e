// The setup's global state: one record for the whole process, zero-filled at start.
#pragma once

#include <cstdint>
#include <string>

namespace sorvane {

struct SetupSession {
    bool Silent = false;
    std::string AppName;
    std::string InstallDir;
    std::string DefaultInstallDir;
    std::string LanguageCode;
    std::int32_t PageIndex = 0;
    std::string ExitConfirmText;
    std::string NextCaption;
    std::string InstallCaption;
    std::string FinishCaption;
    std::string StatusPreparingFolders;
    std::string StatusCopyingFiles;
    std::string StatusCreatingShortcuts;
    std::string StatusWritingRegistry;
};

// Window identities shared with the installed client and with a second setup.
inline constexpr const char* kWizardWindowClass = "qnInstaller";
inline constexpr const char* kClientWindowClass = "_quillon_filter";
inline constexpr std::uint32_t kClientCloseMessage = 1136;  // WM_USER + 112
inline constexpr const char* kProductName = "Sorvane";

}  // namespace sorvane
