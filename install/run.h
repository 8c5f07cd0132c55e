// The installation run: every step of one installation, in its order, with the
// progress and status feedback of the wizard's progress page.
#pragma once

#include <functional>
#include <string>

#include "core/session.h"
#include "platform/os.h"
#include "provider/firewall.h"
#include "ui/controls.h"

namespace sorvane {

class HeldPrograms;
class RunLog;

// The controls of the wizard form that the run drives.
struct RunControls {
    ui::ProgressBar& JvXPProgressBar1;
    ui::Control& Label23;  // status line
    ui::Control& Edit2;    // file being written
    ui::Control& Label24;  // finish text
    ui::Control& CheckBox2;
    ui::Control& Button1;
    ui::Control& Button2;
    ui::Control& Button3;
    ui::PageControl& PageControl1;
};

// The steps that system registration and the provider component contribute. A step
// that this build does not carry is left empty and skipped.
struct InstallSteps {
    std::function<void()> SetCompatibilityLayer;  // first act of the form's creation
    // Each folder held by the run (0 for none) with where it lies.
    std::function<void(FolderHandle first, const std::string& first_path, FolderHandle second,
                       const std::string& second_path)>
        GrantFolderAccess;
    std::function<void(const std::string& target, const std::string& name)> CreateShortcuts;
    std::function<void()> WriteRegistryEntries;
    FirewallFactory CreateFirewall;
    RunLog* Log = nullptr;  // the run's log; none in a run without one
};

struct RunContext {
    Os& os;
    SetupSession& session;
    RunControls controls;
    const InstallSteps& steps;
    WindowHandle form_window;  // owner of the firewall component
    // The programs the run and the finish page start, held until started; none in a run
    // without them.
    HeldPrograms* programs = nullptr;
};

inline constexpr int kProgressSteps = 15;
inline constexpr const char* kFinishPageText =
    " başarılı bir şekilde kuruldu. Kapat düğmesine basarak sihirbazdan çıkabilirsiniz.";
inline constexpr const char* kStartClientCaption = "Sorvane'nı çalıştır";
inline constexpr const char* kPleaseWait = "Please wait...";
inline constexpr int kFinishPageIndex = 5;
inline constexpr int kClientPayloadId = 101;  // tessen.exe
inline constexpr int kHelperPayloadId = 103;  // _marrow.exe

void RunInstallation(RunContext& run);

// Pumps messages, then moves the progress bar one step on.
void StepProgress(RunContext& run);
// Pumps messages, then shows |text| on the status line.
void ShowStatus(RunContext& run, const std::string& text);

// The long form of |path| where the system can give it, else |path| unchanged.
std::string ToLongPath(Os& os, const std::string& path);

// Has the helper of the installation folder |folder| (final backslash) register the
// layered provider unless it is registered already. |pending_update| is what the
// component does with a provider library left waiting for it.
void RegisterLayeredProvider(RunContext& run, const std::string& folder,
                             const PendingUpdate& pending_update = {});

}  // namespace sorvane
