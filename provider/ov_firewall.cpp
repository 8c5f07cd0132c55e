// TOvFirewall: its life, its hidden window, and the helper program's commands.
#include "platform/setup_error.h"
#include "provider/mirelda.h"
#include "provider/provider_paths.h"
#include "ui/controls.h"

namespace sorvane {

std::string AppFolder;

namespace {

constexpr int kShowNormal = 1;  // SW_SHOWNORMAL
// The helper is given GetShortPathNameA's text only when it fits this size.
constexpr std::uint32_t kShortPathSize = 255;

}  // namespace

TOvFirewall::TOvFirewall(Os& os, sorvane::WindowHandle Owner, const std::string& Folder,
                         bool Silent, PendingUpdate Pending)
    : os_(os), Silent_(Silent), Pending_(std::move(Pending)) {
    RemoveObsoleteProviders();
    DownloadLimit_ = 0;
    UploadLimit_ = 0;
    ExecutablePath_ = os_.GetModuleFileName();
    AppFolder = Folder;
    ProviderDllPath_ = AppFolder + "plugin\\" + kProviderFileName;
    SetAsideLegacyProviders();
    WindowHandle_ =
        os_.CreateMessageWindow([this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) {
            TMessage message{m, w, l, 0};
            WndProc(message);
            return message.Result;
        });
    if (!WindowHandle_) throw SetupError("Error creating window");
    ApplyPendingUpdate();
    os_.WSAStartup(kWinsockVersion);  // a failed start goes unnoticed; nothing here needs it
    OwnerControl_ = Owner;
}

TOvFirewall::~TOvFirewall() {
    if (helper_) os_.CloseProcess(helper_);
    os_.DestroyMessageWindow(WindowHandle_);
    os_.WSACleanup();
}

// An earlier provider DLL may be loaded in every running program that uses sockets,
// so it is never deleted at once: it is marked to go at the next start of the system,
// and only when no catalogue entry names it any more, as Winsock would fail to load
// an entry whose file is gone.
void TOvFirewall::SetAsideLegacyProviders() {
    for (const char* name : kLegacyProviderNames) {
        try {
            const std::string path = AppFolder + "plugin\\" + name;
            if (!os_.FileExists(path) || NamedByCatalogue(name)) continue;
            os_.MoveFileEx(path, "", kMoveDelayUntilReboot);
        } catch (...) {
            // An earlier file that cannot be looked at stays where it is.
        }
    }
}

bool TOvFirewall::IsInstalled() {
    const std::string path = RegisteredProviderPath();
    const bool installed = LowerAZ(FileNamePart(path)) == kProviderFileName;
    if (!installed && !path.empty()) UninstallThroughHelper();
    return installed;
}

std::string TOvFirewall::HelperParameters(const char* letters) {
    // Quoted: where a volume has no 8.3 names the short path is the long one, blanks and all.
    return std::to_string(OwnerControl_) + " \"" + ExistingShortPath(ProviderDllPath_) + "\"" +
           letters;
}

bool TOvFirewall::InstallThroughHelper(const std::string& helper_path,
                                       const std::string& provider_path, bool confirm) {
    if (!provider_path.empty()) ProviderDllPath_ = provider_path;
    const std::string program =
        ExistingShortPath(helper_path.empty() ? AppFolder + kHelperFileName : helper_path);
    const std::string parameters = HelperParameters(confirm ? " IY" : " I");
    // No helper file: nothing for the shell to start.
    if (program.empty()) return false;
    return StartHelper(program, parameters);
}

bool TOvFirewall::UninstallThroughHelper() {
    const std::string helper = AppFolder + kHelperFileName;
    if (!os_.FileExists(helper)) return false;
    const std::string parameters = HelperParameters(Silent_ ? " UY" : " U");
    if (!StartHelper(ExistingShortPath(helper), parameters)) return false;
    // The removal ends before anything registers, unless it outlasts the bound.
    if (!AwaitEarlierHelper()) RemovalStillRunning_ = true;
    return true;
}

bool TOvFirewall::AwaitEarlierHelper() {
    if (!helper_) return true;
    const bool ended = os_.WaitForProcess(helper_, kHelperEndWait);
    os_.CloseProcess(helper_);
    helper_ = 0;
    return ended;
}

bool TOvFirewall::StartHelper(const std::string& file, const std::string& parameters) {
    try {
        AwaitEarlierHelper();  // one still running past the bound is left to itself
        std::intptr_t result =
            os_.ShellExecuteProcess(0, "", file, parameters, "", kShowNormal, &helper_);
        if (result == kSeErrAccessDenied)
            result =
                os_.ShellExecuteProcess(0, "runas", file, parameters, "", kShowNormal, &helper_);
        return result > 32;
    } catch (...) {
        return false;
    }
}

std::string TOvFirewall::ExistingShortPath(const std::string& path) {
    if (!os_.FileExists(path)) return {};
    std::string buffer;
    const std::uint32_t length = os_.GetShortPathName(path, &buffer, kShortPathSize);
    // A length that does not fit means the buffer holds no path.
    if (length != 0 && length < kShortPathSize) return buffer;
    return path;
}

void TOvFirewall::ApplyPendingUpdate() {
    if (Pending_) {
        Pending_();
        return;
    }
    const std::string pending = AppFolder + "plugin\\" + kPendingProviderFileName;
    if (!os_.FileExists(pending)) return;
    try {
        if (os_.CopyFile(pending, AppFolder + "plugin\\" + kProviderFileName, false))
            os_.DeleteFile(pending);
    } catch (...) {
        // A provider DLL in use stays; the update waits for the next component.
    }
}

void TOvFirewall::WndProc(TMessage& Message) {
    ui::InvokeGuarded([&] {
        switch (Message.Msg) {
            case kWmQueryEndSession:
                WMQueryEndSession(Message);
                break;
            case kWmCopyData:
                WMCopyData(Message);
                break;
            case TrafficNotifyMessage:
                TrafficNotify(Message);
                break;
            default:
                break;  // no handler: the result stays 0
        }
    });
}

void TOvFirewall::WMQueryEndSession(TMessage& Message) {
    Message.Result = 1;  // log-off and shutdown may go on
}

void TOvFirewall::WMCopyData(TMessage& Message) {
    Message.Result = 1;
}

void TOvFirewall::TrafficNotify(TMessage& Message) {
    Message.Result = 1;
}

}  // namespace sorvane
