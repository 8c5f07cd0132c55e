#include "install/silent_folder.h"

#include "core/command_line.h"
#include "install/run.h"

namespace sorvane {

namespace {

bool IsSlash(char c) {
    return c == '\\' || c == '/';
}

bool IsDrive(const std::string& path) {
    const char letter = static_cast<char>(path.empty() ? 0 : path[0] | 0x20);
    return path.size() >= 2 && letter >= 'a' && letter <= 'z' && path[1] == ':';
}

bool SameDrive(const std::string& a, const std::string& b) {
    return IsDrive(a) && IsDrive(b) && (a[0] | 0x20) == (b[0] | 0x20);
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty() || IsSlash(folder.back()) || name.empty()) return folder + name;
    return folder + "\\" + name;
}

// "C:" of a drive's folder, "\\server\share" of a share's; empty for anything else.
std::string RootOf(const std::string& folder) {
    if (IsDrive(folder)) return folder.substr(0, 2);
    if (folder.size() < 2 || !IsSlash(folder[0]) || !IsSlash(folder[1])) return {};
    const std::size_t share = folder.find_first_of("\\/", 2);
    if (share == std::string::npos || share == 2) return {};
    const std::size_t end = folder.find_first_of("\\/", share + 1);
    return folder.substr(0, end);
}

// |path| as the system read it while |start| was the working folder; empty when it
// cannot be told. A drive-relative name on another drive ("D:x") takes that drive's own
// working folder, which the system keeps in the variable "=D:".
std::string FullPath(Os& os, const std::string& start, const std::string& path) {
    if (IsDrive(path) && path.size() > 2 && IsSlash(path[2])) return path;
    if (path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1])) return path;
    if (IsDrive(path)) {
        if (SameDrive(start, path)) return Join(start, path.substr(2));
        std::string other = os.GetEnvironmentVariable("=" + path.substr(0, 2));
        if (!SameDrive(other, path) || other.size() < 3 || !IsSlash(other[2]))
            other = path.substr(0, 2) + "\\";
        return Join(other, path.substr(2));
    }
    if (RootOf(start).empty()) return {};
    if (!path.empty() && IsSlash(path[0])) return RootOf(start) + path;
    return Join(start, path);
}

// What the log shows of a name the code page cannot hold: each other character as "?".
std::string Printable(const std::string& utf8) {
    std::string text;
    for (unsigned char c : utf8)
        if (c < 0x80)
            text += static_cast<char>(c);
        else if (c >= 0xC0)
            text += '?';  // the first byte of a sequence
    return text;
}

}  // namespace

std::uint32_t SilentTargetFolder(Os& os, std::string* folder) {
    const std::string given = ParamStr(os, 3);
    std::string path;
    if (!os.Utf8ToAnsi(given, &path)) {
        *folder = Printable(given);
        return kErrorNoUnicodeTranslation;
    }
    *folder = path;
    if (path.empty()) return kErrorBadPathname;
    std::string start;  // stays empty when the code page cannot name it
    const bool start_converts = os.Utf8ToAnsi(os.GetStartFolder(), &start);
    const std::string relative_to_start = FullPath(os, start, path);
    if (relative_to_start.empty())
        return start_converts ? kErrorBadPathname : kErrorNoUnicodeTranslation;
    const std::string full = os.GetFullPathName(relative_to_start);
    if (full.empty()) return kErrorBadPathname;
    *folder = ToLongPath(os, full);
    return 0;
}

}  // namespace sorvane
