#include <gtest/gtest.h>

#include "platform/setup_error.h"
#include "install/checked_folder.h"
#include "install/data_folders.h"
#include "install/target_grant.h"
#include "support/wizard_fixture.h"

namespace sorvane::test {
namespace {

// Logs what the user would see change on the progress page, in order.
struct ProgressPeer : ui::ControlPeer {
    std::vector<std::string>* log;
    explicit ProgressPeer(std::vector<std::string>* l) : log(l) {}
    void Changed(ui::Control& c, ui::Property p) override {
        if (p == ui::Property::Position)
            log->push_back("progress " +
                           std::to_string(static_cast<ui::ProgressBar&>(c).position()));
        if (p == ui::Property::Text && (c.name() == "Label23" || c.name() == "Edit2"))
            log->push_back(c.name() + " " + c.text());
        if (p == ui::Property::ActivePage)
            log->push_back("page " +
                           std::to_string(static_cast<ui::PageControl&>(c).active_index()));
    }
};

class InstallationRun : public ::testing::Test, public WizardFixture {
  protected:
    void SetUp() override {
        RecordSteps();
        AddPayloads();
    }
    // A silent run into |folder| that records the progress page.
    void RunSilent(const std::string& folder) {
        os.command_line = "\"C:\\Downloads\\sorvane_setup.exe\" -silent 1 " + folder;
        session.Silent = true;
        Form().SetPeer(&peer);
        Form().FormCreate();
    }
    ProgressPeer peer{&log};
};

TEST_F(InstallationRun, SilentRunMakesEveryStepInOrder) {
    RunSilent("C:\\X");
    const std::string st = "Label23 ";
    const std::vector<std::string> expected = {
        "page 0",
        "progress 0",
        "progress 1",
        st + "Klasörler hazırlanıyor...",
        "GrantFolderAccess C:\\ProgramData\\Sorvane\\ C:\\X\\",
        "progress 2",
        st + "Dosyalar kopyalanıyor...",
        "progress 3",
        "Edit2 tessen.exe",
        "Edit2 ",
        "progress 4",
        "Edit2 harlock.exe",
        "Edit2 ",
        "progress 5",
        "Edit2 _marrow.exe",
        "Edit2 ",
        "progress 6",
        "Edit2 sporder.dll",
        "Edit2 ",
        "progress 7",
        "Edit2 _pellin.dll",
        "Edit2 ",
        "progress 8",
        "Edit2 Uninstall.exe",
        "Edit2 ",
        "progress 9",
        "Edit2 Please wait...",
        st + "Kayıt defteri anahtarları düzenleniyor...",
        "progress 10",
        "CreateFirewall 16962 C:\\X\\",
        "IsInstalled",
        "InstallThroughHelper C:\\X\\_marrow.exe C:\\X\\plugin\\_pellin.dll Y",
        "FirewallReleased",
        "progress 11",
        "progress 12",
        "progress 13",
        st + "Masa üstü kısa yolları oluşturuluyor...",
        "CreateShortcuts C:\\X\\tessen.exe Sorvane",
        "progress 14",
        "WriteRegistryEntries",
        "progress 15",
        "page 5",
    };
    EXPECT_EQ(log, expected);

    TqnInstaller& f = Form();
    EXPECT_EQ(session.InstallDir, "C:\\X\\");
    EXPECT_EQ(f.JvXPProgressBar1.position(), 15);
    EXPECT_EQ(f.JvXPProgressBar1.max(), 15);
    EXPECT_EQ(f.Edit2.text(), "Please wait...");
    EXPECT_EQ(f.Label23.text(), session.StatusCreatingShortcuts);
    EXPECT_EQ(f.Label24.text(),
              "Sorvane başarılı bir şekilde kuruldu. Kapat düğmesine basarak sihirbazdan "
              "çıkabilirsiniz.");
    EXPECT_EQ(f.CheckBox2.text(), "Sorvane'nı çalıştır");
    EXPECT_TRUE(f.CheckBox2.checked());
    EXPECT_FALSE(f.Button1.enabled());
    EXPECT_FALSE(f.Button3.enabled());
    EXPECT_TRUE(f.Button2.enabled());
    EXPECT_EQ(f.Button2.text(), "&Son");
    EXPECT_TRUE(f.finish_shown());
    EXPECT_EQ(os.Content("C:\\X\\datax\\kayit.dat"), "[Ayarlar]\r\nLanguage=english.lng\r\n");
    EXPECT_TRUE(os.DirectoryExists("C:\\ProgramData\\Sorvane\\datax"));
    EXPECT_EQ(os.Content("C:\\X\\plugin\\_pellin.dll"), "MZ payload 105");
    // The silent sequence ends the wizard and starts no client.
    EXPECT_TRUE(f.quit_requested());
    EXPECT_TRUE(os.shell_calls.empty());
}

TEST_F(InstallationRun, PumpsMessagesBeforeEveryFeedbackAndAroundEachPayload) {
    RunSilent("C:\\X");
    // 9 progress steps and 6 status lines of the run, and per payload: one before,
    // one inside its progress step, one after its name, one after it.
    EXPECT_EQ(os.pumps, 9 + 6 + 6 * 4);
}

TEST_F(InstallationRun, SilentShortFolderTakesItsLongForm) {
    os.AddDirectory("C:\\Program Files\\Sorvane Test");
    os.AddShortName("C:\\Program Files", "C:\\PROGRA~1");
    os.AddShortName("C:\\Program Files\\Sorvane Test", "C:\\PROGRA~1\\SORVAN~1");
    RunSilent("C:\\PROGRA~1\\SORVAN~1");
    EXPECT_EQ(session.InstallDir, "C:\\Program Files\\Sorvane Test\\");
    EXPECT_TRUE(os.FileExists("C:\\Program Files\\Sorvane Test\\tessen.exe"));
}

TEST_F(InstallationRun, InteractiveRunUsesTheChosenFolder) {
    PrepareInteractiveRun("D:\\Apps\\Sorvane\\");
    os.AddDirectory("D:");
    Form().RunInstallation();
    EXPECT_TRUE(os.FileExists("D:\\Apps\\Sorvane\\Uninstall.exe"));
    EXPECT_TRUE(Form().finish_shown());
}

TEST_F(InstallationRun, EmptyTargetFolderEndsTheRunAtOnce) {
    PrepareInteractiveRun("");
    Form().RunInstallation();
    EXPECT_EQ(Form().JvXPProgressBar1.position(), 1);
    EXPECT_EQ(Form().Label23.text(), session.StatusPreparingFolders);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(Form().finish_shown());
}

TEST_F(InstallationRun, UnwritableSettingsFileEndsTheRunWithItsPath) {
    os.AddDirectory("C:\\X");
    os.AddFile("C:\\X\\datax", "a file where the folder should be");
    os.command_line = "s.exe -silent 0 C:\\X";
    session.Silent = true;
    try {
        Form().FormCreate();
        FAIL() << "the run must raise";
    } catch (const SetupError& e) {
        EXPECT_STREQ(e.what(), "Unable to write to C:\\X\\datax\\kayit.dat");
    }
    EXPECT_EQ(Form().JvXPProgressBar1.position(), 9);
    for (const auto& entry : log) {
        EXPECT_EQ(entry.rfind("CreateFirewall", 0), std::string::npos);
        EXPECT_NE(entry, "WriteRegistryEntries");
    }
    EXPECT_FALSE(Form().finish_shown());
    // Silent runs end the wizard also when the run failed.
    EXPECT_TRUE(Form().quit_requested());
}

TEST_F(InstallationRun, GuardedStepsDropTheirErrors) {
    steps.GrantFolderAccess = [](const std::string&, const std::string&) {
        throw std::runtime_error("no rights");
    };
    firewall_raises = true;
    PrepareInteractiveRun("C:\\X\\");
    Form().RunInstallation();
    EXPECT_TRUE(Form().finish_shown());
    // The component goes also when its query raised.
    EXPECT_NE(std::find(log.begin(), log.end(), "FirewallReleased"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "WriteRegistryEntries"), log.end());
}

TEST_F(InstallationRun, ShortcutErrorEndsTheRunBeforeTheRegistry) {
    steps.CreateShortcuts = [](const std::string&, const std::string&) {
        throw SetupError("no shell link object");
    };
    PrepareInteractiveRun("C:\\X\\");
    EXPECT_THROW(Form().RunInstallation(), SetupError);
    EXPECT_EQ(std::find(log.begin(), log.end(), "WriteRegistryEntries"), log.end());
    EXPECT_FALSE(Form().finish_shown());
    EXPECT_EQ(Form().JvXPProgressBar1.position(), 13);
}

TEST_F(InstallationRun, ProviderIsRegisteredOnlyWhenMissingAndTheHelperIsThere) {
    firewall_installed = true;
    PrepareInteractiveRun("C:\\X\\");
    Form().RunInstallation();
    EXPECT_NE(std::find(log.begin(), log.end(), "IsInstalled"), log.end());
    for (const auto& entry : log)
        EXPECT_EQ(entry.rfind("InstallThroughHelper", 0), std::string::npos);

    // Without the helper file no component is made at all.
    log.clear();
    os.resources.erase(103);
    PrepareInteractiveRun("C:\\Y\\");
    Form().RunInstallation();
    for (const auto& entry : log) EXPECT_EQ(entry.rfind("CreateFirewall", 0), std::string::npos);
    EXPECT_TRUE(Form().finish_shown());
}

TEST_F(InstallationRun, StepsThatAreNotBuiltInAreSkipped) {
    steps = InstallSteps{};
    PrepareInteractiveRun("C:\\X\\");
    Form().RunInstallation();
    EXPECT_TRUE(Form().finish_shown());
    EXPECT_TRUE(os.FileExists("C:\\X\\tessen.exe"));
}

TEST_F(InstallationRun, LockedPayloadStaysAndTheRunStillFinishes) {
    os.AddFile("C:\\X\\tessen.exe", "old client");
    os.Find("C:\\X\\tessen.exe")->locked = true;
    PrepareInteractiveRun("C:\\X\\");
    Form().RunInstallation();
    EXPECT_EQ(os.Content("C:\\X\\tessen.exe"), "old client");
    EXPECT_EQ(os.Content("C:\\X\\harlock.exe"), "MZ payload 102");
    EXPECT_TRUE(Form().finish_shown());
}

// --- the folders

class DataFolder : public ::testing::Test {
  protected:
    MemoryOs os;
};

TEST_F(DataFolder, PerMachineFolderWhenTheSystemHasOne) {
    EXPECT_EQ(SettleDataFolder(os, "C:\\X\\"), "C:\\ProgramData\\Sorvane\\");
    EXPECT_TRUE(os.DirectoryExists("C:\\ProgramData\\Sorvane"));
}

TEST_F(DataFolder, OldSystemsKeepTheTargetFolder) {
    os.major_version = 4;
    EXPECT_EQ(SettleDataFolder(os, "C:\\X\\"), "C:\\X\\");
    EXPECT_FALSE(os.Called("CreateDirectory"));
}

TEST_F(DataFolder, CandidateEqualToTheTargetIsTheTarget) {
    os.environment["ALLUSERSPROFILE"] = "C:\\Data";
    EXPECT_EQ(SettleDataFolder(os, "C:\\Data\\Sorvane\\"), "C:\\Data\\Sorvane\\");
    EXPECT_FALSE(os.Called("CreateDirectory"));
    // The comparison is exact: another spelling is another folder.
    EXPECT_EQ(SettleDataFolder(os, "C:\\DATA\\Sorvane\\"), "C:\\Data\\Sorvane\\");
}

TEST_F(DataFolder, CandidateThatCannotBeCreatedFallsBackToTheTarget) {
    os.refuse_create_directory.insert("C:\\ProgramData\\Sorvane");
    EXPECT_EQ(SettleDataFolder(os, "C:\\X\\"), "C:\\X\\");
}

TEST_F(DataFolder, ExistingCandidateIsUsedAsItIs) {
    os.AddDirectory("C:\\ProgramData\\Sorvane");
    EXPECT_EQ(SettleDataFolder(os, "C:\\X\\"), "C:\\ProgramData\\Sorvane\\");
    EXPECT_FALSE(os.Called("CreateDirectory"));
}

TEST_F(DataFolder, ExistingCandidateThatIsALinkOrAUsersIsNotUsed) {
    os.AddDirectory("C:\\Windows\\System32\\spool");
    os.AddLink("C:\\ProgramData\\Sorvane", "C:\\Windows\\System32\\spool");
    EXPECT_EQ(SettleDataFolder(os, "C:\\X\\"), "C:\\X\\");
    EXPECT_TRUE(os.DirectoryExists("C:\\ProgramData\\Sorvane"));  // the link stays

    os.RemoveDirectory("C:\\ProgramData\\Sorvane");
    os.AddDirectory("C:\\ProgramData\\Sorvane");
    os.Find("C:\\ProgramData\\Sorvane")->owner = "S-1-5-21-1004-1004-1004-1001";
    EXPECT_EQ(SettleDataFolder(os, "C:\\X\\"), "C:\\X\\");
    // One the setup's own account made (an earlier run) is the product's.
    os.Find("C:\\ProgramData\\Sorvane")->owner = os.process_user_sid;
    EXPECT_EQ(SettleDataFolder(os, "C:\\X\\"), "C:\\ProgramData\\Sorvane\\");
    EXPECT_TRUE(os.held_folders.empty());
}

TEST_F(DataFolder, OnlyAFolderOfTheProductsOwnIsOpenedToEveryone) {
    // Held as the run holds it, then judged.
    auto MayOpenToEveryone = [this](const std::string& folder) {
        const FolderHandle held = os.OpenFolder(folder);
        const bool grant = DecideTargetGrant(os, held, folder).grant;
        if (held) os.CloseFolder(held);
        return grant;
    };
    os.AddDirectory("C:\\Windows\\system32");
    os.environment["SystemRoot"] = "C:\\Windows";
    os.environment["USERPROFILE"] = "C:\\Users\\User";
    os.AddDirectory("C:\\Program Files\\Sorvane\\plugin");
    os.AddFile("C:\\Program Files\\Sorvane\\TESSEN.EXE", "MZ");
    os.AddFile("C:\\Program Files\\Sorvane\\datax\\kayit.dat", "");
    EXPECT_TRUE(MayOpenToEveryone("C:\\Program Files\\Sorvane\\"));  // an update
    os.AddDirectory("C:\\Tools\\Sorvane");
    EXPECT_TRUE(MayOpenToEveryone("C:\\Tools\\Sorvane\\"));  // a new folder

    os.AddFile("C:\\Tools\\other.exe", "MZ");
    os.AddDirectory("D:\\");
    os.AddDirectory("C:\\Users\\User");
    os.AddDirectory("C:\\Games\\Sorvane");
    os.AddLink("C:\\Games\\Sorvane\\Old", "C:\\Tools");
    os.AddLink("C:\\Linked", "C:\\Tools\\Sorvane");
    for (const char* refused :
         {"C:\\Program Files\\", "C:\\Program Files", "C:\\", "D:\\", "\\\\server\\share\\",
          "C:\\Windows\\", "C:\\ProgramData", "C:\\Users\\", "C:\\Users\\User", "C:\\Tools\\",
          "C:\\Games\\Sorvane\\", "C:\\Linked\\"})
        EXPECT_FALSE(MayOpenToEveryone(refused)) << refused;
    EXPECT_TRUE(os.held_folders.empty());
    EXPECT_TRUE(os.compared_folders.empty());
}

TEST_F(DataFolder, RunRefusesPluginAndDataxFoldersThatAreLinks) {
    for (const char* inside : {"plugin", "datax"}) {
        WizardFixture w;
        w.RecordSteps();
        w.AddPayloads();
        w.os.AddDirectory("C:\\Windows\\System32\\drivers");
        w.os.AddFile("C:\\Windows\\System32\\drivers\\_pellin.dll", "system's");
        w.os.AddLink(std::string("C:\\X\\") + inside, "C:\\Windows\\System32\\drivers");
        w.PrepareInteractiveRun("C:\\X\\");
        const std::string file =
            std::string(inside) == "plugin" ? "plugin\\_pellin.dll" : "datax\\kayit.dat";
        try {
            w.Form().RunInstallation();
            ADD_FAILURE() << inside;
        } catch (const SetupError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to C:\\X\\" + file);
        }
        EXPECT_EQ(w.os.Content("C:\\Windows\\System32\\drivers\\_pellin.dll"), "system's");
        EXPECT_EQ(w.os.ListFiles().size(), std::string(inside) == "plugin" ? 1u : 7u);
        EXPECT_TRUE(w.os.held_folders.empty());
    }
}

// A target that is a link could be re-pointed by whoever made it while the run writes.
TEST_F(DataFolder, RunRefusesATargetThatIsALink) {
    WizardFixture w;
    w.RecordSteps();
    w.AddPayloads();
    w.os.AddDirectory("C:\\Windows\\System32\\drivers");
    w.os.AddLink("C:\\X", "C:\\Windows\\System32\\drivers");
    w.PrepareInteractiveRun("C:\\X\\");
    const std::size_t files = w.os.ListFiles().size();
    EXPECT_THROW(w.Form().RunInstallation(), SetupError);
    EXPECT_EQ(w.os.ListFiles().size(), files);
    EXPECT_FALSE(w.os.DirectoryExists("C:\\Windows\\System32\\drivers\\plugin"));
}

TEST_F(DataFolder, OldSystemGetsOneDataxFolderInTheTarget) {
    WizardFixture w;
    w.RecordSteps();
    w.os.major_version = 4;
    w.PrepareInteractiveRun("C:\\X\\");
    w.Form().RunInstallation();
    EXPECT_EQ(w.log.front(), "GrantFolderAccess C:\\X\\ C:\\X\\");
    EXPECT_TRUE(w.os.DirectoryExists("C:\\X\\datax"));
    EXPECT_FALSE(w.os.DirectoryExists("C:\\ProgramData\\Sorvane"));
}

TEST(ForceDirectories, CreatesEveryMissingLevel) {
    MemoryOs os;
    EXPECT_TRUE(ForceDirectories(os, "C:\\a\\b\\c\\"));
    EXPECT_TRUE(os.DirectoryExists("C:\\a\\b"));
    EXPECT_TRUE(os.DirectoryExists("C:\\a\\b\\c"));
    EXPECT_TRUE(ForceDirectories(os, "C:\\a\\b\\c"));   // already there
    EXPECT_FALSE(ForceDirectories(os, "Q:\\nowhere"));  // no such drive
    EXPECT_FALSE(ForceDirectories(os, ""));
    os.AddFile("C:\\f", "x");
    EXPECT_FALSE(ForceDirectories(os, "C:\\f\\sub"));
}

// --- the client's settings

TEST(ClientSettings, LanguageFollowsTheLanguageCode) {
    MemoryOs os;
    os.AddDirectory("C:\\X\\datax");
    WriteClientSettings(os, "C:\\X\\", "TR");
    EXPECT_EQ(os.Content("C:\\X\\datax\\kayit.dat"), "[Ayarlar]\r\nLanguage=turkce.lng\r\n");
    WriteClientSettings(os, "C:\\X\\", "EN");
    EXPECT_EQ(os.Content("C:\\X\\datax\\kayit.dat"), "[Ayarlar]\r\nLanguage=english.lng\r\n");
    WriteClientSettings(os, "C:\\X\\", "tr");  // exact comparison
    EXPECT_EQ(os.Content("C:\\X\\datax\\kayit.dat"), "[Ayarlar]\r\nLanguage=english.lng\r\n");
}

TEST(ClientSettings, OtherSectionsAndKeysRemain) {
    MemoryOs os;
    os.AddFile(
        "C:\\X\\datax\\kayit.dat",
        "[Genel]\r\nLanguage=keep.lng\r\n[Ayarlar]\r\nFilter=1\r\nLanguage=old.lng\r\nZ=2\r\n");
    WriteClientSettings(os, "C:\\X\\", "TR");
    EXPECT_EQ(
        os.Content("C:\\X\\datax\\kayit.dat"),
        "[Genel]\r\nLanguage=keep.lng\r\n[Ayarlar]\r\nFilter=1\r\nLanguage=turkce.lng\r\nZ=2\r\n");
}

TEST(ClientSettings, FailureNamesTheFile) {
    MemoryOs os;
    EXPECT_THROW(
        {
            try {
                WriteClientSettings(os, "C:\\Missing\\", "EN");
            } catch (const SetupError& e) {
                EXPECT_STREQ(e.what(), "Unable to write to C:\\Missing\\datax\\kayit.dat");
                throw;
            }
        },
        SetupError);
}

// --- long paths

TEST(ToLongPath, GivesTheLongFormOnlyWhenTheSystemCan) {
    MemoryOs os;
    os.AddDirectory("C:\\Program Files\\Sorvane");
    os.AddShortName("C:\\Program Files", "C:\\PROGRA~1");
    EXPECT_EQ(ToLongPath(os, "C:\\PROGRA~1\\Sorvane"), "C:\\Program Files\\Sorvane");
    EXPECT_EQ(ToLongPath(os, "C:\\PROGRA~1\\Sorvane\\"), "C:\\Program Files\\Sorvane\\");
    EXPECT_EQ(ToLongPath(os, "C:\\Not\\There"), "C:\\Not\\There");
    os.has_long_path_name = false;
    EXPECT_EQ(ToLongPath(os, "C:\\PROGRA~1\\Sorvane"), "C:\\PROGRA~1\\Sorvane");
}

TEST(ToLongPath, LongFormBeyondTheBufferKeepsThePath) {
    MemoryOs os;
    const std::string deep = "C:\\" + std::string(250, 'd') + "\\" + std::string(20, 'e');
    os.AddDirectory(deep);
    os.AddShortName("C:\\" + std::string(250, 'd'), "C:\\DDDDDD~1");
    EXPECT_EQ(ToLongPath(os, "C:\\DDDDDD~1\\" + std::string(20, 'e')),
              "C:\\DDDDDD~1\\" + std::string(20, 'e'));
}

}  // namespace
}  // namespace sorvane::test
