#include "wizard/installer_form.h"

#include "app/command_line.h"
#include "wizard/texts.h"

namespace sorvane {

namespace {

using ui::Kind;
using ui::Rect;

constexpr Rect kPageArea{3, 5, 504, 317};  // inside PageControl1, whose frame lies outside

ui::Control& Page(ui::Form& f, ui::PageControl& pages, const char* sheet, const char* panel,
                  Rect panel_at) {
    ui::Control& page = f.AddControl(Kind::Page, sheet, &pages, kPageArea);
    pages.AddPage(&page);
    f.AddControl(Kind::Panel, panel, &page, {panel_at.left, panel_at.top, 504, 317}).bevel = true;
    return page;
}

ui::Control& Content(ui::Control& page) {
    return *page.children().front();
}

// The white header of pages 1 to 5: title and subtitle.
void Header(ui::Form& f, ui::Control& page, const char* panel, const char* title_name,
            const char* title, const char* subtitle_name, const char* subtitle) {
    ui::Control& header = f.AddControl(Kind::Panel, panel, &Content(page), {0, 0, 504, 56});
    header.color = ui::kWhite;
    header.bevel = true;
    ui::Control& t = f.AddControl(Kind::Label, title_name, &header, {16, 8, 470, 16}, title);
    t.SetFont({"Tahoma", 13, true});
    f.AddControl(Kind::Label, subtitle_name, &header, {24, 32, 470, 14}, subtitle);
}

ui::Control& Label(ui::Form& f, ui::Control& parent, const char* name, Rect at, const char* text) {
    return f.AddControl(Kind::Label, name, &parent, at, text);
}

}  // namespace

TqnInstaller::TqnInstaller(Os& os, SetupSession& session, const InstallSteps& steps)
    : ui::Form(kWizardWindowClass, {0, 0, 504, 363}),
      PageControl1(Add<ui::PageControl>("PageControl1", this, Rect{-3, -5, 508, 345})),
      TabSheet1(Page(*this, PageControl1, "TabSheet1", "sayfa_0", {0, 0})),
      TabSheet2(Page(*this, PageControl1, "TabSheet2", "sayfa_1", {-4, -3})),
      TabSheet4(Page(*this, PageControl1, "TabSheet4", "sayfa_3", {0, 0})),
      TabSheet5(Page(*this, PageControl1, "TabSheet5", "sayfa_4", {0, 0})),
      TabSheet6(Page(*this, PageControl1, "TabSheet6", "sayfa_5", {8, 8})),
      TabSheet7(Page(*this, PageControl1, "TabSheet7", "sayfa_6", {0, 0})),
      Button1(AddControl(Kind::Button, "Button1", this, {416, 328, 75, 25}, "Vazgeç")),
      Button2(AddControl(Kind::Button, "Button2", this, {328, 328, 75, 25}, "İleri >")),
      Button3(AddControl(Kind::Button, "Button3", this, {250, 328, 75, 25}, "< Geri")),
      Panel1(AddControl(Kind::Label, "Panel1", this, {8, 334, 185, 25})),
      Label1(Label(*this,
                   AddControl(Kind::Panel, "Panel2", &Content(TabSheet1), {165, 0, 339, 315}),
                   "Label1", {12, 8, 313, 81}, "Sorvane Kurulum Sihirbazına Hoş Geldiniz")),
      Label2(Label(*this, *Label1.parent(), "Label2", {12, 136, 309, 161},
                   "Bu sihirbaz size Sorvane kurulumu esnasında rehberlik edecektir.\r\n\r\n"
                   "Kuruluma başlamadan önce çalışan bütün uygulamalarınızı kapatmanızı öneririz. "
                   "Ayrıca kurulum tamamlandıktan sonra lütfen bilgisayarınızı yeniden "
                   "başlatınız.\r\n\r\nDevam etmek için İleri > tuşuna tıklayın")),
      Label22(Label(*this, Content(TabSheet6), "Label22", {24, 80, 457, 65}, "%APP_NAME%")),
      Label23(Label(*this, Content(TabSheet6), "Label23", {24, 160, 457, 14},
                    "Kurulum için hazırlanıyor...")),
      Edit2(AddControl(Kind::Edit, "Edit2", &Content(TabSheet6), {24, 184, 449, 21}, "...")),
      JvXPProgressBar1(
          Add<ui::ProgressBar>("JvXPProgressBar1", &Content(TabSheet6), Rect{24, 216, 449, 17})),
      Label24(Label(*this, Content(TabSheet7), "Label24", {24, 80, 457, 49}, "")),
      CheckBox2(AddControl(Kind::CheckBox, "CheckBox2", &Content(TabSheet7), {24, 280, 449, 17})),
      os_(os),
      session_(session),
      steps_(steps) {
    SetText("...");
    SetVisible(false);
    Button2.tag = 0;
    Button3.tag = 1;
    Button3.SetVisible(false);
    Panel1.SetFont({"Tahoma", 11, true});
    Label1.parent()->color = ui::kWhite;
    Label1.SetFont({"Tahoma", 15, true});
    Edit2.bordered = false;
    CheckBox2.SetChecked(true);
    Header(*this, TabSheet6, "Panel7", "Label30", "Yükleniyor...", "Label31", "Kurulum başladı.");
    Header(*this, TabSheet7, "Panel8", "Label28", "Kurulum Tamamlandı", "Label29", "");
    Button1.on_click = [this](ui::Control&) { CloseWizard(false); };
    on_close_request = [this] { FormCloseQuery(); };
    initial_focus = &Button2;
}

void TqnInstaller::FormCreate() {
    if (steps_.SetCompatibilityLayer) steps_.SetCompatibilityLayer();
    PageControl1.SetActivePage(0);
    session_.AppName = kProductName;
    SetText(session_.AppName + " Installation");
    session_.PageIndex = 0;
    LoadDefaultTexts(session_);
    Panel1.SetText(kVersionText);
    ApplyLanguage(os_, session_, *this);
    if (session_.Silent) RunSilentSequence();
    FillAppNamePlaceholders(*this);
}

void TqnInstaller::RunSilentSequence() {
    session_.InstallDir = ToLongPath(os_, ParamStr(os_, 3));
    try {
        RunInstallation();
    } catch (...) {
        CloseWizard(true);
        throw;
    }
    CloseWizard(true);
}

void TqnInstaller::RunInstallation() {
    RunContext run{os_,
                   session_,
                   {JvXPProgressBar1, Label23, Edit2, Label24, CheckBox2, Button1, Button2, Button3,
                    PageControl1},
                   steps_,
                   native};
    sorvane::RunInstallation(run);
}

void TqnInstaller::EndWizard() {
    close_query_installed_ = false;
    quit_requested_ = true;
    os_.PostQuitMessage(0);
}

void TqnInstaller::CloseWizard(bool immediate) {
    if (immediate) {
        if (!session_.Silent && CheckBox2.checked()) {
            const std::string client = session_.InstallDir + "tessen.exe";
            if (os_.ShellExecute(0, "", client, "", "", kShowNormal) == kShellAccessDenied)
                os_.ShellExecute(0, "runas", client, "", "", kShowNormal);
        }
        EndWizard();
        return;
    }
    const std::string question = FillAppPlaceholder(session_.ExitConfirmText, session_.AppName);
    if (os_.MessageBox(native, question, text(), kMbYesNo | kMbIconWarning) == kIdYes) EndWizard();
}

void TqnInstaller::FormCloseQuery() {
    if (close_query_installed_) CloseWizard(false);
}

}  // namespace sorvane
