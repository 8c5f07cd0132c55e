#include "install/data_folders.h"

#include "install/checked_folder.h"
#include "install/file_swap.h"
#include "install/profile_text.h"
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

namespace {

// The settings that stand, when they lie in a plain file of one name: a link or a file
// with further names elsewhere is replaced without being read, as its content may be
// anything on the machine.
std::string StandingSettings(Os& os, FolderHandle datax) {
    const FileHandle file = os.OpenFileAt(datax, kSettingsFileName);
    if (!file) return {};
    std::string text;
    FileFacts facts;
    if (os.GetFileBasics(file, &facts) && !(facts.attributes & kFileAttributeReparsePoint) &&
        facts.links == 1) {
        char buffer[4096];
        std::size_t done = 0;
        while (os.ReadFile(file, buffer, sizeof buffer, &done) && done > 0) text.append(buffer, done);
    }
    os.CloseFile(file);
    return text;
}

bool WriteAll(Os& os, FileHandle file, const std::string& text) {
    std::size_t done = 0;
    return os.WriteFile(file, text.data(), text.size(), &done) && done == text.size();
}

}  // namespace

void WriteClientSettings(Os& os, const HeldFolder& datax, const std::string& language_code) {
    const std::string path = datax.path + kSettingsFileName;
    const char* value = language_code == "TR" ? "turkce.lng" : "english.lng";
    const std::string text =
        ProfileWithValue(StandingSettings(os, datax.handle), "Ayarlar", "Language", value);
    FileSwap swap(os);
    const FileHandle file = swap.Stage(datax.handle, datax.path, kSettingsFileName);
    std::string failed = path;
    std::uint32_t error = 0;
    if (!file || !WriteAll(os, file, text) || !swap.SwapAll(&failed, &error))
        throw SetupError("Unable to write to " + path, error ? error : os.GetLastError());
    swap.RemoveSetAside();
}

}  // namespace sorvane
