#include <gtest/gtest.h>

#include "platform/setup_error.h"
#include "support/wizard_fixture.h"

namespace sorvane::test {
namespace {

// The wizard as a person goes through it, in one language mode.
class WizardFlow : public ::testing::TestWithParam<const char*>, public WizardFixture {
  protected:
    void SetUp() override {
        RecordSteps();
        AddPayloads();
        os.keyboard_layout = GetParam();
        Form().FormCreate();
        Form().Show();
    }
    bool Turkish() const { return std::string(GetParam()) == "0000041F"; }
    void Forward() { Form().Button2.Click(); }
    void Back() { Form().Button3.Click(); }
    // Page, then the forward button's state and caption, then the back button's.
    std::string Buttons() {
        TqnInstaller& f = Form();
        return std::to_string(f.PageControl1.active_index()) + " " +
               (f.Button2.enabled() ? "on " : "off ") + f.Button2.text() + " | " +
               (f.Button3.visible() ? (f.Button3.enabled() ? "back" : "back-off") : "-") +
               (f.Button1.enabled() ? " | cancel" : " | cancel-off");
    }
};

TEST_P(WizardFlow, EveryStepForwardAndBackKeepsTheButtonsRight) {
    const std::string next = "&İleri >";
    const std::string install = Turkish() ? "K&ur" : "&Kur";
    const std::string finish = Turkish() ? "&Kapat" : "&Son";
    EXPECT_EQ(Buttons(), "0 on İleri > | - | cancel");
    EXPECT_EQ(Form().focused(), &Form().Button2);
    EXPECT_EQ(Form().Image2.bounds().left, 27);
    EXPECT_EQ(Form().Image2.bounds().top, 163);

    Forward();
    EXPECT_EQ(Buttons(), "1 off " + next + " | back | cancel");
    Form().CheckBox1.Click();
    EXPECT_EQ(Buttons(), "1 on " + next + " | back | cancel");
    Forward();
    EXPECT_EQ(Buttons(), "2 on " + next + " | back | cancel");
    Back();  // the licence has to be accepted again
    EXPECT_EQ(Buttons(), "1 off " + next + " | back | cancel");
    EXPECT_FALSE(Form().CheckBox1.checked());
    Back();
    EXPECT_EQ(Buttons(), "0 on " + next + " | - | cancel");
    Forward();
    EXPECT_FALSE(Form().CheckBox1.checked());
    Form().CheckBox1.Click();
    Forward();
    Forward();
    EXPECT_EQ(Buttons(), "3 on " + install + " | back | cancel");
    Back();
    EXPECT_EQ(Buttons(), "2 on " + next + " | back | cancel");
    Forward();

    int checked_at = 0;
    os.on_pump = [&](int) {
        if (!checked_at++) {
            EXPECT_EQ(Buttons(), "4 off " + install + " | back-off | cancel");
        }
    };
    Forward();  // the run, to its end
    EXPECT_EQ(Form().Label22.text(), "Sorvane is installing. Please wait...");
    EXPECT_EQ(Buttons(), "5 on " + finish + " | back-off | cancel-off");
    EXPECT_EQ(session.PageIndex, 4);
    EXPECT_EQ(Form().JvXPProgressBar1.position(), 15);
    EXPECT_TRUE(os.FileExists("C:\\Program Files\\Sorvane\\tessen.exe"));

    os.shell_results = {kShellAccessDenied, kShellAccessDenied};
    Forward();  // finish: the client, once elevated after a refusal
    Forward();  // a double click's second click, queued before the quit, starts nothing
    ASSERT_EQ(os.shell_calls.size(), 2u);
    EXPECT_EQ(os.shell_calls[0].verb + "|" + os.shell_calls[1].verb, "|runas");
    EXPECT_EQ(os.shell_calls[1].file, "C:\\Program Files\\Sorvane\\tessen.exe");
    EXPECT_TRUE(Form().quit_requested());
}

TEST_P(WizardFlow, ExitQuestionBeforeAndDuringTheRun) {
    const std::string question = Turkish()
                                     ? "Sorvane kurulumundan çıkmak istediğinize eminmisiniz?"
                                     : "Kurulum sihirbazından çıkmak istediğinize emin misiniz?";
    Forward();
    EXPECT_FALSE(Form().FormCloseQuery());  // No: the window stays on its page
    ASSERT_EQ(os.boxes.size(), 1u);
    EXPECT_EQ(os.boxes[0].text, question);
    EXPECT_EQ(os.boxes[0].style, 0x34u);
    EXPECT_EQ(Form().PageControl1.active_index(), 1);
    EXPECT_FALSE(Form().quit_requested());

    Form().CheckBox1.Click();
    Forward();
    Forward();
    // No during the run: it goes on. Yes later: it still runs to its end, and a
    // log-off query that comes meanwhile is answered, refused while the run works.
    std::vector<bool> answers;
    os.box_answers = {kIdNo, kIdYes};
    os.on_pump = [&](int pump) {
        if (pump == 2 || pump == 4) Form().Button1.Click();
        if (pump == 6) os.Post([&] { answers.push_back(Form().on_close_request()); });
    };
    Forward();
    EXPECT_EQ(os.boxes.size(), 3u);
    EXPECT_EQ(answers, std::vector<bool>{false});
    EXPECT_TRUE(Form().finish_shown());
    EXPECT_TRUE(Form().quit_requested());
    EXPECT_TRUE(os.FileExists("C:\\Program Files\\Sorvane\\Uninstall.exe"));
    EXPECT_TRUE(os.shell_calls.empty());
    // The loop then ends at once on the quit taken during the run.
    os.on_pump = nullptr;
    const int pumps = os.pumps;
    os.RunMessageLoop();
    EXPECT_EQ(os.pumps, pumps);
    EXPECT_FALSE(os.loop_gave_up);
    EXPECT_TRUE(Form().on_close_request());  // the run is over: the window may go
}

INSTANTIATE_TEST_SUITE_P(BothModes, WizardFlow, ::testing::Values("00000409", "0000041F"));

class FolderChoice : public ::testing::Test, public WizardFixture {
  protected:
    void ToFolderPage() {
        Form().FormCreate();
        Form().Button2.Click();
        Form().CheckBox1.Click();
        Form().Button2.Click();
    }
};

TEST_F(FolderChoice, ChosenFolderIsTakenOnlyOnTheSummaryPage) {
    ToFolderPage();
    EXPECT_EQ(Form().Edit1.text(), "C:\\Program Files\\Sorvane\\");
    os.folder_answers = {std::string("D:\\Apps\\")};
    Form().Button4.Click();
    EXPECT_EQ(Form().Edit1.text(), "D:\\Apps\\Sorvane\\");
    Form().Button3.Click();  // dropped: not yet on the summary page
    Form().CheckBox1.Click();
    Form().Button2.Click();
    EXPECT_EQ(Form().Edit1.text(), "C:\\Program Files\\Sorvane\\");

    os.folder_answers = {std::string("E:\\"), std::nullopt, std::string("")};
    Form().Button4.Click();
    EXPECT_EQ(Form().Edit1.text(), "E:\\Sorvane\\");  // a drive root
    Form().Button4.Click();                           // cancelled
    Form().Button4.Click();                           // an empty answer changes nothing
    EXPECT_EQ(Form().Edit1.text(), "E:\\Sorvane\\");
    Form().Button2.Click();
    EXPECT_EQ(session.InstallDir, "E:\\Sorvane\\");
    EXPECT_EQ(Form().Label18.text(), "E:\\Sorvane\\");
    Form().Button3.Click();  // kept once the summary page has taken it
    EXPECT_EQ(Form().Edit1.text(), "E:\\Sorvane\\");
    EXPECT_EQ(session.DefaultInstallDir, "C:\\Program Files\\Sorvane\\");
    EXPECT_EQ(os.folder_dialogs, 4);
}

// The process works in the system folder; the dialog opens where the setup was started,
// named as given, whatever the code page holds.
TEST_F(FolderChoice, DialogOpensAtTheFolderTheSetupWasStartedFrom) {
    os.start_folder = "D:\\Загрузки";
    ToFolderPage();
    Form().Button4.Click();
    EXPECT_TRUE(os.Called("SelectDirectory D:\\Загрузки"));
    EXPECT_EQ(Form().Edit1.text(), "C:\\Program Files\\Sorvane\\");  // cancelled
}

TEST_F(FolderChoice, ProductFolderIsAppendedEvenWhenThereAlready) {
    ToFolderPage();
    os.folder_answers = {std::string("C:\\Apps\\Sorvane")};
    Form().Button4.Click();
    EXPECT_EQ(Form().Edit1.text(), "C:\\Apps\\Sorvane\\Sorvane\\");
}

TEST_F(FolderChoice, ProgramFilesThatCannotBeObtainedFallsBackToTheSystemDrive) {
    os.special_folders.erase(kCsidlProgramFiles);
    os.environment["SystemDrive"] = "D:";
    ToFolderPage();
    EXPECT_EQ(Form().Edit1.text(), "D:\\Program Files\\Sorvane\\");

    for (const char* drive : {"", "nonsense"}) {
        form.reset();
        session = SetupSession{};
        os.special_folders[kCsidlProgramFiles] = "Program Files";  // relative: not taken
        os.environment["SystemDrive"] = drive;
        ToFolderPage();
        EXPECT_EQ(Form().Edit1.text(), "C:\\Program Files\\Sorvane\\") << drive;
    }
}

// A name that would reach the system as another folder, or that the system or cmd would
// read otherwise, keeps the folder page; the code page's own letters pass.
TEST_F(FolderChoice, FolderThatDoesNotReachTheSystemAsWrittenIsRefused) {
    os.keyboard_layout = "0000041F";
    ToFolderPage();
    for (const char* field : {"C:\\Kur\xEF\xBC\xBCSorvane\\",  // U+FF3C, a look-alike backslash
                              "C:\\A\xEF\xBC\x82 & x\\",       // U+FF02, a look-alike quote
                              "C:\\a|b\\", "C:\\a\"b\\", "C:\\a:b\\", "C:\\a\tb\\", "C:\\a*\\"}) {
        Form().Edit1.SetText(field);
        try {
            Form().Button2.Click();
            ADD_FAILURE() << field << " taken";
        } catch (const SetupError& e) {
            EXPECT_NE(std::string(e.what()).find("klasörü kullanılamaz"), std::string::npos);
        }
        EXPECT_EQ(Form().PageControl1.active_index(), 2) << field;
        EXPECT_EQ(session.PageIndex, 2) << field;
    }
    Form().Edit1.SetText("D:\\Güvenlik Ağı\\");
    Form().Button2.Click();
    EXPECT_EQ(session.InstallDir, "D:\\G\xFCvenlik A\xF0\xFD\\");
    EXPECT_EQ(Form().Label18.text(), "D:\\Güvenlik Ağı\\");
}

TEST(SilentMode, LogOffQueryIsRefusedWithoutAnyWindow) {
    WizardFixture w;
    w.RecordSteps();
    w.AddPayloads();
    w.os.command_line = "s.exe -silent 1 C:\\A";
    w.session.Silent = true;
    std::vector<bool> answers;
    w.os.on_pump = [&](int pump) {
        if (pump == 3) answers.push_back(w.Form().on_close_request());
    };
    w.Form().FormCreate();
    EXPECT_EQ(answers, std::vector<bool>{false});
    EXPECT_TRUE(w.os.boxes.empty());
    EXPECT_TRUE(w.os.FileExists("C:\\A\\Uninstall.exe"));  // the run went on to its end
    EXPECT_TRUE(w.Form().on_close_request());              // ended: the system may log off
}

}  // namespace
}  // namespace sorvane::test
