#include <gtest/gtest.h>

#include <algorithm>

#include "platform/setup_error.h"
#include "support/wizard_fixture.h"
#include "system/folder_access.h"
#include "system/registry_entries.h"
#include "system/shortcuts.h"
#include "system/system_steps.h"

namespace sorvane::test {
namespace {

constexpr auto HKCU = RegistryRoot::CurrentUser;
constexpr auto HKLM = RegistryRoot::LocalMachine;
const std::string kDir = "C:\\Program Files\\Sorvane\\";
const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sorvane";
const std::string kCommonGroup = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const std::string kUserGroup =
    "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";

class SystemRegistration : public ::testing::Test, public WizardFixture {
  protected:
    void SetUp() override {
        steps = MakeSystemSteps(os, session);
        AddPayloads();
        os.AddRegistryKey(HKLM, kRun);
        os.AddRegistryKey(HKCU, kRun);
        session.InstallDir = kDir;
    }
    // The whole program, silent, into |folder|; its exit code.
    int RunSilent(const std::string& folder) {
        os.command_line = "\"C:\\Downloads\\sorvane_setup.exe\" -silent 1 \"" + folder + "\"";
        ErrorReporter reporter(os);
        return RunProgram(os, session, reporter, [this](SetupSession&) {
            return std::make_unique<TqnInstaller>(os, session, steps);
        });
    }
    // The names of the values written, in order.
    std::vector<std::string> WrittenNames() {
        std::vector<std::string> names;
        for (const std::string& call : os.calls)
            if (call.rfind("RegSetValueEx ", 0) == 0) names.push_back(call.substr(14));
        return names;
    }
    // Keeps the batch's text as it stood while the setup waited for it.
    void CatchBatch(std::string* written) {
        os.on_pump = [this, written](int) {
            if (written->empty() && Batch() != "<none>") *written = Batch();
        };
    }
    // The batch in the temporary folder, where the setup alone writes.
    std::string Batch() {
        for (const std::string& f : os.ListFiles())
            if (f.rfind(os.temp_path, 0) == 0 && f.size() > 8 &&
                f.substr(f.size() - 8) == "\\acc.bat")
                return os.Content(f);
        return "<none>";
    }
};

TEST_F(SystemRegistration, WritesEveryEntryInOrderAndDropsThePerUserAutostart) {
    os.module_file_name = "D:\\Updates\\sorvane_setup.exe";
    os.local_date = {2027, 1, 5};
    RegistryKey k;
    os.RegOpenKeyEx(HKCU, kRun, kKeyAllAccess, &k);
    os.RegSetValueEx(k, "tessen", kRegSz, "old", 4);
    os.RegCloseKey(k);
    os.calls.clear();

    WriteRegistryEntries(os, session);

    EXPECT_EQ(
        WrittenNames(),
        (std::vector<std::string>{
            "Path",         "Version",         "Path",         "Version",         "tessen",
            "DisplayName",  "UninstallString", "Publisher",    "DisplayIcon",     "DisplayVersion",
            "URLInfoAbout", "URLUpdateInfo",   "InstallDate",  "InstallLocation", "InstallSource",
            "RegOwner",     "RegCompany",      "Version",      "VersionMajor",    "VersionMinor",
            "NoModify",     "NoRepair",        "EstimatedSize"}));
    for (RegistryRoot root : {HKCU, HKLM}) {
        EXPECT_EQ(os.StringValue(root, "Software\\OrvikSoft\\Sorvane", "Path"), kDir);
        EXPECT_EQ(os.StringValue(root, "Software\\OrvikSoft\\Sorvane", "Version"), "2.2.08");
    }
    EXPECT_EQ(os.FindValue(HKCU, kRun, "tessen"), nullptr);
    EXPECT_EQ(os.StringValue(HKLM, kRun, "tessen"), "\"" + kDir + "tessen.exe\"");
    EXPECT_EQ(os.StringValue(HKLM, kUninstall, "UninstallString"),
              "\"" + kDir + "Uninstall.exe\" -uninstall -f");
    EXPECT_EQ(os.StringValue(HKLM, kUninstall, "InstallDate"), "20270105");
    EXPECT_EQ(os.StringValue(HKLM, kUninstall, "InstallSource"), "D:\\Updates\\");
    EXPECT_EQ(os.FindValue(HKLM, kUninstall, "Version")->type, kRegDword);
    EXPECT_EQ(os.most_keys_open, 1);
    EXPECT_EQ(os.open_keys(), 0);
}

// The program that Windows starts for a command line: the quoted path, else the first
// blank-separated start of the line that names a file (".exe" added when it has none).
std::string ProgramStartedBy(MemoryOs& os, const std::string& line) {
    if (line.rfind('"', 0) == 0) return line.substr(1, line.find('"', 1) - 1);
    for (std::size_t end = line.find(' '); ; end = line.find(' ', end + 1)) {
        std::string name = line.substr(0, end);
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".exe") != 0) name += ".exe";
        if (os.FileExists(name) || end == std::string::npos) return name;
    }
}

