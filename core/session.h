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

// The installed client's window and its close request; the wizard's own window class
// is the platform's (platform/os.h).
inline constexpr const char* kClientWindowClass = "_quillon_filter";
inline constexpr std::uint32_t kClientCloseMessage = 1136;  // WM_USER + 112
inline constexpr const char* kProductName = "Sorvane";

}  // namespace sorvane
