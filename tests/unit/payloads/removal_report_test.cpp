#include "payloads/uninstall/removal_report.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvane::payloads {
namespace {

std::string Line(const RemovalStep& step, Removal outcome, const std::wstring& moved_to = L"",
                 bool skipped = false) {
    StepResult result;
    result.outcome = outcome;
    result.moved_to = moved_to;
    result.skipped = skipped;
    const StepReport r = DescribeStep(step, result);
    return std::string(r.outcome) + "|" + r.step + "|" +
           std::string(r.object.begin(), r.object.end());
}

// The log says what waits for the restart and where it went, and what an incomplete
// removal kept.
TEST(RemovalReport, TellsWhatWaitsForTheRestart) {
    const RemovalStep dll{StepKind::File, L"C:\\S\\plugin\\_pellin.dll"};
    EXPECT_EQ(Line(dll, Removal::Gone), "ok|file|C:\\S\\plugin\\_pellin.dll");
    EXPECT_EQ(Line(dll, Removal::AtRestart, L"C:\\S\\plugin\\~sorvane-7-1.del"),
              "later|file|C:\\S\\plugin\\_pellin.dll (in use: set aside as "
              "C:\\S\\plugin\\~sorvane-7-1.del, deleted at the next restart)");
    EXPECT_EQ(Line({StepKind::FolderIfEmpty, L"C:\\S\\plugin"}, Removal::AtRestart),
              "later|folder|C:\\S\\plugin (deleted at the next restart, after what waits in it)");
    EXPECT_EQ(Line({StepKind::OwnImage, L"C:\\S\\Uninstall.exe"}, Removal::Failed, L"", true),
              "kept|uninstaller|C:\\S\\Uninstall.exe (the removal is incomplete)");
    EXPECT_EQ(Line({StepKind::OwnImage, L"C:\\S\\Uninstall.exe"}, Removal::Failed),
              "FAILED|uninstaller|C:\\S\\Uninstall.exe");
    const RemovalStep run{StepKind::RegistryValue, L"Software\\Run", RegistryRoot::CurrentUser,
                          L"tessen"};
    EXPECT_EQ(Line(run, Removal::Gone), "ok|registry value|HKCU\\Software\\Run [tessen]");
    EXPECT_EQ(Line({StepKind::RegistryKeyIfEmpty, L"Software\\OrvikSoft"}, Removal::Kept),
              "kept|registry key|HKLM\\Software\\OrvikSoft (something else is in it)");
}

}  // namespace
}  // namespace sorvane::payloads