// A user may create C:\Tools\Net.exe beside a folder "Net Filter": neither the logon
// of every user nor an elevated removal may start it.
TEST_F(SystemRegistration, AutostartAndUninstallLinesStartOnlyTheInstalledPrograms) {
    const std::string dir = "C:\\Tools\\Net Filter\\";
    session.InstallDir = dir;
    os.AddFile("C:\\Tools\\Net.exe", "planted");
    os.AddFile(dir + "tessen.exe", "MZ");
    os.AddFile(dir + "Uninstall.exe", "MZ");
    WriteRegistryEntries(os, session);
    EXPECT_EQ(ProgramStartedBy(os, os.StringValue(HKLM, kRun, "tessen")), dir + "tessen.exe");
    EXPECT_EQ(ProgramStartedBy(os, os.StringValue(HKLM, kUninstall, "UninstallString")),
              dir + "Uninstall.exe");
    // Written as earlier versions wrote them, both lines would start the planted program.
    EXPECT_EQ(ProgramStartedBy(os, dir + "tessen.exe"), "C:\\Tools\\Net.exe");
    // What is no command line stays as the list of installed programs reads it.
    EXPECT_EQ(os.StringValue(HKLM, kUninstall, "DisplayIcon"), dir + "tessen.exe,0");
    EXPECT_EQ(os.StringValue(HKLM, kUninstall, "InstallLocation"), dir);
}

TEST_F(SystemRegistration, DeniedMachineKeysLeaveOnlyThePerUserSteps) {
    os.denied_roots.insert(HKLM);
    WriteRegistryEntries(os, session);
    EXPECT_EQ(os.StringValue(HKCU, "Software\\OrvikSoft\\Sorvane", "Path"), kDir);
    EXPECT_FALSE(os.RegistryKeyExists(HKLM, "Software\\OrvikSoft\\Sorvane"));
    EXPECT_FALSE(os.RegistryKeyExists(HKLM, kUninstall));
    EXPECT_EQ(os.FindValue(HKLM, kRun, "tessen"), nullptr);
}

TEST_F(SystemRegistration, FailedWriteAtInstallDateStopsThereAndTheRunFinishes) {
    os.fail_value_write = 13;  // 2 + 2 + 1 before the Uninstall key, then rows 4 to 10
    EXPECT_EQ(RunSilent("C:\\Program Files\\Sorvane"), 0);
    EXPECT_EQ(os.StringValue(HKLM, kUninstall, "URLUpdateInfo"), kWebAddress);
    for (const char* missing : {"InstallDate", "InstallLocation", "RegCompany", "EstimatedSize"})
        EXPECT_EQ(os.FindValue(HKLM, kUninstall, missing), nullptr) << missing;
    EXPECT_EQ(os.open_keys(), 0);
}

