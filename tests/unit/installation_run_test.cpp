#include <gtest/gtest.h>

#include "platform/setup_error.h"
#include "install/checked_folder.h"
#include "install/data_folders.h"
#include "system/system_steps.h"
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
    steps.GrantFolderAccess = [](FolderHandle, const std::string&, FolderHandle,
                                 const std::string&) { throw std::runtime_error("no rights"); };
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

    // Without the helper's payload the run ends before any component is made.
    log.clear();
    os.resources.erase(103);
    PrepareInteractiveRun("C:\\Y\\");
    EXPECT_THROW(Form().RunInstallation(), SetupError);
    for (const auto& entry : log) EXPECT_EQ(entry.rfind("CreateFirewall", 0), std::string::npos);
    EXPECT_FALSE(os.FileExists("C:\\Y\\tessen.exe"));
}

TEST_F(InstallationRun, StepsThatAreNotBuiltInAreSkipped) {
    steps = InstallSteps{};
    PrepareInteractiveRun("C:\\X\\");
    Form().RunInstallation();
    EXPECT_TRUE(Form().finish_shown());
    EXPECT_TRUE(os.FileExists("C:\\X\\tessen.exe"));
}

// An update never leaves a torn or half-updated set: a file that can be neither replaced
// nor set aside ends the run with every installed file as it was.
TEST_F(InstallationRun, FileThatCannotBeReplacedLeavesTheWholeSet) {
    for (const char* name : {"tessen.exe", "harlock.exe", "_marrow.exe", "sporder.dll",
                             "plugin\\_pellin.dll", "Uninstall.exe"})
        os.AddFile(std::string("C:\\X\\") + name, std::string("old ") + name);
    os.Find("C:\\X\\sporder.dll")->locked = true;  // held without delete sharing
    PrepareInteractiveRun("C:\\X\\");
    try {
        Form().RunInstallation();
        ADD_FAILURE() << "the run must raise";
    } catch (const SetupError& e) {
        EXPECT_STREQ(e.what(), "Unable to write to C:\\X\\sporder.dll");
        EXPECT_EQ(e.code(), 32u);
    }
    for (const char* name : {"tessen.exe", "harlock.exe", "_marrow.exe", "sporder.dll",
                             "plugin\\_pellin.dll", "Uninstall.exe"})
        EXPECT_EQ(os.Content(std::string("C:\\X\\") + name), std::string("old ") + name);
    EXPECT_EQ(os.ListFiles().size(), 6u);
    EXPECT_FALSE(Form().finish_shown());
}

