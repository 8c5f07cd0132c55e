// Uninstall.exe: removes what the setup installed. The registry's Uninstall entry
// starts it as "Uninstall.exe -uninstall -f"; its exit code is 0 when all is gone or
// goes at the next restart (a file in use).
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "payloads/common/command_fields.h"
#include "payloads/common/win/dll_search.h"
#include "payloads/common/win/program_folder.h"
#include "payloads/common/win/runtime_failure.h"
#include "payloads/common/win/wide_text.h"
#include "payloads/uninstall/removal_plan.h"
#include "payloads/uninstall/removal_steps.h"
#include "payloads/uninstall/uninstall_command.h"
#include "payloads/uninstall/uninstall_log.h"
#include "payloads/uninstall/uninstall_texts.h"

namespace sorvane::payloads {

namespace {

enum ExitCode { kAllRemoved = 0, kBadCommandLine = 1, kPartlyRemoved = 2, kDeclined = 3 };

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

// The system's folder, not the environment's: the environment of the user who
// started the uninstaller could name any folder there.
std::wstring DataFolder() {
    const std::wstring common = ShellFolder(CSIDL_COMMON_APPDATA);
    return common.empty() ? common : common + L"\\Sorvane";
}

// The process must not hold its own folder open as its working folder.
void LeaveInstallationFolder() {
    wchar_t system[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryW(system, MAX_PATH + 1);
    if (n > 0 && n <= MAX_PATH) SetCurrentDirectoryW(system);
}

int Show(const char* text, UINT type) {
    return MessageBoxW(nullptr, Widen(text).c_str(), Widen(kUninstallTitle).c_str(),
                       type | MB_SETFOREGROUND);
}

// Each step carried out, and logged.
class Remover : public StepRunner {
  public:
    explicit Remover(UninstallLog& log) : log_(log), pending_(WideDecimal(GetCurrentProcessId())) {}
    StepResult Run(const RemovalStep& step) override { return RunRemovalStep(step, pending_); }
    void Report(const RemovalStep& step, const StepResult& result) override {
        log_.Step(step, result);
    }

  private:
    UninstallLog& log_;
    PendingRemovals pending_;
};

const char* ClosingText(Language language, const PlanResult& result) {
    if (!result.complete) return PartlyUninstalledText(language);
    return result.restart ? UninstalledAtRestartText(language) : UninstalledText(language);
}

// The exit code; |restart| tells whether a restart completes the removal.
int Run(UninstallLog& log, bool* restart) {
    // The Uninstall entry names the program quoted, or, as earlier versions wrote
    // it, unquoted, blanks and all.
    const std::wstring line = GetCommandLineW();
    const UninstallCommand cmd =
        ParseUninstallCommand(CommandTailAfterProgram(line, NamesThisProgram));
    InstallationFolders folders;
    folders.install = ProgramFolder();
    const Language language = ReadClientLanguage(folders.install);
    log.Start(line, cmd.forced);
    if (!cmd.valid) {
        log.Error("invalid command line");
        if (!cmd.forced) Show(BadUninstallCommandText(language), MB_OK | MB_ICONERROR);
        return kBadCommandLine;
    }
    if (!cmd.forced && Show(ConfirmUninstallText(language), MB_YESNO | MB_ICONQUESTION) != IDYES) {
        log.Error("the removal was not confirmed");
        return kDeclined;
    }

    LeaveInstallationFolder();
    folders.data = DataFolder();
    folders.common_programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
    folders.user_programs = ShellFolder(CSIDL_PROGRAMS);
    const std::vector<RemovalStep> plan = PlanRemoval(folders);
    PlanResult result;
    result.complete = false;
    if (!plan.empty()) {
        Remover remover(log);
        result = RunPlan(plan, remover);
    } else {
        log.Error("the installation folder is not a full path");
    }

    if (!cmd.forced) {
        Show(ClosingText(language, result),
             MB_OK | (result.complete ? MB_ICONINFORMATION : MB_ICONWARNING));
    }
    *restart = result.complete && result.restart;
    return result.complete ? kAllRemoved : kPartlyRemoved;
}

}  // namespace

}  // namespace sorvane::payloads

const int sorvane::payloads::kRuntimeFailureExitCode = 2;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    sorvane::payloads::RestrictDllSearch();
    sorvane::payloads::UninstallLog log;
    bool restart = false;
    const int code = sorvane::payloads::Run(log, &restart);
    log.Finish(code, restart);
    return code;
}