TEST_F(SystemRegistration, SecondRunLeavesOneSetWithItsDate) {
    WriteRegistryEntries(os, session);
    os.local_date = {2026, 12, 31};
    WriteRegistryEntries(os, session);
    EXPECT_EQ(os.registry[std::string("HKLM\\") + kUninstall].size(), 18u);
    EXPECT_EQ(os.StringValue(HKLM, kUninstall, "InstallDate"), "20261231");
}

TEST_F(SystemRegistration, CompatibilityLayerOnlyWhereTheLayersKeyExists) {
    SetCompatibilityLayer(os);  // under neither root: nothing made
    EXPECT_FALSE(os.RegistryKeyExists(HKLM, kLayersKey));
    EXPECT_FALSE(os.RegistryKeyExists(HKCU, kLayersKey));

    os.AddRegistryKey(HKLM, kLayersKey);
    SetCompatibilityLayer(os);
    EXPECT_EQ(os.StringValue(HKLM, kLayersKey, os.module_file_name), "WINXPSP2");
    EXPECT_FALSE(os.RegistryKeyExists(HKCU, kLayersKey));

    // A failed write raises with its key closed, and the per-user step is not made.
    os.AddRegistryKey(HKCU, kLayersKey);
    os.fail_value_write = os.value_writes + 1;
    EXPECT_THROW(SetCompatibilityLayer(os), SetupError);
    EXPECT_EQ(os.open_keys(), 0);
    EXPECT_EQ(os.FindValue(HKCU, kLayersKey, os.module_file_name), nullptr);
}

TEST_F(SystemRegistration, SilentRunEndsWithOneWhenTheLayerOrTheShellLinkFails) {
    os.AddRegistryKey(HKCU, kLayersKey);
    os.fail_value_write = 1;
    EXPECT_EQ(RunSilent("C:\\A"), 1);
    EXPECT_FALSE(os.FileExists("C:\\A\\tessen.exe"));

    os = MemoryOs{};
    AddPayloads();
    os.shell_link_available = false;
    EXPECT_EQ(RunSilent("C:\\A"), 1);
    EXPECT_TRUE(os.FileExists("C:\\A\\tessen.exe"));
    EXPECT_FALSE(os.RegistryKeyExists(HKLM, kUninstall));  // the run ended at the shortcut
}

TEST_F(SystemRegistration, DirectGrantOpensBothFoldersToEveryoneByItsSid) {
    os.AddDirectory("C:\\Data");
    os.AddDirectory("C:\\App");
    os.access_lists["C:\\Data"] = {{"S-1-5-32-544", kGenericAll, true, 3, false},
                                   {"S-1-1-0", kGenericAll, false, 3, false}};
    GrantFolderAccess(os, "C:\\Data\\", "C:\\App\\");

    const MemoryOs::AccessEntry everyone{"S-1-1-0", kGenericAll, true, 3, false};
    EXPECT_EQ(os.access_lists["C:\\Data"],
              (std::vector<MemoryOs::AccessEntry>{{"S-1-5-32-544", kGenericAll, true, 3, false},
                                                  everyone}));
    EXPECT_EQ(os.access_lists["C:\\App"], std::vector<MemoryOs::AccessEntry>{everyone});
    // What is written into the folders later takes the entry over, at any depth.
    os.AddFile("C:\\App\\plugin\\deeper\\_pellin.dll", "MZ");
    auto inherited = everyone;
    inherited.inherited = true;
    EXPECT_EQ(os.EffectiveAccess("C:\\App\\plugin\\deeper\\_pellin.dll"),
              std::vector<MemoryOs::AccessEntry>{inherited});

    EXPECT_EQ(Batch(), "<none>");
    EXPECT_TRUE(os.enabled_privileges.count("SeSecurityPrivilege"));
    EXPECT_EQ(os.security_allocations(), 0);
    EXPECT_EQ(os.open_tokens, 0);
    EXPECT_TRUE(os.held_folders.empty());
}