// The provider library is loaded by every program that uses the network: an update
// sets it aside for the next restart, and the run ends well.
TEST_F(InstallationRun, LoadedProviderIsReplacedAndTheOldOneWaitsForTheRestart) {
    os.AddFile("C:\\X\\plugin\\_pellin.dll", "old provider");
    os.Find("C:\\X\\plugin\\_pellin.dll")->loaded = true;
    os.AddFile("C:\\X\\plugin\\~sorvane-0000ABCD-_pellin.dll.del", "from an earlier run");
    os.AddFile("C:\\X\\~sorvane-00001234-harlock.exe.new", "half written");
    PrepareInteractiveRun("C:\\X\\");
    Form().RunInstallation();
    EXPECT_TRUE(Form().finish_shown());
    EXPECT_EQ(os.Content("C:\\X\\plugin\\_pellin.dll"), "MZ payload 105");
    ASSERT_EQ(os.at_restart.size(), 1u);
    EXPECT_EQ(os.Content(os.at_restart[0]), "old provider");
    // What earlier runs left is gone.
    EXPECT_FALSE(os.FileExists("C:\\X\\plugin\\~sorvane-0000ABCD-_pellin.dll.del"));
    EXPECT_FALSE(os.FileExists("C:\\X\\~sorvane-00001234-harlock.exe.new"));

    // A provider left for the next component takes the name the same way.
    os.AddFile("C:\\X\\plugin\\ostrel.rdk", "MZ pending provider");
    os.Find("C:\\X\\plugin\\_pellin.dll")->loaded = true;
    form.reset();  // a new setup
    PrepareInteractiveRun("C:\\X\\");
    Form().RunInstallation();
    EXPECT_EQ(os.Content("C:\\X\\plugin\\_pellin.dll"), "MZ pending provider");
    EXPECT_FALSE(os.FileExists("C:\\X\\plugin\\ostrel.rdk"));
    // The first run's old library, still loaded, is marked once more; this run's too.
    EXPECT_EQ(os.at_restart.size(), 3u);
    EXPECT_EQ(os.ListFiles().size(), 6u + 1u + 2u);  // six, the settings, two waiting
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

// A link on the way that a user made could be re-pointed by them while the run writes;
// one that an administrator made leads to the installation, which then names the
// folder where it really lies.
TEST_F(DataFolder, RunFollowsOnlyLinksNoUserCouldHaveMade) {
    const std::string user = "S-1-5-21-1004-1004-1004-1001";
    for (const char* link : {"C:\\X", "C:\\Tools"}) {
        WizardFixture w;
        w.RecordSteps();
        w.AddPayloads();
        w.os.AddDirectory("C:\\Windows\\System32\\drivers");
        w.os.AddLink(link, "C:\\Windows\\System32\\drivers", user);
        const std::string target = std::string(link) == "C:\\X" ? "C:\\X\\" : "C:\\Tools\\X\\";
        w.PrepareInteractiveRun(target);
        const std::size_t files = w.os.ListFiles().size();
        EXPECT_THROW(w.Form().RunInstallation(), SetupError) << link;
        EXPECT_EQ(w.os.ListFiles().size(), files) << link;
        EXPECT_FALSE(w.os.DirectoryExists("C:\\Windows\\System32\\drivers\\plugin")) << link;
        EXPECT_FALSE(w.os.DirectoryExists("C:\\Windows\\System32\\drivers\\X")) << link;
    }
    WizardFixture w;
    w.RecordSteps();
    w.AddPayloads();
    w.os.AddDirectory("C:\\Apps\\Sorvane");
    w.os.AddLink("C:\\Program Files\\Sorvane", "C:\\Apps\\Sorvane");  // Administrators'
    w.PrepareInteractiveRun("C:\\Program Files\\Sorvane\\");
    w.Form().RunInstallation();
    EXPECT_TRUE(w.Form().finish_shown());
    EXPECT_EQ(w.session.InstallDir, "C:\\Apps\\Sorvane\\");
    EXPECT_TRUE(w.os.FileExists("C:\\Apps\\Sorvane\\plugin\\_pellin.dll"));
    std::string owner;
    EXPECT_TRUE(w.os.GetLinkOwner("C:\\Program Files\\Sorvane", &owner));  // the link stays
}

// Anyone who may write into an empty folder may turn it into a mount point, also while it
// is held: whenever that happens during a run, nothing is written where it points.
TEST_F(DataFolder, HeldFolderTurnedIntoAJunctionRedirectsNothing) {
    int turned = 0;
    for (int at = 1; at <= 40; ++at) {
        WizardFixture w;
        w.RecordSteps();
        // The real grant, which must reach the folders held, never what a path leads to.
        w.steps.GrantFolderAccess = MakeSystemSteps(w.os, w.session).GrantFolderAccess;
        w.AddPayloads();
        w.os.AddDirectory("C:\\Evil");
        w.os.on_pump = [&](int pump) {
            if (pump != at) return;
            for (const auto& [handle, path] : w.os.held_folders)
                turned += w.os.MakeMountPoint(path, "C:\\Evil");  // only an empty one takes it
        };
        w.os.command_line = "s.exe -silent 1 C:\\X";
        w.session.Silent = true;
        try {
            w.Form().FormCreate();
        } catch (const SetupError&) {
            // A run may end when a path it checks leads elsewhere; it writes nothing there.
        }
        std::vector<std::string> names;
        EXPECT_TRUE(w.os.ListFolder("C:\\Evil", &names));
        EXPECT_TRUE(names.empty()) << "pump " << at << ": " << names.size() << " names";
        EXPECT_EQ(w.os.access_lists.count("C:\\Evil"), 0u) << "pump " << at;
    }
    EXPECT_GT(turned, 30);  // the run's folders, each while it was still empty
}

TEST_F(DataFolder, OldSystemGetsOneDataxFolderInTheTarget) {
    WizardFixture w;
    w.RecordSteps();
    w.AddPayloads();
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

class ClientSettings : public ::testing::Test {
  protected:
    void SetUp() override {
        os.AddDirectory("C:\\X\\datax");
        datax = held.Hold("C:\\X\\datax");
    }
    std::string Settings() { return os.Content("C:\\X\\datax\\kayit.dat"); }
    MemoryOs os;
    HeldFolders held{os};
    HeldFolder datax;
};

TEST_F(ClientSettings, LanguageFollowsTheLanguageCode) {
    WriteClientSettings(os, datax, "TR");
    EXPECT_EQ(Settings(), "[Ayarlar]\r\nLanguage=turkce.lng\r\n");
    WriteClientSettings(os, datax, "EN");
    EXPECT_EQ(Settings(), "[Ayarlar]\r\nLanguage=english.lng\r\n");
    WriteClientSettings(os, datax, "tr");  // exact comparison
    EXPECT_EQ(Settings(), "[Ayarlar]\r\nLanguage=english.lng\r\n");
    EXPECT_EQ(os.ListFiles().size(), 1u);
}

TEST_F(ClientSettings, OtherSectionsAndKeysRemain) {
    os.AddFile("C:\\X\\datax\\kayit.dat",
               "[Genel]\r\nLanguage=keep.lng\r\n\r\n[ayarlar]\r\nFilter=1\r\n LANGUAGE =old.lng\r\n"
               "Z=2\r\n[Son]");
    WriteClientSettings(os, datax, "TR");
    EXPECT_EQ(Settings(),
              "[Genel]\r\nLanguage=keep.lng\r\n\r\n[ayarlar]\r\nFilter=1\r\nLanguage=turkce.lng\r\n"
              "Z=2\r\n[Son]\r\n");
    os.AddFile("C:\\X\\datax\\kayit.dat", "[Ayarlar]\r\nFilter=1\r\n\r\n[Son]\r\nA=1\r\n");
    WriteClientSettings(os, datax, "EN");
    EXPECT_EQ(Settings(), "[Ayarlar]\r\nFilter=1\r\nLanguage=english.lng\r\n\r\n[Son]\r\nA=1\r\n");
}

// A link or a file of several names is replaced, never read into the settings that
// everyone may read, nor written through.
TEST_F(ClientSettings, LinkedFileIsReplacedUnread) {
    os.AddFile("C:\\Windows\\secret.ini", "[Ayarlar]\r\nPassword=1\r\n");
    os.AddFile("C:\\X\\datax\\kayit.dat", "[Ayarlar]\r\nPassword=1\r\n");
    os.file_natures["C:\\X\\datax\\kayit.dat"].links = 2;
    WriteClientSettings(os, datax, "TR");
    EXPECT_EQ(Settings(), "[Ayarlar]\r\nLanguage=turkce.lng\r\n");
    EXPECT_EQ(os.Content("C:\\Windows\\secret.ini"), "[Ayarlar]\r\nPassword=1\r\n");
}

TEST_F(ClientSettings, FailureNamesTheFileAndKeepsTheOldOne) {
    os.AddFile("C:\\X\\datax\\kayit.dat", "[Ayarlar]\r\nLanguage=old.lng\r\n");
    os.disk_free = 5;
    try {
        WriteClientSettings(os, datax, "EN");
        ADD_FAILURE() << "the write must raise";
    } catch (const SetupError& e) {
        EXPECT_STREQ(e.what(), "Unable to write to C:\\X\\datax\\kayit.dat");
        EXPECT_EQ(e.code(), 112u);
    }
    EXPECT_EQ(Settings(), "[Ayarlar]\r\nLanguage=old.lng\r\n");
    EXPECT_EQ(os.ListFiles().size(), 1u);
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
