// The folders of one installation: creating them, the per-machine data folder and
// the client's settings file.
#pragma once

#include <string>

#include "platform/os.h"

namespace sorvane {

inline constexpr const char* kProductFolder = "Sorvane";
inline constexpr const char* kSettingsFile = "datax\\kayit.dat";  // in the target folder

// Creates |folder| with all missing parents; true when it exists afterwards.
bool ForceDirectories(Os& os, const std::string& folder);

// The per-machine data folder: "%ALLUSERSPROFILE%\Sorvane\" where the system has one
// and it can be used and trusted (no link, owned by administrators), else the target
// folder.
std::string SettleDataFolder(Os& os, const std::string& target_folder);

// Writes the client's language into "datax\kayit.dat" of the target folder; raises
// "Unable to write to <path>" when the profile service cannot write the file.
void WriteClientSettings(Os& os, const std::string& target_folder,
                         const std::string& language_code);

}  // namespace sorvane
