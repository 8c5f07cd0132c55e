#include "system/shortcuts.h"

#include "core/number_text.h"

#include "core/session.h"
#include "platform/setup_error.h"

namespace sorvane {

namespace {

constexpr long kFailed = static_cast<long>(0x80004005);  // E_FAIL

// The shell link object, released when this goes, also when a step raises.
class LinkObject {
  public:
    explicit LinkObject(Os& os) : os_(os) {
        const long result = os_.CreateShellLink(&link_);
        if (result != 0) {
            throw SetupError("The shell link object is not available (error 0x" +
                             HexText(static_cast<std::uint32_t>(result)) + ").");
        }
    }
    ~LinkObject() { os_.ReleaseShellLink(link_); }
    LinkObject(const LinkObject&) = delete;
    LinkObject& operator=(const LinkObject&) = delete;
    ShellLink get() const { return link_; }

  private:
    Os& os_;
    ShellLink link_ = 0;
};

// Saves the link as <special folder>\Sorvane\<name>.lnk, replacing a file of that name.
long SaveInGroup(Os& os, ShellLink link, int csidl, const std::string& name) {
    std::string special;
    if (!os.GetSpecialFolderPath(csidl, &special)) return kFailed;
    const std::string path = special + "\\" + kProductName + "\\" + name + ".lnk";
    if (os.FileExists(path)) os.DeleteFile(path);
    return os.ShellLinkSave(link, path, false);
}

}  // namespace

bool CreateProgramGroupFolder(Os& os, const std::string& group, int csidl, std::string* folder,
                              std::uint32_t* error) {
    folder->clear();
    std::string special;
    if (!os.GetSpecialFolderPath(csidl, &special)) return false;
    os.SetLastError(0);
    os.CreateDirectory(special + "\\" + group);
    *error = os.GetLastError();
    if (*error != kErrorSuccess && *error != kErrorAlreadyExists) return false;
    *folder = special + "\\" + group;
    return true;
}

void CreateShortcuts(Os& os, const std::string& target, const std::string& name) {
    LinkObject link(os);
    os.ShellLinkSetPath(link.get(), target);
    os.ShellLinkSetWorkingDirectory(link.get(), target.substr(0, target.find_last_of('\\') + 1));

    std::string folder;
    std::uint32_t error = 0;
    if (!CreateProgramGroupFolder(os, kProductName, kCsidlCommonPrograms, &folder, &error) &&
        error == kErrorAccessDenied) {
        error = 0;
        CreateProgramGroupFolder(os, kProductName, kCsidlPrograms, &folder, &error);
    }
    if (SaveInGroup(os, link.get(), kCsidlCommonPrograms, name) == 0) return;
    SaveInGroup(os, link.get(), kCsidlPrograms, name);
}

}  // namespace sorvane
