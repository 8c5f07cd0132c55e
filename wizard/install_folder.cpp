#include "wizard/install_folder.h"

#include <cctype>
#include <string_view>

#include "core/session.h"
#include "platform/setup_error.h"

namespace sorvane {

namespace {

bool IsDriveLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

// "X:\..." or a network path "\\server\share...".
bool IsAbsoluteFolder(const std::string& path) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\')
        return true;
    return path.size() > 2 && path[0] == '\\' && path[1] == '\\';
}

}  // namespace

std::string ProgramFilesFolder(Os& os) {
    std::string path;
    if (os.GetSpecialFolderPath(kCsidlProgramFiles, &path) && IsAbsoluteFolder(path)) return path;
    std::string drive = os.GetEnvironmentVariable("SystemDrive");
    if (drive.size() != 2 || !IsDriveLetter(drive[0]) || drive[1] != ':') drive = "C:";
    return drive + "\\Program Files";
}

std::string FolderFieldText(std::string folder) {
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder + "\\" + kProductName + "\\";
}

namespace {

bool HoldsForbiddenCharacter(const std::string& folder) {
    for (std::size_t i = 0; i < folder.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(folder[i]);
        if (c < 0x20 || c == 0x7F) return true;
        if (std::string_view("\"<>|*?").find(static_cast<char>(c)) != std::string_view::npos)
            return true;
        if (c == ':' && !(i == 1 && IsDriveLetter(folder[0]))) return true;
    }
    return false;
}

}  // namespace

std::string InstallFolderFromField(Os& os, const std::string& field, const std::string& language) {
    std::string folder;
    if (!HoldsForbiddenCharacter(field) && os.Utf8ToAnsi(field, &folder)) return folder;
    if (language == "TR")
        throw SetupError("\"" + field +
                         "\" klasörü kullanılamaz: adında Windows'un bu klasör adında "
                         "kabul etmediği ya da olduğu gibi yazamadığı karakterler var. Lütfen "
                         "başka bir klasör seçin.");
    throw SetupError("The folder \"" + field +
                     "\" cannot be used: its name holds characters that Windows does not "
                     "accept in a folder name or cannot write as they are. Please choose "
                     "another folder.");
}

}  // namespace sorvane
