// The shell link object: a store of links that, when saved, become files in the
// in-memory file system holding "target|working folder".
#include "support/memory_os.h"

namespace sorvane::test {

namespace {
constexpr long kClassNotRegistered = static_cast<long>(0x80040154);
constexpr long kAccessDeniedResult = static_cast<long>(0x80070005);
constexpr long kPathNotFoundResult = static_cast<long>(0x80070003);
}  // namespace

std::string MemoryOs::ShortcutTarget(const std::string& path) {
    return FileExists(path) ? Content(path) : "<none>";
}

long MemoryOs::CreateShellLink(ShellLink* link) {
    calls.push_back("CreateShellLink");
    if (!shell_link_available) return kClassNotRegistered;
    *link = next_link_++;
    links_[*link] = {};
    ++open_shell_links;
    return 0;
}

long MemoryOs::ShellLinkSetPath(ShellLink link, const std::string& path) {
    links_.at(link).path = path;
    return 0;
}

long MemoryOs::ShellLinkSetWorkingDirectory(ShellLink link, const std::string& folder) {
    links_.at(link).working_directory = folder;
    return 0;
}

long MemoryOs::ShellLinkSave(ShellLink link, const std::string& path, bool remember) {
    calls.push_back("ShellLinkSave " + path + (remember ? " remember" : ""));
    const LinkState& state = links_.at(link);
    const FileHandle file = CreateFileReadWrite(path);
    if (!file) {
        const std::string folder = path.substr(0, path.find_last_of('\\'));
        return DirectoryExists(folder) ? kAccessDeniedResult : kPathNotFoundResult;
    }
    const std::string text = state.path + "|" + state.working_directory;
    std::size_t done = 0;
    WriteFile(file, text.data(), text.size(), &done);
    CloseFile(file);
    return 0;
}

void MemoryOs::ReleaseShellLink(ShellLink link) {
    calls.push_back("ReleaseShellLink");
    if (links_.erase(link)) --open_shell_links;
}

}  // namespace sorvane::test
