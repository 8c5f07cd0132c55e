// Uninstall.exe: removes what the setup installed. The registry's Uninstall entry
// starts it as "Uninstall.exe -uninstall -f"; its exit code is 0 when all is gone.
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

int Run() {
    // The Uninstall entry names the program unquoted, blanks and all.
    const UninstallCommand cmd =
        ParseUninstallCommand(CommandTailAfterProgram(GetCommandLineW(), NamesThisProgram));
    InstallationFolders folders;
    folders.install = ProgramFolder();
    const Language language = ReadClientLanguage(folders.install);
    if (!cmd.valid) {
        if (!cmd.forced) Show(BadUninstallCommandText(language), MB_OK | MB_ICONERROR);
        return kBadCommandLine;
    }
    if (!cmd.forced && Show(ConfirmUninstallText(language), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return kDeclined;

    LeaveInstallationFolder();
    folders.data = DataFolder();
    folders.common_programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
    folders.user_programs = ShellFolder(CSIDL_PROGRAMS);
    const std::vector<RemovalStep> plan = PlanRemoval(folders);
    const bool all_gone = !plan.empty() && RunRemovalPlan(plan);

    if (!cmd.forced) {
        Show(all_gone ? UninstalledText(language) : PartlyUninstalledText(language),
             MB_OK | (all_gone ? MB_ICONINFORMATION : MB_ICONWARNING));
    }
    return all_gone ? kAllRemoved : kPartlyRemoved;
}

}  // namespace

}  // namespace sorvane::payloads

const int sorvane::payloads::kRuntimeFailureExitCode = 2;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    sorvane::payloads::RestrictDllSearch();
    return sorvane::payloads::Run();
}