TEST_F(SystemRegistration, FolderThatIsALinkIsNeitherGrantedNorGivenToTheBatch) {
    os.AddDirectory("C:\\Windows\\System32\\drivers");
    os.AddLink("C:\\ProgramData\\Sorvane", "C:\\Windows\\System32\\drivers");
    os.AddDirectory("C:\\App");
    os.security_denied.insert("C:\\App");  // the batch runs
    std::string written;
    CatchBatch(&written);
    GrantFolderAccess(os, "C:\\ProgramData\\Sorvane\\", "C:\\App\\");
    EXPECT_TRUE(os.access_lists["C:\\Windows\\System32\\drivers"].empty());
    EXPECT_EQ(written.find("drivers"), std::string::npos) << written;
    EXPECT_EQ(written.find("Sorvane"), std::string::npos) << written;
    EXPECT_NE(written.find("\"C:\\App\""), std::string::npos) << written;
}

TEST_F(SystemRegistration, PrivilegeTheTokenLacksIsNotReportedAsEnabled) {
    os.token_privileges.erase("SeSecurityPrivilege");
    EXPECT_FALSE(EnablePrivilege(os, "SeSecurityPrivilege", true));
    EXPECT_FALSE(os.enabled_privileges.count("SeSecurityPrivilege"));
    EXPECT_TRUE(EnablePrivilege(os, "SeBackupPrivilege", true));
}

TEST_F(SystemRegistration, FallbackBatchRunsTheSystemsIcaclsFromAPrivateFolderAndEndsFirst) {
    // The first grant fails: the second folder is not tried directly.
    os.AddDirectory("C:\\ProgramData\\Sorvane");
    os.security_denied.insert("C:\\ProgramData\\Sorvane");
    os.AddDirectory("C:\\Program Files\\So%PATH%rvane");
    os.AddShortName("C:\\Program Files", "C:\\PROGRA~1");
    std::string written;
    CatchBatch(&written);
    GrantFolderAccess(os, "C:\\ProgramData\\Sorvane\\", "C:\\Program Files\\So%PATH%rvane\\");

    EXPECT_FALSE(os.Called("GetFolderDacl C:\\Program Files"));
    ASSERT_EQ(os.shell_calls.size(), 1u);
    const auto& started = os.shell_calls[0];
    const std::string folder = started.file.substr(0, started.file.rfind('\\'));
    EXPECT_EQ(folder.rfind("C:\\Windows\\Temp\\sorvane-", 0), 0u) << started.file;
    EXPECT_EQ(started.directory, folder + "\\");
    EXPECT_EQ(started.show, kShowHide);
    EXPECT_EQ(written,
              "@echo off\r\n"
              "\"C:\\Windows\\system32\\icacls.exe\" \"C:\\ProgramData\\Sorvane\" "
              "/grant:r *S-1-5-32-545:(OI)(CI)F /L\r\n"
              "\"C:\\Windows\\system32\\icacls.exe\" \"C:\\PROGRA~1\\So%%PATH%%rvane\" "
              "/grant:r *S-1-5-32-545:(OI)(CI)F /L\r\n");
    // Made new, in a folder that only administrators and SYSTEM may enter.
    EXPECT_TRUE(os.Called("CreateFile " + started.file));
    EXPECT_TRUE(os.protected_lists.count(folder));
    // Deleted only once the batch had ended, with its folder.
    const auto wait = std::find(os.calls.begin(), os.calls.end(), "WaitForProcess 120000");
    EXPECT_LT(wait - os.calls.begin(),
              std::find(os.calls.begin(), os.calls.end(), "DeleteFile " + started.file) -
                  os.calls.begin());
    EXPECT_FALSE(os.FileExists(started.file));
    EXPECT_FALSE(os.DirectoryExists(folder));
    EXPECT_TRUE(os.held_folders.empty());
}

