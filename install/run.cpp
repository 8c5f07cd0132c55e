#include "install/run.h"

#include "core/command_line.h"
#include "install/checked_folder.h"
#include "install/data_folders.h"
#include "install/payload.h"
#include "install/run_log.h"
#include "install/target_grant.h"
#include "platform/setup_error.h"

namespace sorvane {

namespace {

// The code a refused folder is logged with: the system's, else that no folder stands
// there to write into (a link or a file in its place).
std::uint32_t HoldError(Os& os) {
    const std::uint32_t code = os.GetLastError();
    return code != kErrorSuccess ? code : kErrorPathNotFound;
}

}  // namespace

void StepProgress(RunContext& run) {
    run.os.PumpMessages();
    auto& bar = run.controls.JvXPProgressBar1;
    bar.SetPosition(bar.position() + 1);
}

void ShowStatus(RunContext& run, const std::string& text) {
    run.os.PumpMessages();
    run.controls.Label23.SetText(text);
}

std::string ToLongPath(Os& os, const std::string& path) {
    constexpr std::uint32_t kMaxPath = 260;
    std::string buffer;
    std::uint32_t length = 0;
    if (!os.GetLongPathName(path, &buffer, kMaxPath + 1, &length)) return path;
    if (length >= 1 && length <= kMaxPath) return buffer;
    return path;
}

void RegisterLayeredProvider(RunContext& run, const std::string& folder) {
    const std::string helper_path = folder + "_marrow.exe";
    if (!run.os.FileExists(helper_path)) return;
    if (!run.steps.CreateFirewall) return;
    // The component goes when this scope ends, also when a call raises.
    std::unique_ptr<FirewallComponent> firewall = run.steps.CreateFirewall(run.form_window, folder);
    if (!firewall) return;
    if (!firewall->IsInstalled())
        firewall->InstallThroughHelper(helper_path, folder + "plugin\\_pellin.dll", true);
}

namespace {

void ShowFinishPage(RunContext& run) {
    auto& c = run.controls;
    c.Label24.SetText(run.session.AppName + kFinishPageText);
    c.CheckBox2.SetText(kStartClientCaption);
    c.Button3.SetEnabled(false);
    c.Button1.SetEnabled(false);
    c.Button2.SetText(run.session.FinishCaption);
    c.Button2.SetEnabled(true);
    c.PageControl1.SetActivePage(kFinishPageIndex);
}

}  // namespace

void RunInstallation(RunContext& run) {
    SetupSession& s = run.session;
    Os& os = run.os;
    run.controls.JvXPProgressBar1.SetRange(0, kProgressSteps);
    run.controls.JvXPProgressBar1.SetPosition(0);
    StepProgress(run);  // 1
    ShowStatus(run, s.StatusPreparingFolders);

    std::string target = s.Silent ? ToLongPath(os, ParamStr(os, 3)) : s.InstallDir;
    RunLog* log = run.steps.Log;
    if (target.empty()) {
        if (log) log->Line("FAILED", "target folder", target);
        return;
    }
    if (target.back() != '\\') target += '\\';
    // The folders that everyone may write into once opened are held from here on, so
    // that none can be swapped for a link; one that is a link is refused before anything
    // goes through it.
    HeldFolders held(os);
    if (log) log->Step("target folder", target);
    const bool made = ForceDirectories(os, target);
    const FolderHandle held_target = made ? held.Hold(target) : 0;
    if (made && !held_target) throw SetupError("Unable to write to " + target, HoldError(os));
    if (log) log->StepEnd(made);
    s.InstallDir = target;

    const std::string data = SettleDataFolder(os, target);
    const bool data_held = data == target || held.Hold(data);
    if (log) log->Line("ok", "data folder", data);
    // Checked before anything is written: opened to everyone, the folder would open
    // whatever else lies there too.
    const GrantVerdict verdict = DecideTargetGrant(os, held_target, target);
    if (log && !verdict.grant)
        log->Line("kept", "access rights", target + " (" + verdict.reason + ")");
    const std::string open_target = verdict.grant ? target : std::string();
    const std::string open_data = data == target ? open_target : data;
    if (run.steps.GrantFolderAccess && !open_data.empty()) {
        if (log)
            log->Step("access rights", open_data,
                      open_target.empty() ? "" : (" " + open_target).c_str());
        try {
            run.steps.GrantFolderAccess(open_data, open_target);
            if (log) log->StepDone();
        } catch (...) {
            // Access rights are best effort: the installation goes on without them.
            if (log) log->StepEnd(false);
        }
    }
    if (log) log->Step("provider folder", target, "plugin");
    if (!held.Hold(target + "plugin"))
        throw SetupError("Unable to write to " + target + "plugin\\_pellin.dll", HoldError(os));
    if (log) log->StepEnd(true);

    StepProgress(run);  // 2
    ShowStatus(run, s.StatusCopyingFiles);
    for (int id = kFirstPayloadId; id <= kLastPayloadId; ++id) {
        os.PumpMessages();
        if (log) log->Step("file", target, PayloadName(id));
        // 3 to 8; a failed payload does not stop the run
        const bool written = ExtractPayload(run, id, target);
        if (log) log->StepEnd(written);
        run.controls.Edit2.SetText("");
        os.PumpMessages();
    }
    StepProgress(run);  // 9

    // Made when missing; one that is a link is left alone, as nothing is written there.
    if (data_held && !os.DirectoryExists(data + "datax")) os.CreateDirectory(data + "datax");
    if (log) log->Step("settings file", target, "datax\\kayit.dat");
    if (!held.Hold(target + "datax"))
        throw SetupError("Unable to write to " + target + kSettingsFile, HoldError(os));
    WriteClientSettings(os, target, s.LanguageCode);
    if (log) log->StepEnd(true);

    run.controls.Edit2.SetText(kPleaseWait);
    ShowStatus(run, s.StatusWritingRegistry);
    StepProgress(run);  // 10
    if (log) log->Step("provider registration", target, "_marrow.exe");
    try {
        RegisterLayeredProvider(run, target);
        if (log) log->StepDone();
    } catch (...) {
        // The provider can be registered later by the client; the run goes on.
        if (log) log->StepEnd(false);
    }

    StepProgress(run);  // 11
    ShowStatus(run, s.StatusWritingRegistry);
    StepProgress(run);  // 12
    ShowStatus(run, s.StatusWritingRegistry);
    StepProgress(run);  // 13
    ShowStatus(run, s.StatusCreatingShortcuts);
    if (run.steps.CreateShortcuts) {
        if (log) log->Step("shortcut", s.InstallDir, "tessen.exe");
        run.steps.CreateShortcuts(s.InstallDir + "tessen.exe", kProductName);
        if (log) log->StepEnd(true);
    }

    StepProgress(run);  // 14
    if (run.steps.WriteRegistryEntries) {
        if (log) log->Step("registry entries", s.InstallDir);
        run.steps.WriteRegistryEntries();
        if (log) log->StepDone();
    }
    StepProgress(run);  // 15

    ShowFinishPage(run);
    if (log) log->Line("ok", "installation", s.InstallDir);
}

}  // namespace sorvane
