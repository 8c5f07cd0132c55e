#include <gtest/gtest.h>

#include "install/run_log.h"
#include "install/silent_folder.h"
#include "support/wizard_fixture.h"

namespace sorvane::test {
namespace {

class SilentFolder : public ::testing::Test, public WizardFixture {
  protected:
    void SetUp() override {
        RecordSteps();
        AddPayloads();
    }
    // The whole program, silent, given |arguments| in UTF-8; its exit code.
    int Run(const std::string& arguments) {
        os.unicode_command_line = "\"C:\\Downloads\\sorvane_setup.exe\" " + arguments;
        RunLog run_log(os);
        steps.Log = &run_log;
        ErrorReporter reporter(os);
        return RunProgram(
            os, session, reporter,
            [this](SetupSession&) { return std::make_unique<TqnInstaller>(os, session, steps); },
            &run_log);
    }
    std::string Log() { return os.Content(os.temp_path + kRunLogName); }
};

// An updater may name the folder relative to where it started the setup: the name is
// read there, as the system read it before the setup took the system folder as its
// working folder, and never under the system folder.
TEST_F(SilentFolder, RelativeNameIsReadAgainstTheFolderTheSetupWasStartedFrom) {
    os.AddDirectory("D:\\Work");
    os.environment["=D:"] = "D:\\Work";  // that drive's own working folder
    const std::pair<const char*, const char*> cases[] = {
        {"Sorvane", "C:\\Downloads\\Sorvane"},
        {".\\Apps/Sorvane\\", "C:\\Downloads\\Apps\\Sorvane\\"},
        {"..\\Apps\\Sorvane", "C:\\Apps\\Sorvane"},
        {"\\Tools\\Sorvane", "C:\\Tools\\Sorvane"},
        {"C:Sorvane", "C:\\Downloads\\Sorvane"},
        {"D:Sorvane", "D:\\Work\\Sorvane"},
        {"E:Sorvane", "E:\\Sorvane"},
        {"C:\\Program Files\\..\\Sorvane", "C:\\Sorvane"},
    };
    for (const auto& [given, full] : cases) {
        os.unicode_command_line = std::string("s.exe -silent 1 \"") + given + "\"";
        std::string folder;
        EXPECT_EQ(SilentTargetFolder(os, &folder), 0u) << given;
        EXPECT_EQ(folder, full) << given;
    }
    // A setup started from a share reads a relative name on that share.
    os.start_folder = "\\\\server\\share\\updates";
    os.unicode_command_line = "s.exe -silent 1 \\Sorvane";
    std::string folder;
    EXPECT_EQ(SilentTargetFolder(os, &folder), 0u);
    EXPECT_EQ(folder, "\\\\server\\share\\Sorvane");

    os.start_folder = "C:\\Downloads";
    EXPECT_EQ(Run("-silent 1 Sorvane"), 0);
    EXPECT_EQ(session.InstallDir, "C:\\Downloads\\Sorvane\\");
    EXPECT_TRUE(os.FileExists("C:\\Downloads\\Sorvane\\tessen.exe"));
    EXPECT_FALSE(os.DirectoryExists("C:\\Windows\\system32\\Sorvane"));
}

// The system's best fit would turn a full-width "\" and '"' into a backslash and a
// quote: another folder than the one given.
TEST_F(SilentFolder, NameTheCodePageCannotHoldEndsTheRunBeforeAnythingIsWritten) {
    // What the system gives the ANSI command line: C:\Best\Fit" with a real backslash.
    os.command_line = "s.exe -silent 1 \"C:\\Best\\Fit\"\"";
    EXPECT_EQ(Run("-silent 1 \"C:\\Best\xEF\xBC\xBC"
                  "Fit\xEF\xBC\x82\""),
              1);
    EXPECT_NE(Log().find("FAILED target folder: C:\\Best?Fit? (Windows error 1113)\r\n"),
              std::string::npos)
        << Log();
    EXPECT_NE(Log().find("exit code 1"), std::string::npos);
    EXPECT_FALSE(os.DirectoryExists("C:\\Best"));
    EXPECT_TRUE(log.empty());  // no step of the installation ran
    EXPECT_EQ(os.ListFiles(), std::vector<std::string>{os.temp_path + kRunLogName});

    // The code page's own letters reach the system as they were given.
    form.reset();
    session = SetupSession{};
    os.AddDirectory("D:");
    EXPECT_EQ(Run("-silent 1 \"D:\\Güvenlik Ağı\""), 0);
    EXPECT_EQ(session.InstallDir, "D:\\G\xFCvenlik A\xF0\xFD\\");
}

}  // namespace
}  // namespace sorvane::test
