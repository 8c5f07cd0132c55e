// The folders of one installation: creating them, the per-machine data folder and
// the client's settings file.
#pragma once

#include <string>

#include "platform/os.h"

namespace sorvane {

inline constexpr const char* kProductFolder = "Sorvane";
inline constexpr const char* kSettingsFile = "datax\\kayit.dat";  // in the target folder
inline constexpr const char* kSettingsFolderName = "datax";
inline constexpr const char* kSettingsFileName = "kayit.dat";

// Creates |folder| with all missing parents; true when it exists afterwards.
bool ForceDirectories(Os& os, const std::string& folder);

// The per-machine data folder: "%ALLUSERSPROFILE%\Sorvane\" where the system has one
// and it can be used and trusted (no link, owned by administrators), else the target
// folder.
std::string SettleDataFolder(Os& os, const std::string& target_folder);

struct HeldFolder;

// Writes the client's language into "kayit.dat" of the held "datax" folder |datax| of the
// target folder: a new file holding the old one's other settings takes the name once it
// is whole, so a failure leaves the old file as it was. Raises "Unable to write to
// <path>" when it cannot.
void WriteClientSettings(Os& os, const HeldFolder& datax, const std::string& language_code);

}  // namespace sorvane
