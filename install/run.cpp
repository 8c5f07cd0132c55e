#include "install/run.h"

#include "core/command_line.h"
#include "install/checked_folder.h"
#include "install/data_folders.h"
#include "install/file_swap.h"
#include "install/held_programs.h"
#include "install/payload.h"
#include "install/run_log.h"
#include "install/silent_folder.h"
#include "install/target_grant.h"
#include "platform/setup_error.h"
#include "provider/mirelda.h"

namespace sorvane {

namespace {

constexpr const char* kWaitsForRestart = "old file deleted at the next restart";
// What an update of the provider leaves for the next component in "plugin\".
constexpr const char* kPendingProviderName = "ostrel.rdk";

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

void RegisterLayeredProvider(RunContext& run, const std::string& folder,
                             const PendingUpdate& pending_update) {
    const std::string helper_path = folder + "_marrow.exe";
    if (!run.os.FileExists(helper_path)) return;
    // A helper that is not held as the payload it must be is never started elevated.
    if (run.programs && !run.programs->Held(kHelperPayloadId)) return;
    if (!run.steps.CreateFirewall) return;
    // The component goes when this scope ends, also when a call raises.
    std::unique_ptr<FirewallComponent> firewall =
        run.steps.CreateFirewall(run.form_window, folder, pending_update);
    if (!firewall) return;
    if (!firewall->IsInstalled())
        firewall->InstallThroughHelper(helper_path, folder + "plugin\\_pellin.dll", true);
    // The registration was started all the same; the removal may yet undo it.
    constexpr std::uint32_t kErrorWaitTimeout = 258;  // WAIT_TIMEOUT
    if (firewall->RemovalStillRunning() && run.steps.Log)
        run.steps.Log->Line("FAILED", "provider removal", helper_path, kErrorWaitTimeout);
}

namespace {

// Every payload is written whole beside its final name first; only when all six are
// whole do they take their names, so that an installation is never left with a torn or
// half-updated set of files. Old files in use are set aside until the next restart.
void InstallPayloads(RunContext& run, const PayloadFolders& folders) {
    Os& os = run.os;
    RunLog* log = run.steps.Log;
    RemoveLeftovers(os, folders.target.handle, folders.target.path);
    RemoveLeftovers(os, folders.plugin.handle, folders.plugin.path);
    {
        FileSwap swap(os);
        for (int id = kFirstPayloadId; id <= kLastPayloadId; ++id) {
            os.PumpMessages();
            const std::string path = folders.target.path + PayloadName(id);
            if (log) log->Step("file", folders.target.path, PayloadName(id));
            std::uint32_t error = 0;
            // 3 to 8
            if (!ExtractPayload(run, id, folders, swap, &error)) {
                os.SetLastError(error);
                throw SetupError("Unable to write to " + path, error);
            }
            if (log) log->StepEnd(true);
            run.controls.Edit2.SetText("");
            os.PumpMessages();
        }
        std::string failed;
        std::uint32_t error = 0;
        if (!swap.SwapAll(&failed, &error)) {
            // The run's end logs this step as failed, with the code.
            if (log) log->Step("file", failed);
            os.SetLastError(error);
            throw SetupError("Unable to write to " + failed, error);
        }
        if (log) log->Line("ok", "installed files", folders.target.path);
        for (const std::string& waiting : swap.RemoveSetAside())
            if (log) log->Line("ok", kWaitsForRestart, waiting);
    }
    // Held from here until started, once checked to be what was written.
    if (run.programs) {
        for (const int id : {kHelperPayloadId, kClientPayloadId}) {
            if (!run.programs->Hold(folders.target, id)) {
                const std::string path = folders.target.path + PayloadName(id);
                throw SetupError("Unable to write to " + path, kErrorAccessDenied);
            }
        }
    }
}

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

