#include "payloads/uninstall/uninstall_command.h"

#include <gtest/gtest.h>

#include <cwctype>

#include "payloads/common/command_fields.h"

namespace sorvane::payloads {
namespace {

TEST(UninstallCommand, RegistryEntryRemovesWithoutAsking) {
    for (const wchar_t* tail :
         {L"-uninstall -f", L"-f -uninstall", L"/UNINSTALL /F", L"-uninstall  -f "}) {
        const UninstallCommand cmd = ParseUninstallCommand(tail);
        EXPECT_TRUE(cmd.valid) << tail;
        EXPECT_TRUE(cmd.forced) << tail;
    }
}

TEST(UninstallCommand, WithoutForceItAsks) {
    for (const wchar_t* tail : {L"", L"-uninstall", L"-Uninstall"}) {
        const UninstallCommand cmd = ParseUninstallCommand(tail);
        EXPECT_TRUE(cmd.valid) << tail;
        EXPECT_FALSE(cmd.forced) << tail;
    }
}

TEST(UninstallCommand, UnknownWordsAreRefused) {
    for (const wchar_t* tail : {L"-x", L"uninstall", L"-uninstal", L"-ff", L"-uninstall \"-f"}) {
        EXPECT_FALSE(ParseUninstallCommand(tail).valid) << tail;
    }
    // Still silent when asked to be, even though the line is refused.
    const UninstallCommand cmd = ParseUninstallCommand(L"-uninstall -f -q");
    EXPECT_FALSE(cmd.valid);
    EXPECT_TRUE(cmd.forced);
}

// The running program as the system knows it: its long and its short form, in
// any letter case; and the 32-bit product's, in a folder with blanks and a switch.
bool NamesInstalledUninstaller(std::wstring_view path) {
    for (std::wstring_view own :
         {L"C:\\Program Files\\Sorvane\\Uninstall.exe", L"C:\\PROGRA~1\\Sorvane\\UNINST~1.EXE",
          L"C:\\Program Files (x86)\\Sorvane\\Uninstall.exe",
          L"C:\\Net -f Filter\\Uninstall.exe"}) {
        if (path.size() == own.size() &&
            std::equal(path.begin(), path.end(), own.begin(),
                       [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); }))
            return true;
    }
    return false;
}

std::wstring TailOf(std::wstring_view line) {
    return std::wstring(CommandTailAfterProgram(line, NamesInstalledUninstaller));
}

TEST(UninstallCommand, EntryLineInEveryFormTheSystemPassesOn) {
    for (const wchar_t* line : {
             L"C:\\Program Files\\Sorvane\\Uninstall.exe -uninstall -f",
             L"\"C:\\Program Files\\Sorvane\\Uninstall.exe\" -uninstall -f",
             L"C:\\PROGRA~1\\Sorvane\\UNINST~1.EXE -uninstall -f",
             L"  C:\\Program Files\\Sorvane\\Uninstall.exe\t -uninstall  -f ",
             L"c:\\program files\\SORVANE\\uninstall.EXE -uninstall -f",
             L"C:\\Program Files\\Sorvane\\Uninstall -uninstall -f",  // ".exe" added by the system
         }) {
        const UninstallCommand cmd = ParseUninstallCommand(TailOf(line));
        EXPECT_TRUE(cmd.valid) << line;
        EXPECT_TRUE(cmd.forced) << line;
    }
    EXPECT_EQ(TailOf(L"C:\\Program Files\\Sorvane\\Uninstall.exe"), L"");
}

// The line the setup writes now, quoted, and the one earlier versions wrote, unquoted:
// a part of the folder that looks like a switch or a program is still the folder.
TEST(UninstallCommand, QuotedAndUnquotedEntryOfTheProduct) {
    for (const wchar_t* line : {
             L"\"C:\\Program Files (x86)\\Sorvane\\Uninstall.exe\" -uninstall -f",
             L"C:\\Program Files (x86)\\Sorvane\\Uninstall.exe -uninstall -f",
             L"\"C:\\Net -f Filter\\Uninstall.exe\" -uninstall -f",
             L"C:\\Net -f Filter\\Uninstall.exe -uninstall -f",
         })
        EXPECT_EQ(TailOf(line), L"-uninstall -f") << line;
    // Only the quoted name is the program: what follows its quote is the command.
    EXPECT_EQ(TailOf(L"\"C:\\Program Files (x86)\\Sorvane\\Uninstall.exe\" C:\\x -uninstall"),
              L"C:\\x -uninstall");
    EXPECT_FALSE(ParseUninstallCommand(TailOf(L"\"C:\\Net -f Filter\\Uninstall.exe\" -x")).valid);
}

TEST(UninstallCommand, LineNotNamingTheProgramEndsItsNameAtTheFirstBlank) {
    EXPECT_EQ(TailOf(L"Uninstall.exe -uninstall -f"), L"-uninstall -f");
    // The name of a copy elsewhere is not guessed at; the line stays refused, silently.
    const UninstallCommand cmd =
        ParseUninstallCommand(TailOf(L"C:\\Other Place\\Uninstall.exe -uninstall -f"));
    EXPECT_FALSE(cmd.valid);
    EXPECT_TRUE(cmd.forced);
}

}  // namespace
}  // namespace sorvane::payloads
