#include "payloads/marrow/helper_command.h"

#include <gtest/gtest.h>

namespace sorvane::payloads {
namespace {

using E = HelperCommandError;

TEST(HelperCommand, RegistersWithOrWithoutAsking) {
    const HelperCommand ask =
        ParseHelperCommand(L"1234 C:\\PROGRA~1\\SORVANE\\plugin\\_pellin.dll I");
    ASSERT_TRUE(ask.ok());
    EXPECT_EQ(ask.action, HelperAction::Install);
    EXPECT_FALSE(ask.silent);
    EXPECT_EQ(ask.owner_window, 1234u);
    EXPECT_EQ(ask.provider_path, L"C:\\PROGRA~1\\SORVANE\\plugin\\_pellin.dll");

    const HelperCommand silent = ParseHelperCommand(L"0 C:\\S\\p.dll IY");
    ASSERT_TRUE(silent.ok());
    EXPECT_TRUE(silent.silent);
    EXPECT_EQ(silent.owner_window, 0u);
}

TEST(HelperCommand, RemovesWithOrWithoutPath) {
    const HelperCommand with_path = ParseHelperCommand(L"77 C:\\S\\p.dll U");
    ASSERT_TRUE(with_path.ok());
    EXPECT_EQ(with_path.action, HelperAction::Uninstall);
    EXPECT_FALSE(with_path.silent);

    const HelperCommand empty_path = ParseHelperCommand(L"77  UY");
    ASSERT_TRUE(empty_path.ok());
    EXPECT_EQ(empty_path.action, HelperAction::Uninstall);
    EXPECT_TRUE(empty_path.silent);
    EXPECT_TRUE(empty_path.provider_path.empty());
}

TEST(HelperCommand, RegisteringNeedsAPath) {
    EXPECT_EQ(ParseHelperCommand(L"0  IY").error, E::MissingPath);
    EXPECT_EQ(ParseHelperCommand(L"0 \"\" I").error, E::MissingPath);
}

TEST(HelperCommand, LettersHaveNoCaseButMustBeKnown) {
    EXPECT_TRUE(ParseHelperCommand(L"0 p.dll iy").ok());
    for (const wchar_t* letters : {L"X", L"Y", L"IU", L"IYY", L"YI", L"UU", L"I Y"}) {
        const HelperCommand cmd = ParseHelperCommand(std::wstring(L"0 p.dll ") + letters);
        EXPECT_FALSE(cmd.ok()) << letters;
    }
    EXPECT_EQ(ParseHelperCommand(L"0 p.dll X").error, E::BadLetters);
}

TEST(HelperCommand, HandleMustBeANumberThatFitsAWindowHandle) {
    for (const wchar_t* handle :
         {L"abc", L"12a", L"0x10", L"+5", L"-", L"99999999999", L"4294967296"}) {
        EXPECT_EQ(ParseHelperCommand(std::wstring(handle) + L" p.dll IY").error, E::BadHandle)
            << handle;
    }
    EXPECT_EQ(ParseHelperCommand(L"4294967295 p.dll IY").owner_window, 0xFFFFFFFFu);
    EXPECT_EQ(ParseHelperCommand(L"-2 p.dll IY").owner_window, 0xFFFFFFFEu);
}

TEST(HelperCommand, NeedsExactlyThreeFields) {
    for (const wchar_t* tail : {L"", L"0", L"0 IY", L"0 a b IY", L"0   IY", L"0 \"p.dll IY"}) {
        EXPECT_EQ(ParseHelperCommand(tail).error, E::FieldCount) << tail;
    }
}

TEST(HelperCommand, BadLinesStillTellWhetherToStaySilent) {
    // A silent install must not be held up by an error box.
    EXPECT_TRUE(ParseHelperCommand(L"0 a b IY").silent);
    EXPECT_TRUE(ParseHelperCommand(L"abc p.dll IY").silent);
    EXPECT_TRUE(ParseHelperCommand(L"0  IY").silent);
    EXPECT_TRUE(ParseHelperCommand(L"0 p.dll XY ").silent);
    EXPECT_TRUE(ParseHelperCommand(L"0 p.dll IY extra").silent);
    EXPECT_TRUE(ParseHelperCommand(L"0 \"p.dll IY").silent);
    EXPECT_FALSE(ParseHelperCommand(L"0 C:\\y\\YY.dll I").silent);
    EXPECT_FALSE(ParseHelperCommand(L"Y").silent);
    EXPECT_FALSE(ParseHelperCommand(L"0 a b I").silent);
    EXPECT_FALSE(ParseHelperCommand(L"").silent);
}

TEST(HelperCommand, QuotedPathMayHoldBlanks) {
    const HelperCommand cmd = ParseHelperCommand(L"0 \"C:\\Program Files\\S\\p.dll\" IY");
    ASSERT_TRUE(cmd.ok());
    EXPECT_EQ(cmd.provider_path, L"C:\\Program Files\\S\\p.dll");
}

}  // namespace
}  // namespace sorvane::payloads