// Between the failed direct grant and the batch's run a user may turn a held folder into
// a mount point while it is empty; icacls, naming it by its path, must never act on what
// it then leads to.
TEST_F(SystemRegistration, FallbackBatchNeverActsThroughALinkMadeInPlaceOfAFolder) {
    const std::string guarded = "C:\\Windows\\System32\\drivers";
    const MemoryOs::AccessEntry users{"S-1-5-32-545", kGenericAll, true, 3, false};
    for (bool during_the_batch : {false, true}) {
        SCOPED_TRACE(during_the_batch ? "during the batch" : "before the batch");
        MemoryOs fresh;
        os = fresh;
        os.AddDirectory(guarded);
        os.AddDirectory("C:\\ProgramData\\Sorvane");
        os.AddDirectory("C:\\App");
        os.security_denied.insert("C:\\ProgramData\\Sorvane");
        bool made = false;
        const auto user = [&] {
            if (!made) made = os.MakeMountPoint("C:\\App", guarded);
        };
        if (during_the_batch)
            os.on_pump = [&](int) { user(); };
        else
            os.on_sleep = user;  // the setup's wait before it writes the batch
        GrantFolderAccess(os, "C:\\ProgramData\\Sorvane\\", "C:\\App\\");

        EXPECT_TRUE(os.access_lists[guarded].empty());
        EXPECT_EQ(made, !during_the_batch);  // a folder holding our file takes no link
        std::vector<std::string> granted = {"C:\\ProgramData\\Sorvane"};
        if (during_the_batch) granted.push_back("C:\\App");
        EXPECT_EQ(os.icacls_granted, granted);
        EXPECT_EQ(os.access_lists["C:\\ProgramData\\Sorvane"],
                  std::vector<MemoryOs::AccessEntry>{users});
        // What kept the folders from being empty went with the batch; nothing stayed
        // behind, neither in them nor where the link leads.
        EXPECT_EQ(os.ListFiles(), std::vector<std::string>{});
        EXPECT_TRUE(os.held_folders.empty());
    }
    // Were a link there all the same, icacls would act on the link itself.
    os.AddFile("C:\\t.bat", AccessBatchText("C:\\Windows\\system32\\icacls.exe", "C:\\App", ""));
    ProcessHandle batch = 0;
    os.ShellExecuteProcess(0, "open", "C:\\t.bat", "", "", kShowHide, &batch);
    os.WaitForProcess(batch, 1);
    EXPECT_TRUE(os.access_lists[guarded].empty());
    EXPECT_EQ(os.icacls_granted.back(), "C:\\App");
}

// cmd reads the batch in the console's code page, not the system's ANSI one: a name
// that is not plain ASCII would reach icacls as another folder.
TEST_F(SystemRegistration, FallbackBatchNamesOnlyWhatReachesIcaclsAsWritten) {
    os.AddDirectory("C:\\S\xFCzge\xE7");
    os.AddDirectory("C:\\G\xFCvenlik");
    os.AddShortName("C:\\G\xFCvenlik", "C:\\GVENLI~1");
    os.security_denied.insert("C:\\S\xFCzge\xE7");
    std::string written;
    CatchBatch(&written);
    GrantFolderAccess(os, "C:\\S\xFCzge\xE7\\", "C:\\G\xFCvenlik\\");
    EXPECT_EQ(written,
              "@echo off\r\n\"C:\\Windows\\system32\\icacls.exe\" \"C:\\GVENLI~1\" "
              "/grant:r *S-1-5-32-545:(OI)(CI)F /L\r\n");
    EXPECT_EQ(os.icacls_granted, std::vector<std::string>{"C:\\G\xFCvenlik"});
}

