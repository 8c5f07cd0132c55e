#include <gtest/gtest.h>

#include "install/target_grant.h"
#include "support/memory_os.h"

namespace sorvane::test {
namespace {

constexpr const char* kUserSid = "S-1-5-21-1004-1004-1004-1001";
constexpr const char* kStartUp =
    "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";

// A 64-bit Windows as the 32-bit setup sees it, running as SYSTEM under the updater.
class TargetGrant : public ::testing::Test {
  protected:
    void SetUp() override {
        os.process_user_sid = "S-1-5-18";
        const std::string profile = "C:\\Windows\\system32\\config\\systemprofile";
        os.environment = {{"windir", "C:\\Windows"},
                          {"ProgramFiles", "C:\\Program Files (x86)"},
                          {"ProgramW6432", "C:\\Program Files"},
                          {"CommonProgramW6432", "C:\\Program Files\\Common Files"},
                          {"ProgramData", "C:\\ProgramData"},
                          {"USERPROFILE", profile},
                          {"APPDATA", profile + "\\AppData\\Roaming"}};
        os.special_folders[kCsidlCommonStartup] = kStartUp;
        for (const char* folder :
             {"C:\\Windows\\System32", "C:\\Windows\\SysWOW64", "C:\\Program Files\\Common Files",
              "C:\\Users\\Public", kStartUp, "C:\\Program Files (x86)", "D:", "\\\\server\\share"})
            os.AddDirectory(folder);
        // SYSTEM's profile as the 32-bit view finds it under the name System32 gives it
        os.AddDirectory("C:\\Windows\\SysWOW64\\config\\systemprofile\\AppData\\Roaming");
        os.wow64 = true;
        os.system_wow64_directory = "C:\\Windows\\SysWOW64";
        os.AddShortName("C:\\Program Files (x86)", "C:\\PROGRA~2");
        os.AddDriveAlias("M:", "C:\\ProgramData\\Microsoft");
    }
    // Held as the run holds it, then judged.
    GrantVerdict Decide(const std::string& folder) {
        const FolderHandle held = os.OpenFolder(folder);
        const GrantVerdict verdict = DecideTargetGrant(os, held, folder);
        if (held) os.CloseFolder(held);
        return verdict;
    }
    // A folder that would pass but for what it is: ours, owned by Administrators. Written
    // as the setup writes, in its view.
    void Ours(const std::string& folder) {
        os.CloseFile(os.CreateFileReadWrite(folder + "\\tessen.exe"));
    }
    MemoryOs os;
};

TEST_F(TargetGrant, OpensANewOrEmptyFolderOrAnInstallationOfOursWhateverElseLiesThere) {
    os.AddDirectory("C:\\Tools\\New");
    EXPECT_TRUE(Decide("C:\\Tools\\New\\").grant);
    const std::string update = "C:\\Program Files (x86)\\Sorvane\\";
    for (const char* left : {"tessen.log", "sorvane_setup.exe", "acc.bat"})
        os.AddFile(update + left, "");
    os.AddFile(update + "UNINSTALL.EXE", "MZ");
    EXPECT_TRUE(Decide(update).grant);                 // an earlier grant that failed is repaired
    os.AddFile("C:\\Tools\\Half\\harlock.exe", "MZ");  // only the product's names
    EXPECT_TRUE(Decide("C:\\Tools\\Half").grant);

    os.AddFile("C:\\Tools\\Other\\notes.txt", "");
    os.AddDirectory("C:\\Tools\\Other\\tessen.exe");  // a folder of that name is not ours
    const GrantVerdict other = Decide("C:\\Tools\\Other");
    EXPECT_FALSE(other.grant);
    EXPECT_EQ(other.reason, "holds notes.txt and is no installation of the product");
    EXPECT_TRUE(os.held_folders.empty() && os.compared_folders.empty());
}

// A folder of others' programs that the product was first installed into stays closed at
// every update, though it then holds the product's programs as well.
TEST_F(TargetGrant, AFolderKeptForOthersContentStaysKeptAtUpdates) {
    os.AddFile("C:\\Tools\\notes.txt", "");
    const GrantVerdict first = Decide("C:\\Tools\\");
    ASSERT_FALSE(first.grant);
    EXPECT_TRUE(first.others_content);
    RememberKeptFolder(os, "C:\\Tools\\");
    Ours("C:\\Tools");
    const GrantVerdict update = Decide("C:\\Tools\\");
    EXPECT_FALSE(update.grant);
    EXPECT_EQ(update.reason, "holds notes.txt, kept so since the product was installed there");
    // Another installation with the client's leftovers is opened as before.
    os.AddFile("C:\\Apps\\Sorvane\\tessen.log", "");
    Ours("C:\\Apps\\Sorvane");
    EXPECT_TRUE(Decide("C:\\Apps\\Sorvane\\").grant);
}

TEST_F(TargetGrant, OnlyAFolderOwnedByAdministratorsSystemOrThisAccount) {
    os.AddFile("C:\\Tools\\Sorvane\\tessen.exe", "MZ");
    for (const char* owner : {"S-1-5-32-544", "S-1-5-18"}) {
        os.Find("C:\\Tools\\Sorvane")->owner = owner;
        EXPECT_TRUE(Decide("C:\\Tools\\Sorvane").grant) << owner;
    }
    os.Find("C:\\Tools\\Sorvane")->owner = kUserSid;  // made by a user, ours or not inside
    EXPECT_EQ(Decide("C:\\Tools\\Sorvane").reason, std::string("owned by ") + kUserSid);
    os.process_user_sid = kUserSid;  // unless that user runs the setup
    EXPECT_TRUE(Decide("C:\\Tools\\Sorvane").grant);
}

TEST_F(TargetGrant, RootsAreKeptHoweverNamed) {
    for (const char* folder : {"C:", "D:", "\\\\server\\share", "C:\\ProgramData\\Microsoft"})
        Ours(folder);
    for (const char* root : {"C:\\", "D:\\", "\\\\server\\share\\", "\\\\?\\D:\\", "D:\\x\\..",
                             "\\\\?\\UNC\\server\\share", "M:\\"})
        EXPECT_FALSE(Decide(root).grant) << root;
    EXPECT_EQ(Decide("D:\\x\\..").reason, "a drive or share root");
}

TEST_F(TargetGrant, SystemFoldersAreKeptInEverySpelling) {
    Ours("C:\\Program Files (x86)");
    Ours(kStartUp);
    Ours("C:\\Windows\\SysWOW64");
    Ours("C:\\Windows\\Sysnative");  // the real System32
    os.AddShortName("C:\\ProgramData", "C:\\PROGRA~3");
    for (const char* spelling :
         {"C:\\PROGRA~2", "c:/program files (x86)/", "\\\\?\\C:\\Program Files (x86)",
          "\\\\localhost\\C$\\Program Files (x86)", "C:\\Windows\\..\\Program Files (x86)",
          "C:\\Program Files (x86).", "M:\\Windows\\Start Menu\\Programs\\StartUp",
          "\\\\127.0.0.1\\C$\\PROGRA~3\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
          // both views of WoW64: System32 is SysWOW64 here, the real one is Sysnative
          "C:\\Windows\\System32", "C:\\Windows\\SysWOW64", "C:\\Windows\\Sysnative",
          "\\\\localhost\\C$\\Windows\\System32", "C:\\Program Files\\Common Files"})
        EXPECT_FALSE(Decide(spelling).grant) << spelling;
    EXPECT_EQ(Decide("C:\\PROGRA~2").reason,
              "the system folder C:\\Program Files (x86) or one above it");
}

TEST_F(TargetGrant, FoldersAboveASystemFolderAreKeptAndThoseBelowOpened) {
    // Nothing in the environment names the users' folder: the system does, also for SYSTEM.
    for (const char* above :
         {"C:\\Windows", "C:\\ProgramData\\Microsoft", "C:\\Users", "C:\\Windows\\System32\\config",
          "\\\\127.0.0.1\\C$\\ProgramData\\Microsoft"}) {
        Ours(above);
        EXPECT_FALSE(Decide(above).grant) << above;
    }
    EXPECT_EQ(Decide("C:\\Users").reason, "the system folder C:\\Users or one above it");
    // A known folder named through a junction is walked up from where it lies.
    os.AddDirectory("C:\\Data\\Profiles\\Roaming");
    os.AddLink("C:\\Links\\Roaming", "C:\\Data\\Profiles\\Roaming");
    os.environment["LOCALAPPDATA"] = "C:\\Links\\Roaming";
    Ours("C:\\Data\\Profiles");
    EXPECT_FALSE(Decide("C:\\Data\\Profiles").grant);

    os.CreateDirectory("C:\\Windows\\Sysnative\\Sorvane");
    EXPECT_TRUE(Decide("C:\\Windows\\Sysnative\\Sorvane\\").grant);
    EXPECT_TRUE(os.Find("C:\\Windows\\System32\\Sorvane"));  // in the real System32
    EXPECT_FALSE(os.Find("C:\\Windows\\SysWOW64\\Sorvane"));
    os.CreateDirectory("C:\\PROGRA~2\\Sorvane");
    EXPECT_TRUE(Decide("C:\\Program Files (x86)\\Sorvane").grant);
    // Without final paths the names are walked up as written.
    os.has_final_path_name = false;
    EXPECT_FALSE(Decide("C:\\ProgramData\\Microsoft").grant);
}

TEST_F(TargetGrant, WhatCannotBeToldIsKept) {
    os.AddDirectory("C:\\Tools\\A");
    os.AddDirectory("C:\\Tools\\B");
    EXPECT_EQ(DecideTargetGrant(os, 0, "C:\\Tools\\A").reason, "not held");
    const FolderHandle held = os.OpenFolder("C:\\Tools\\A");
    EXPECT_EQ(DecideTargetGrant(os, held, "C:\\Tools\\B").reason,
              "its name leads to another folder");
    os.fail_folder_identity = true;
    EXPECT_EQ(DecideTargetGrant(os, held, "C:\\Tools\\A").reason, "its identity is unknown");
    os.CloseFolder(held);
}

// The model's names: every spelling of a folder has its one identity, as on Windows.
TEST(MemoryOsIdentity, EverySpellingOfAFolderIsOneFolder) {
    MemoryOs os;
    os.AddDirectory("C:\\Program Files (x86)\\Sorvane");
    os.AddShortName("C:\\Program Files (x86)", "C:\\PROGRA~2");
    os.AddDriveAlias("S:", "C:\\Program Files (x86)");
    auto identity = [&os](const std::string& path) {
        const FolderHandle folder = os.OpenFolderToCompare(path);
        FolderIdentity id;
        const bool known = folder && os.GetFolderIdentity(folder, &id);
        if (folder) os.CloseFolder(folder);
        return known ? id.file : 0;
    };
    const auto id = identity("C:\\Program Files (x86)\\Sorvane");
    for (const char* same :
         {"C:\\PROGRA~2\\SORVANE", "S:\\Sorvane\\", "c:/program files (x86)/sorvane",
          "\\\\?\\C:\\Program Files (x86)\\Sorvane", "C:\\X\\..\\Program Files (x86)\\Sorvane. ",
          "\\\\localhost\\C$\\Program Files (x86)\\Sorvane"})
        EXPECT_EQ(identity(same), id) << same;
    // A name handed on as it is stays as written; a folder made anew is another folder.
    EXPECT_EQ(identity("\\\\?\\C:\\X\\..\\Program Files (x86)\\Sorvane"), 0u);
    EXPECT_EQ(identity("\\\\?\\C:/Program Files (x86)/Sorvane"), 0u);
    os.RemoveDirectory("C:\\Program Files (x86)\\Sorvane");
    os.AddDirectory("C:\\Program Files (x86)\\Sorvane");
    EXPECT_NE(identity("C:\\Program Files (x86)\\Sorvane"), id);
}

}  // namespace
}  // namespace sorvane::test
