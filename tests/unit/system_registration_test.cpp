#include <gtest/gtest.h>

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
    // Keeps the batch's text as it stood when the setup next waited.
    void CatchBatch(std::string* written) {
        os.on_sleep = [this, written] {
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
    EXPECT_EQ(os.StringValue(HKLM, kRun, "tessen"), kDir + "tessen.exe");
    // Paths with blanks go in unquoted, exactly as the uninstaller's line is read back.
    EXPECT_EQ(os.StringValue(HKLM, kUninstall, "UninstallString"),
              kDir + "Uninstall.exe -uninstall -f");
    EXPECT_EQ(os.StringValue(HKLM, kUninstall, "InstallDate"), "20270105");
    EXPECT_EQ(os.StringValue(HKLM, kUninstall, "InstallSource"), "D:\\Updates\\");
    EXPECT_EQ(os.FindValue(HKLM, kUninstall, "Version")->type, kRegDword);
    EXPECT_EQ(os.most_keys_open, 1);
    EXPECT_EQ(os.open_keys(), 0);
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

TEST_F(SystemRegistration, DirectGrantOpensBothFoldersToEveryoneInherited) {
    os.AddDirectory("C:\\Data");
    os.access_lists["C:\\Data"] = {{"Administrators", kGenericAll, true, 3, false},
                                   {"EVERYONE", kGenericAll, false, 3, false}};
    GrantFolderAccess(os, "C:\\Data\\", "C:\\App\\");

    const MemoryOs::AccessEntry everyone{"EVERYONE", kGenericAll, true, 3, false};
    EXPECT_EQ(os.access_lists["C:\\Data"],
              (std::vector<MemoryOs::AccessEntry>{{"Administrators", kGenericAll, true, 3, false},
                                                  everyone}));
    EXPECT_EQ(os.access_lists["C:\\App"], std::vector<MemoryOs::AccessEntry>{everyone});
    // What is written into the folders later takes the entry over.
    os.AddFile("C:\\App\\plugin\\_pellin.dll", "MZ");
    auto inherited = everyone;
    inherited.inherited = true;
    EXPECT_EQ(os.EffectiveAccess("C:\\App\\plugin"), std::vector<MemoryOs::AccessEntry>{inherited});
    EXPECT_EQ(os.EffectiveAccess("C:\\App\\plugin\\_pellin.dll"),
              std::vector<MemoryOs::AccessEntry>{inherited});

    EXPECT_EQ(Batch(), "<none>");
    EXPECT_TRUE(os.shell_calls.empty());
    EXPECT_TRUE(os.enabled_privileges.count("SeSecurityPrivilege"));
    EXPECT_EQ(os.security_allocations(), 0);
    EXPECT_EQ(os.open_tokens, 0);
}

TEST_F(SystemRegistration, FallbackBatchCoversBothFoldersFromAPrivateFolder) {
    // The first grant fails: the second folder is not tried directly.
    os.AddDirectory("C:\\ProgramData\\Sorvane");
    os.security_denied.insert("C:\\ProgramData\\Sorvane");
    os.AddFile("C:\\ProgramData\\Sorvane\\acc.bat", "planted by anyone");
    os.AddDirectory("C:\\Program Files\\Sorvane");
    os.AddShortName("C:\\Program Files\\Sorvane", "C:\\PROGRA~1\\Sorvane");
    std::string written;
    CatchBatch(&written);
    GrantFolderAccess(os, "C:\\ProgramData\\Sorvane\\", kDir);

    EXPECT_FALSE(os.Called("GetNamedSecurityInfo " + kDir));
    ASSERT_EQ(os.shell_calls.size(), 1u);
    const auto& started = os.shell_calls[0];
    EXPECT_EQ(started.file.rfind("C:\\Windows\\Temp\\sorvane-", 0), 0u) << started.file;
    EXPECT_EQ(started.verb, "open");
    EXPECT_EQ(started.show, kShowHide);
    EXPECT_EQ(written,
              "@echo off\r\n"
              "icacls \"C:\\ProgramData\\Sorvane\" /grant:r Users:(OI)(CI)F\r\n"
              "icacls \"C:\\PROGRA~1\\Sorvane\" /grant:r Users:(OI)(CI)F\r\n"
              ":try\r\n"
              "del \"" +
                  started.file +
                  "\"\r\n"
                  "if exist \"" +
                  started.file + "\" goto try\r\n");
    // The batch and its folder are gone; what lay in the open folder is neither
    // replaced nor started.
    EXPECT_FALSE(os.FileExists(started.file));
    EXPECT_FALSE(os.DirectoryExists(started.file.substr(0, started.file.rfind('\\'))));
    EXPECT_EQ(os.Content("C:\\ProgramData\\Sorvane\\acc.bat"), "planted by anyone");
}

TEST_F(SystemRegistration, FallbackBatchFolderForms) {
    std::string written;
    CatchBatch(&written);
    auto icacls_lines = [&] {
        const auto first = written.find("icacls");
        return written.substr(first, written.find(":try") - first);
    };
    // The second grant fails; the same folder twice; blanks around it: the direct
    // grant takes the string as given, the batch takes it trimmed.
    GrantFolderAccess(os, "C:\\Same\\", " C:\\Same\\ ");
    EXPECT_TRUE(os.Called("GetNamedSecurityInfo  C:\\Same\\ "));
    EXPECT_EQ(icacls_lines(),
              "icacls \"C:\\Same\" /grant:r Users:(OI)(CI)F\r\n"
              "icacls \"C:\\Same\" /grant:r Users:(OI)(CI)F\r\n");

    // A short form that needs more than 255 characters is not used.
    const std::string deep = "C:\\" + std::string(250, 'd');
    os.AddDirectory(deep);
    os.security_denied.insert(deep);
    os.AddShortName(deep, "C:\\" + std::string(252, 's'));
    written.clear();
    GrantFolderAccess(os, "C:\\Same\\", deep + "\\");
    EXPECT_NE(icacls_lines().find("\"" + deep + "\""), std::string::npos);
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