// Under wine the batch's console keeps its folder a moment after the batch has ended.
TEST_F(SystemRegistration, BatchFolderHeldAMomentLongerIsStillRemoved) {
    os.AddDirectory("C:\\Same");
    os.security_denied.insert("C:\\Same");
    FolderHandle console = 0;
    os.on_pump = [&](int) {  // while the batch runs
        if (!console && !os.shell_calls.empty()) {
            const std::string& batch = os.shell_calls[0].file;
            console = os.OpenFolder(batch.substr(0, batch.rfind('\\')));
        }
    };
    int sleeps = 0;
    os.on_sleep = [&] {
        if (console && ++sleeps == 3) os.CloseFolder(console);
    };
    GrantFolderAccess(os, "C:\\Same\\", "");
    ASSERT_NE(console, 0u);
    EXPECT_GE(sleeps, 3);
    EXPECT_EQ(os.ListFiles(), std::vector<std::string>{});
    EXPECT_FALSE(
        os.DirectoryExists(os.shell_calls[0].file.substr(0, os.shell_calls[0].file.rfind('\\'))));
}

TEST_F(SystemRegistration, BatchStillRunningAfterItsBoundStaysWhereItIs) {
    os.AddDirectory("C:\\Same");
    os.security_denied.insert("C:\\Same");
    // A folder of that name made before: never used, nor what lies in it.
    os.AddFile(os.temp_path + "sorvane-000005DC-0\\acc.bat", "planted");
    os.process_waits = {1};  // outlasts the one bounded wait
    GrantFolderAccess(os, "C:\\Same\\", "");
    ASSERT_EQ(os.shell_calls.size(), 1u);
    EXPECT_EQ(os.shell_calls[0].file, os.temp_path + "sorvane-000005DC-1\\acc.bat");
    EXPECT_TRUE(os.FileExists(os.shell_calls[0].file));
    EXPECT_FALSE(os.Called("DeleteFile"));
    EXPECT_EQ(os.Content(os.temp_path + "sorvane-000005DC-0\\acc.bat"), "planted");
}

TEST_F(SystemRegistration, ShortcutGoesToTheAllUsersGroupElseTheUsers) {
    const std::string lnk = "\\Sorvane\\Sorvane.lnk";
    CreateShortcuts(os, kDir + "tessen.exe", "Sorvane");  // no Start-menu folders yet
    EXPECT_EQ(os.ShortcutTarget(kCommonGroup + lnk), "<none>");

    os.AddDirectory(kCommonGroup);
    os.AddDirectory(kUserGroup);
    os.AddFile(kCommonGroup + lnk, "C:\\Old\\tessen.exe|C:\\Old\\");  // replaced
    CreateShortcuts(os, kDir + "tessen.exe", "Sorvane");
    EXPECT_EQ(os.ShortcutTarget(kCommonGroup + lnk), kDir + "tessen.exe|" + kDir);
    EXPECT_FALSE(os.DirectoryExists(kUserGroup + "\\Sorvane"));
    EXPECT_EQ(os.open_shell_links, 0);

    // The all-users Programs folder denied: group and shortcut in the user's.
    os.DeleteFile(kCommonGroup + lnk);
    os.RemoveDirectory(kCommonGroup + "\\Sorvane");
    os.denied_folders.insert(kCommonGroup);
    CreateShortcuts(os, kDir + "tessen.exe", "Sorvane");
    EXPECT_EQ(os.ShortcutTarget(kUserGroup + lnk), kDir + "tessen.exe|" + kDir);
    EXPECT_FALSE(os.DirectoryExists(kCommonGroup + "\\Sorvane"));

    // The all-users group exists but takes no file, and the user has no group: nothing.
    MemoryOs fresh;
    fresh.AddDirectory(kCommonGroup + "\\Sorvane");
    fresh.AddDirectory(kUserGroup);
    fresh.denied_folders.insert(kCommonGroup + "\\Sorvane");
    EXPECT_NO_THROW(CreateShortcuts(fresh, kDir + "tessen.exe", "Sorvane"));
    EXPECT_EQ(fresh.ListFiles(), std::vector<std::string>{});
    EXPECT_FALSE(fresh.DirectoryExists(kUserGroup + "\\Sorvane"));
}

}  // namespace
}  // namespace sorvane::test