    std::string target = s.InstallDir;
    const std::uint32_t unusable = s.Silent ? SilentTargetFolder(os, &target) : 0;
    RunLog* log = run.steps.Log;
    if (unusable || target.empty()) {
        if (log) log->Line("FAILED", "target folder", target, unusable);
        return;
    }
    if (target.back() != '\\') target += '\\';
    // The folders that everyone may write into once opened are held from here on, and
    // every name inside them is opened through the held folder, so that none can be
    // swapped for a link or redirected; one that is a link is refused before anything
    // goes through it.
    HeldFolders held(os);
    if (log) log->Step("target folder", target);
    // Nothing is created through a link that a user could have made.
    if (!LinksOnTheWayAreTrusted(os, target))
        throw SetupError("Unable to write to " + target, HoldError(os));
    const bool made = ForceDirectories(os, target);
    HeldFolder target_folder;
    if (made && !(target_folder = held.HoldTarget(target)))
        throw SetupError("Unable to write to " + target, HoldError(os));
    if (log) log->StepEnd(made);
    // The run works by where the folder really lies: a link on the way is not named
    // again in what the installation leaves.
    if (made) target = target_folder.path;
    s.InstallDir = target;

    const std::string data = SettleDataFolder(os, target);
    const HeldFolder data_folder = data == target ? target_folder : held.Hold(data);
    if (log) log->Line("ok", "data folder", data);
    // Checked before anything is written: opened to everyone, the folder would open
    // whatever else lies there too.
    const GrantVerdict verdict = DecideTargetGrant(os, target_folder.handle, target);
    if (log && !verdict.grant)
        log->Line("kept", "access rights", target + " (" + verdict.reason + ")");
    // An update then keeps it so too, though the folder holds the product by then.
    if (verdict.others_content) RememberKeptFolder(os, target);
    const std::string open_target = verdict.grant ? target : std::string();
    const std::string open_data = data == target ? open_target : data;
    if (run.steps.GrantFolderAccess && !open_data.empty()) {
        if (log)
            log->Step("access rights", open_data,
                      open_target.empty() ? "" : (" " + open_target).c_str());
        try {
            // Through the folders the run holds, never by their names again.
            const HeldFolder& first = data == target ? target_folder : data_folder;
            run.steps.GrantFolderAccess(first.handle, open_data,
                                        open_target.empty() ? 0 : target_folder.handle,
                                        open_target);
            if (log) log->StepDone();
        } catch (...) {
            // Access rights are best effort: the installation goes on without them.
            if (log) log->StepEnd(false);
        }
    }
    if (log) log->Step("provider folder", target, "plugin");
    PayloadFolders folders{target_folder, target_folder ? held.HoldAt(target_folder, "plugin")
                                                        : HeldFolder{}};
    if (!folders.plugin)
        throw SetupError("Unable to write to " + target + "plugin\\_pellin.dll", HoldError(os));
    if (log) log->StepEnd(true);

    StepProgress(run);  // 2
    ShowStatus(run, s.StatusCopyingFiles);
    InstallPayloads(run, folders);
    StepProgress(run);  // 9

    // Made when missing; one that is a link is left alone, as nothing is written there.
    if (data_folder && data != target) held.HoldAt(data_folder, kSettingsFolderName);
    if (log) log->Step("settings file", target, kSettingsFile);
    const HeldFolder datax = held.HoldAt(target_folder, kSettingsFolderName);
    if (!datax) throw SetupError("Unable to write to " + target + kSettingsFile, HoldError(os));
    WriteClientSettings(os, datax, s.LanguageCode);
    if (log) log->StepEnd(true);

    run.controls.Edit2.SetText(kPleaseWait);
    ShowStatus(run, s.StatusWritingRegistry);
    StepProgress(run);  // 10
    if (log) log->Step("provider registration", target, "_marrow.exe");
    try {
        RegisterLayeredProvider(run, target, [&] {
            // A provider library left for the component takes the provider's name through
            // the held folder, as the files of this run did.
            std::vector<std::string> waiting;
            if (!ReplaceWithCopy(os, folders.plugin.handle, folders.plugin.path,
                                 kPendingProviderFileName, kProviderFileName, &waiting) ||
                !log)
                return;
            log->Line("ok", "pending provider", folders.plugin.path + kProviderFileName);
            for (const std::string& path : waiting) log->Line("ok", kWaitsForRestart, path);
        });
        if (log) log->StepDone();
    } catch (...) {
        // The provider can be registered later by the client; the run goes on.
        if (log) log->StepEnd(false);
    }
    if (run.programs) run.programs->Release(kHelperPayloadId);

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
