#include "install/data_folders.h"

#include "install/checked_folder.h"
#include "platform/setup_error.h"

namespace sorvane {

bool ForceDirectories(Os& os, const std::string& folder) {
    std::string dir = folder;
    while (dir.size() > 1 && dir.back() == '\\') dir.pop_back();
    if (dir.empty() || dir == "\\") return false;
    if (os.DirectoryExists(dir)) return true;
    const std::size_t cut = dir.find_last_of('\\');
    if (cut != std::string::npos && cut > 0) {
        const std::string parent = dir.substr(0, cut);
        // A drive ("C:") or the start of a network name has no folder to create.
        if (parent.back() != ':' && parent != "\\") ForceDirectories(os, parent);
    }
    return os.CreateDirectory(dir) || os.DirectoryExists(dir);
}

std::string SettleDataFolder(Os& os, const std::string& target_folder) {
    if (os.GetMajorVersion() <= 4) return target_folder;
    const std::string candidate =
        os.GetEnvironmentVariable("ALLUSERSPROFILE") + "\\" + kProductFolder + "\\";
    if (candidate == target_folder) return target_folder;
    // A folder there that is a link, or that a user made before us, is not ours to open.
    if ((os.DirectoryExists(candidate) || ForceDirectories(os, candidate)) &&
        IsTrustedFolder(os, candidate))
        return candidate;
    return target_folder;
}

void WriteClientSettings(Os& os, const std::string& target_folder,
                         const std::string& language_code) {
    const std::string file = target_folder + kSettingsFile;
    const char* value = language_code == "TR" ? "turkce.lng" : "english.lng";
    if (!os.WriteProfileString("Ayarlar", "Language", value, file))
        throw SetupError("Unable to write to " + file, os.GetLastError());
}

}  // namespace sorvane
