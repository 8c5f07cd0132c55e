// The wizard form: its six pages and button row, its page flow, the folder choice
// and the two ways of ending it.
#pragma once

#include <string>

#include "core/session.h"
#include "install/held_programs.h"
#include "install/run.h"
#include "platform/os.h"
#include "ui/controls.h"

namespace sorvane {

inline constexpr const char* kVersionText = "Version v2.2.08";
inline constexpr const char* kInstallingText = " is installing. Please wait...";
inline constexpr int kShowNormal = 1;  // SW_SHOWNORMAL
inline constexpr std::intptr_t kShellAccessDenied = 5;
inline constexpr int kForwardTag = 0;
inline constexpr int kBackTag = 1;

class TqnInstaller : public ui::Form {
  public:
    TqnInstaller(Os& os, SetupSession& session, const InstallSteps& steps);

    void FormCreate();
    void FormShow();
    void FormResize();
    // A request to close the window: answers whether it may close. While the wizard
    // is open it never may, and interactively the exit question is asked instead.
    bool FormCloseQuery();
    void Button2Click(ui::Control& sender);  // forward (Button2) and back (Button3)
    void CheckBox1Click();
    void Button4Click();
    void ComputeDefaultInstallDir();
    // Ends the wizard; unless |immediate|, asks the exit question first.
    void CloseWizard(bool immediate);
    void RunInstallation();

    // The user's view of the window: shown, with its size and the first focus.
    void Show();
    bool quit_requested() const { return quit_requested_; }
    bool finish_shown() const { return PageControl1.active_index() == kFinishPageIndex; }
    bool close_query_installed() const { return close_query_installed_; }
    bool running() const { return running_; }

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
    // welcome
    ui::Control& Image1;
    ui::Control& Image2;
    ui::Control& Panel2;
    ui::Control& Label1;
    ui::Control& Label2;
    // licence
    ui::Control& Label20;
    ui::Control& Memo1;
    ui::Control& CheckBox1;
    // folder
    ui::Control& Label8;
    ui::Control& Edit1;
    ui::Control& Button4;
    ui::Control& Label9;
    // summary
    ui::Control& Label10;
    ui::Control& Label13;
    ui::Control& Label16;
    ui::Control& Label17;
    ui::Control& Label18;
    // progress
    ui::Control& Label22;
    ui::Control& Label23;
    ui::Control& Edit2;
    ui::ProgressBar& JvXPProgressBar1;
    // finish
    ui::Control& Label24;
    ui::Control& CheckBox2;

  private:
    void LoadPictureAndLicence();
    std::unique_ptr<const ui::GifImage> LoadPicture(int id);  // empty when missing or bad
    void RunSilentSequence();
    void EndWizard();

    Os& os_;
    SetupSession& session_;
    const InstallSteps& steps_;
    // The helper and the client, held from the moment they are written until started.
    HeldPrograms programs_;
    bool quit_requested_ = false;
    bool close_query_installed_ = true;
    bool running_ = false;
};

}  // namespace sorvane
