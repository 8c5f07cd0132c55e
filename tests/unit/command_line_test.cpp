#include <gtest/gtest.h>

#include "core/command_line.h"

namespace sorvane {
namespace {

std::vector<std::string> Split(const std::string& line) {
    return SplitCommandLine(line, [](unsigned char c) { return c == 0x81; });
}

TEST(SplitCommandLine, SeparatesOnBlanksAndControlCharacters) {
    EXPECT_EQ(Split("setup.exe  -silent\t1\x01\x1f"
                    "C:\\X"),
              (std::vector<std::string>{"setup.exe", "-silent", "1", "C:\\X"}));
    EXPECT_EQ(Split("   "), std::vector<std::string>{});
}

TEST(SplitCommandLine, QuotesJoinBlanksAndAreDropped) {
    EXPECT_EQ(Split("\"C:\\Downloads\\my setup.exe\" -silent 0 \"C:\\Program Files\\Sorvane\""),
              (std::vector<std::string>{"C:\\Downloads\\my setup.exe", "-silent", "0",
                                        "C:\\Program Files\\Sorvane"}));
    // Quotes may stand inside an argument, and an unclosed one runs to the end.
    EXPECT_EQ(Split("a\"b c\"d \"e f"), (std::vector<std::string>{"ab cd", "e f"}));
}

TEST(SplitCommandLine, BackslashBeforeClosingQuoteStays) {
    // The usual runtime rule would read \" as an escaped quote; this one does not.
    EXPECT_EQ(Split("s.exe -silent 1 \"C:\\My Dir\\\" next"),
              (std::vector<std::string>{"s.exe", "-silent", "1", "C:\\My Dir\\", "next"}));
}

TEST(SplitCommandLine, EmptyQuotedArgumentIsSkippedLikeBlanks) {
    EXPECT_EQ(Split("s.exe -silent 1 \"\""), (std::vector<std::string>{"s.exe", "-silent", "1"}));
    EXPECT_EQ(Split("s.exe \"\" \"\"x"), (std::vector<std::string>{"s.exe", "x"}));
}

TEST(SplitCommandLine, LeadByteKeepsItsTrailByte) {
    // 0x81 is a lead byte here: its trail byte is never a separator or a quote.
    EXPECT_EQ(Split("a\x81\" b"), (std::vector<std::string>{"a\x81\"", "b"}));
    EXPECT_EQ(Split("a\x81 b c"), (std::vector<std::string>{"a\x81 b", "c"}));
}

TEST(SplitCommandLine, StopsAtAZeroByte) {
    EXPECT_EQ(Split(std::string("a b\0c", 5)), (std::vector<std::string>{"a", "b"}));
}

TEST(IsSilentCommandLine, FollowsTheExactRule) {
    auto silent = [](const std::string& line) { return IsSilentCommandLine(Split(line)); };
    EXPECT_TRUE(silent("s.exe -silent 0 C:\\X"));
    EXPECT_TRUE(silent("s.exe -silent 1 C:\\X"));
    EXPECT_TRUE(silent("s.exe -silent 1 C:\\X more and more"));  // the rest is ignored
    EXPECT_FALSE(silent("s.exe -silent 2 C:\\X"));
    EXPECT_FALSE(silent("s.exe -Silent 1 C:\\X"));
    EXPECT_FALSE(silent("s.exe /silent 1 C:\\X"));
    EXPECT_FALSE(silent("s.exe -silent 1"));
    EXPECT_FALSE(silent("s.exe -silent 1 \"\""));
    EXPECT_FALSE(silent("s.exe -silent 01 C:\\X"));
    EXPECT_FALSE(silent("s.exe"));
}

}  // namespace
}  // namespace sorvane
