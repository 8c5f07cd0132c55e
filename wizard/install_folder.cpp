#include "wizard/install_folder.h"

#include <cctype>

#include "core/session.h"

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

}  // namespace sorvane
