#include "payloads/uninstall/uninstall_command.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace sorvane::payloads
