// The wizard form: its controls, its creation and the two ways of ending it.
#pragma once

#include <string>

#include "app/session.h"
#include "install/run.h"
#include "platform/os.h"
#include "ui/controls.h"

namespace sorvane {

inline constexpr const char* kVersionText = "Version v2.2.08";
inline constexpr int kShowNormal = 1;  // SW_SHOWNORMAL
inline constexpr std::intptr_t kShellAccessDenied = 5;

class TqnInstaller : public ui::Form {
  public:
    TqnInstaller(Os& os, SetupSession& session, const InstallSteps& steps);

    void FormCreate();
    // Ends the wizard; unless |immediate|, asks the exit question first.
    void CloseWizard(bool immediate);
    // A request to close the window: never granted, it asks the exit question instead.
    void FormCloseQuery();
    void RunInstallation();

    // The user's view of the window.
    void Show() { SetVisible(true); }
    bool quit_requested() const { return quit_requested_; }
    bool finish_shown() const { return PageControl1.active_index() == kFinishPageIndex; }
    bool close_query_installed() const { return close_query_installed_; }

    ui::PageControl& PageControl1;
    ui::Control& TabSheet1;
    ui::Control& TabSheet2;
    ui::Control& TabSheet4;
    ui::Control& TabSheet5;
    ui::Control& TabSheet6;
    ui::Control& TabSheet7;
    ui::Control& Button1;
    ui::Control& Button2;
    ui::Control& Button3;
    ui::Control& Panel1;
    ui::Control& Label1;
    ui::Control& Label2;
    ui::Control& Label22;
    ui::Control& Label23;
    ui::Control& Edit2;
    ui::ProgressBar& JvXPProgressBar1;
    ui::Control& Label24;
    ui::Control& CheckBox2;

  private:
    void RunSilentSequence();
    void EndWizard();

    Os& os_;
    SetupSession& session_;
    const InstallSteps& steps_;
    bool quit_requested_ = false;
    bool close_query_installed_ = true;
};

}  // namespace sorvane
