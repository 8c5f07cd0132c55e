#include "wizard/installer_form.h"

#include <exception>
#include <memory>

#include "install/silent_folder.h"
#include "wizard/install_folder.h"
#include "wizard/packed_text.h"
#include "wizard/texts.h"
#include "wizard/wizard_resources.h"

namespace sorvane {

namespace {

using ui::Kind;
using ui::Rect;

constexpr Rect kPageArea{3, 5, 504, 317};  // inside PageControl1, whose frame lies outside
constexpr int kPanelWidth = 504, kPanelHeight = 317, kHeaderHeight = 56;
const ui::Font kBold{"Tahoma", 11, true};

// A page with its content panel, which carries a bevel line along its bottom edge.
ui::Control& Page(ui::Form& f, ui::PageControl& pages, const char* sheet, const char* panel,
                  Rect panel_at) {
    ui::Control& page = f.AddControl(Kind::Page, sheet, &pages, kPageArea);
    pages.AddPage(&page);
    f.AddControl(Kind::Panel, panel, &page,
                 {panel_at.left, panel_at.top, kPanelWidth, kPanelHeight})
        .bevel = true;
    return page;
}

ui::Control& Content(ui::Control& page) {
    return *page.children().front();
}

// The white header of pages 1 to 5: title, subtitle and a bevel line below.
void Header(ui::Form& f, ui::Control& page, const char* panel, const char* title_name,
            const char* title, const char* subtitle_name, const char* subtitle) {
    ui::Control& header =
        f.AddControl(Kind::Panel, panel, &Content(page), {0, 0, kPanelWidth, kHeaderHeight});
    header.color = ui::kWhite;
    header.bevel = true;
    f.AddControl(Kind::Label, title_name, &header, {16, 8, 470, 16}, title)
        .SetFont({"Tahoma", 13, true});
    f.AddControl(Kind::Label, subtitle_name, &header, {24, 32, 470, 14}, subtitle);
}

ui::Control& Label(ui::Form& f, ui::Control& page, const char* name, Rect at, const char* text,
                   bool bold = false) {
    ui::Control& label = f.AddControl(Kind::Label, name, &Content(page), at, text);
    if (bold) label.SetFont(kBold);
    return label;
}

ui::Control& OnPage(ui::Form& f, Kind kind, ui::Control& page, const char* name, Rect at,
                    const char* text = "") {
    return f.AddControl(kind, name, &Content(page), at, text);
}

// The licence as the memo shows it: every line ending in CR LF.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 40);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
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
      Panel1(AddControl(Kind::Panel, "Panel1", this, {8, 328, 185, 25})),
      Image1(OnPage(*this, Kind::Image, TabSheet1, "Image1", {0, 0, 165, 315})),
      Image2(OnPage(*this, Kind::Image, TabSheet1, "Image2", {0, 0, 110, 132})),
      Panel2(OnPage(*this, Kind::Panel, TabSheet1, "Panel2", {165, 0, 339, 315})),
      Label1(AddControl(Kind::Label, "Label1", &Panel2, {12, 8, 313, 81},
                        "Sorvane Kurulum Sihirbazına Hoş Geldiniz")),
      Label2(AddControl(Kind::Label, "Label2", &Panel2, {12, 136, 309, 161},
                        "Bu sihirbaz size Sorvane kurulumu esnasında rehberlik edecektir.\r\n\r\n"
                        "Kuruluma başlamadan önce çalışan bütün uygulamalarınızı kapatmanızı "
                        "öneririz. Ayrıca kurulum tamamlandıktan sonra lütfen bilgisayarınızı "
                        "yeniden başlatınız.\r\n\r\nDevam etmek için İleri > tuşuna tıklayın")),
      Label20(Label(*this, TabSheet2, "Label20", {8, 64, 489, 14},
                    "License Agreement && Terms and Conditions")),
      Memo1(OnPage(*this, Kind::Memo, TabSheet2, "Memo1", {8, 80, 489, 201})),
      CheckBox1(OnPage(*this, Kind::CheckBox, TabSheet2, "CheckBox1", {8, 287, 481, 17},
                       "Sözleşmeyi kabul ediyorum")),
      Label8(Label(*this, TabSheet4, "Label8", {24, 77, 329, 14}, "Kurulum Klasörü:")),
      Edit1(OnPage(*this, Kind::Edit, TabSheet4, "Edit1", {24, 96, 329, 22})),
      Button4(OnPage(*this, Kind::Button, TabSheet4, "Button4", {360, 94, 89, 25}, "Araştır...")),
      Label9(Label(*this, TabSheet4, "Label9", {24, 149, 422, 56},
                   "Başka bir klasöre kurulum yapmak isterseniz Araştır tuşuna tıklayıp yeni bir "
                   "klasör seçiniz.\r\n\r\nDevam etmek için İleri > tuşuna tıklayın")),
      Label10(Label(*this, TabSheet5, "Label10", {24, 69, 457, 68},
                    "Sorvane bilgisayarınıza yüklenmeye hazır\r\n\r\nYüklemeye başlamak için "
                    "İleri tuşuna tıklayın. Kurulum bilgilerini değiştirmek için Geri tuşuna "
                    "tıklayın")),
      Label13(
          Label(*this, TabSheet5, "Label13", {24, 165, 457, 14}, "Kurulacak olan uygulama:", true)),
      // One line each, up to the panel's edge: a long folder shows as far as it fits.
      Label16(Label(*this, TabSheet5, "Label16", {40, 181, kPanelWidth - 40, 14}, "")),
      Label17(Label(*this, TabSheet5, "Label17", {24, 205, 457, 14}, "Kurulum yeri:", true)),
      Label18(Label(*this, TabSheet5, "Label18", {40, 221, kPanelWidth - 40, 14}, "")),
      Label22(Label(*this, TabSheet6, "Label22", {24, 80, 457, 65}, "%APP_NAME%")),
      Label23(
          Label(*this, TabSheet6, "Label23", {24, 160, 457, 14}, "Kurulum için hazırlanıyor...")),
      Edit2(OnPage(*this, Kind::Edit, TabSheet6, "Edit2", {24, 184, 449, 21}, "...")),
      JvXPProgressBar1(
          Add<ui::ProgressBar>("JvXPProgressBar1", &Content(TabSheet6), Rect{24, 216, 449, 17})),
      Label24(Label(*this, TabSheet7, "Label24", {24, 80, 457, 49}, "")),
      CheckBox2(OnPage(*this, Kind::CheckBox, TabSheet7, "CheckBox2", {24, 280, 449, 17})),
      os_(os),
      session_(session),
      steps_(steps),
      programs_(os) {
    SetText("...");
    SetVisible(false);
    Header(*this, TabSheet2, "Panel6", "Label26", "Lisans Sözleşmesi", "Label27",
           "Devam etmek için lütfen aşağıdaki sözleşmeyi kabul ediniz.");
    Header(*this, TabSheet4, "Panel3", "Label11", "Yüklenecek Klasörü Seçin", "Label12",
           "Sorvane aşağıdaki klasöre yüklenecektir");
    Header(*this, TabSheet5, "Panel5", "Label14", "Kurulum Özeti", "Label15",
           "Sorvane yüklenmeye hazır");
    Header(*this, TabSheet6, "Panel7", "Label30", "Yükleniyor...", "Label31", "Kurulum başladı.");
    Header(*this, TabSheet7, "Panel8", "Label28", "Kurulum Tamamlandı", "Label29", "");

    Button1.tab_order = 0;
    Button2.tab_order = 1;
    Button3.tab_order = 2;
    Button2.tag = kForwardTag;
    Button3.tag = kBackTag;
    Button3.SetVisible(false);
    Panel1.SetFont(kBold);
    Panel2.color = ui::kWhite;
    Label1.SetFont({"Tahoma", 15, true, ui::kTurkishCharset});
    Edit1.SetFont({"Tahoma", 13, false});
    Edit2.bordered = false;
    // Folder and product names are shown as they are, an ampersand included.
    for (ui::Control* data : {&Label16, &Label18, &Label22, &Label24}) data->show_accel = false;
    Label16.wrap = Label18.wrap = false;
    CheckBox2.SetChecked(true);
    LoadPictureAndLicence();

    Button1.on_click = [this](ui::Control&) { CloseWizard(false); };
    Button2.on_click = [this](ui::Control& sender) { Button2Click(sender); };
    Button3.on_click = [this](ui::Control& sender) { Button2Click(sender); };
    CheckBox1.on_change = [this](ui::Control&) { CheckBox1Click(); };
    Button4.on_click = [this](ui::Control&) { Button4Click(); };
    on_close_request = [this] { return FormCloseQuery(); };
    FormResize();
}

std::unique_ptr<const ui::GifImage> TqnInstaller::LoadPicture(int id) {
    const ResourceView view = os_.LoadResource(id);
    if (!view.valid()) return nullptr;
    auto picture = std::make_unique<ui::GifImage>();
    const bool decoded = ui::DecodeGif(view.data, view.size, picture.get());
    os_.ReleaseResource(view);
    if (!decoded) return nullptr;
    return picture;
}

void TqnInstaller::LoadPictureAndLicence() {
    for (ui::Control* image : {&Image1, &Image2}) {
        const bool banner = image == &Image1;
        image->picture = LoadPicture(banner ? kWelcomePictureResource : kLogoPictureResource);
        image->picture_2x =
            LoadPicture(banner ? kWelcomePicture2xResource : kLogoPicture2xResource);
        if (image->picture)
            image->SetBounds({image->bounds().left, image->bounds().top, image->picture->width,
                              image->picture->height});
    }
    // Image1 keeps its size: its picture is stretched to it.
    Image1.SetBounds({0, 0, 165, 315});

    const ResourceView licence = os_.LoadResource(kLicenceTextResource);
    if (licence.valid()) {
        std::string text;
        const bool inflated = InflateText(licence.data, licence.size, &text);
        os_.ReleaseResource(licence);
        if (inflated) Memo1.SetText(WithCrLf(text));
    }
}

void TqnInstaller::FormCreate() {
    // A step that fails is reported once the window is complete, so that the wizard
    // never shows without its caption and texts.
    std::exception_ptr failure;
    try {
        if (steps_.SetCompatibilityLayer) steps_.SetCompatibilityLayer();
    } catch (...) {
        failure = std::current_exception();
    }
    PageControl1.SetActivePage(0);
    session_.AppName = kProductName;
    SetText(session_.AppName + " Installation");
    session_.PageIndex = 0;
    LoadDefaultTexts(session_);
    Panel1.SetText(kVersionText);
    ApplyLanguage(os_, session_, *this);
    // A silent run does not install after a failed step: its exit code tells the error.
    if (session_.Silent && !failure) {
        try {
            RunSilentSequence();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    FillAppNamePlaceholders(*this);
    if (failure) std::rethrow_exception(failure);
}

void TqnInstaller::Show() {
    SetVisible(true);
    FormResize();
    FormShow();
}

void TqnInstaller::FormShow() {
    SetFocus(&Button2);
}

void TqnInstaller::FormResize() {
    const Rect& big = Image1.bounds();
    const Rect& small = Image2.bounds();
    Image2.SetBounds({big.width / 2 - small.width / 2, big.top + big.height - small.height - 20,
                      small.width, small.height});
}

void TqnInstaller::Button2Click(ui::Control& sender) {
    if (finish_shown()) {
        CloseWizard(true);
        return;
    }
    const int next = session_.PageIndex + (sender.tag == kForwardTag ? 1 : -1);
    // Checked before anything changes: a folder that is refused keeps the folder page.
    const std::string folder =
        next == 3 ? InstallFolderFromField(os_, Edit1.text(), session_.LanguageCode) : "";
    Button2.SetEnabled(true);
    Button2.SetText(session_.NextCaption);
    session_.PageIndex = next;
    PageControl1.SetActivePage(session_.PageIndex);
    switch (session_.PageIndex) {
        case 0:
            Button3.SetVisible(false);
            break;
        case 1:
            Button2.SetEnabled(false);
            CheckBox1.SetChecked(false);
            Button3.SetVisible(true);
            break;
        case 2:
            ComputeDefaultInstallDir();
            Edit1.SetText(os_.AnsiToUtf8(session_.InstallDir));
            Button3.SetVisible(true);
            break;
        case 3:
            session_.InstallDir = folder;
            Label16.SetText(session_.AppName);
            Label18.SetText(os_.AnsiToUtf8(session_.InstallDir));
            Button2.SetText(session_.InstallCaption);
            Button3.SetVisible(true);
            break;
        case 4:
            Button2.SetText(session_.InstallCaption);
            Button2.SetEnabled(false);
            Button3.SetEnabled(false);
            Label22.SetText(session_.AppName + kInstallingText);
            Button3.SetVisible(true);
            RunInstallation();
            // The keyboard goes on at the finish button, where Enter ends the wizard.
            if (finish_shown()) SetFocus(&Button2);
            break;
        default:
            break;
    }
}

void TqnInstaller::CheckBox1Click() {
    Button2.SetEnabled(CheckBox1.checked());
}

void TqnInstaller::ComputeDefaultInstallDir() {
    std::string path = ProgramFilesFolder(os_);
    if (path.back() != '\\') path += '\\';
    session_.DefaultInstallDir = path + kProductName + "\\";
    if (session_.InstallDir.empty()) session_.InstallDir = session_.DefaultInstallDir;
}

void TqnInstaller::Button4Click() {
    std::string folder;
    // It opens where the setup was started from, not in the system folder the process
    // took as its working folder. An empty answer would name a folder relative to the
    // current drive: kept out.
    if (!os_.SelectDirectory(native, os_.GetStartFolder(), &folder) || folder.empty()) return;
    Edit1.SetText(FolderFieldText(folder));
}

void TqnInstaller::RunSilentSequence() {
    std::string folder;
    session_.InstallDir = SilentTargetFolder(os_, &folder) == 0 ? folder : std::string();
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
                   native,
                   &programs_};
    running_ = true;
    try {
        sorvane::RunInstallation(run);
    } catch (...) {
        running_ = false;
        throw;
    }
    running_ = false;
}

void TqnInstaller::EndWizard() {
    close_query_installed_ = false;
    quit_requested_ = true;
    os_.PostQuitMessage(0);
}

void TqnInstaller::CloseWizard(bool immediate) {
    // Once ended, a click still queued (a double click on the finish button) does
    // nothing: the client is started once at most.
    if (quit_requested_) return;
    if (immediate) {
        // Only the client this run wrote and held is started.
        if (!session_.Silent && CheckBox2.checked() && programs_.Held(kClientPayloadId)) {
            const std::string client = session_.InstallDir + "tessen.exe";
            if (os_.ShellExecute(0, "", client, "", "", kShowNormal) == kShellAccessDenied)
                os_.ShellExecute(0, "runas", client, "", "", kShowNormal);
        }
        programs_.Release(kClientPayloadId);
        EndWizard();
        return;
    }
    const std::string question = FillAppPlaceholder(session_.ExitConfirmText, session_.AppName);
    if (os_.MessageBox(native, question, text(), kMbYesNo | kMbIconWarning) == kIdYes) EndWizard();
}

bool TqnInstaller::FormCloseQuery() {
    // Once the wizard has ended, the window may go, but not while a run still works:
    // a log-off then would leave a half-written installation.
    if (!close_query_installed_) return !running_;
    // A silent run shows no window, not even the question: it refuses and goes on.
    if (!session_.Silent) CloseWizard(false);
    return false;
}

}  // namespace sorvane
