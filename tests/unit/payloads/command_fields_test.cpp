#include "payloads/common/command_fields.h"

#include <gtest/gtest.h>

namespace sorvane::payloads {
namespace {

using Fields = std::vector<std::wstring>;

TEST(CommandTail, SkipsTheProgramName) {
    EXPECT_EQ(CommandTail(L"\"C:\\Program Files\\S\\_marrow.exe\" 12 C:\\P\\x.dll IY"),
              L"12 C:\\P\\x.dll IY");
    EXPECT_EQ(CommandTail(L"C:\\S\\Uninstall.exe -uninstall -f"), L"-uninstall -f");
    EXPECT_EQ(CommandTail(L"_marrow.exe \t 0  U"), L"0  U");
    EXPECT_EQ(CommandTail(L"\"C:\\a b\\x.exe\""), L"");
    EXPECT_EQ(CommandTail(L"x.exe"), L"");
    EXPECT_EQ(CommandTail(L""), L"");
    EXPECT_EQ(CommandTail(L"\"unclosed program name 0 U"), L"");
}

TEST(SplitFields, TwoBlanksGiveAnEmptyField) {
    Fields f;
    ASSERT_TRUE(SplitFields(L"123  IY", &f));
    EXPECT_EQ(f, (Fields{L"123", L"", L"IY"}));
    ASSERT_TRUE(SplitFields(L"a\tb", &f));
    EXPECT_EQ(f, (Fields{L"a", L"b"}));
}

TEST(SplitFields, IgnoresBlanksAtTheEnds) {
    Fields f;
    ASSERT_TRUE(SplitFields(L"  a b \r\n", &f));
    EXPECT_EQ(f, (Fields{L"a", L"b"}));
    ASSERT_TRUE(SplitFields(L"   ", &f));
    EXPECT_TRUE(f.empty());
}

TEST(SplitFields, QuotedFieldsKeepBlanks) {
    Fields f;
    ASSERT_TRUE(SplitFields(L"0 \"C:\\Program Files\\S\\p.dll\" UY", &f));
    EXPECT_EQ(f, (Fields{L"0", L"C:\\Program Files\\S\\p.dll", L"UY"}));
    ASSERT_TRUE(SplitFields(L"0 \"\" UY", &f));
    EXPECT_EQ(f, (Fields{L"0", L"", L"UY"}));
}

TEST(SplitFields, RefusesBrokenQuotes) {
    Fields f{L"stale"};
    EXPECT_FALSE(SplitFields(L"0 \"C:\\x UY", &f));
    EXPECT_TRUE(f.empty());
    EXPECT_FALSE(SplitFields(L"0 \"C:\\x\"y UY", &f));
}

}  // namespace
}  // namespace sorvane::payloads
