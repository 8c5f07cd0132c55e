#include <gtest/gtest.h>

#include <algorithm>

#include "install/payload.h"
#include "install/run_log.h"
#include "support/wizard_fixture.h"

namespace sorvane::test {
namespace {

constexpr const char* kLog = "C:\\Windows\\Temp\\Sorvane Setup.log";

class RunLogTest : public ::testing::Test, public WizardFixture {
  protected:
    void SetUp() override {
        RecordSteps();
        AddPayloads();
    }
    int Run(const std::string& arguments) {
        os.command_line = "\"C:\\Downloads\\sorvane_setup.exe\" " + arguments;
        form.reset();
        RunLog run_log(os);
        steps.Log = &run_log;
        ErrorReporter reporter(os);
        ui::SetErrorSink([&reporter](std::exception_ptr e) { reporter.Report(e); });
        const int code = RunProgram(
            os, session, reporter,
            [this](SetupSession&) { return std::make_unique<TqnInstaller>(os, session, steps); },
            &run_log);
        ui::SetErrorSink(nullptr);
        steps.Log = nullptr;
        EXPECT_EQ(os.open_files(), 0);
        return code;
    }
    bool Has(const std::string& text) { return os.Content(kLog).find(text) != std::string::npos; }
};

TEST_F(RunLogTest, SilentRunLogsHeaderEveryFileAndTheExitCode) {
    os.local_date = {2026, 3, 7, 9, 5, 41};
    ASSERT_EQ(Run("-silent 1 C:\\A"), 0);
    const std::string log = os.Content(kLog);
    EXPECT_EQ(log.rfind("==== Sorvane Setup 2.2.0.0, 2026-03-07 09:05:41 ====\r\n"
                        "command line: \"C:\\Downloads\\sorvane_setup.exe\" -silent 1 C:\\A\r\n"
                        "mode: silent\r\n",
                        0),
              0u)
        << log;
    for (const char* name : PayloadTable)
        EXPECT_TRUE(Has(std::string("ok     file: C:\\A\\") + name));
    EXPECT_TRUE(Has("ok     settings file: C:\\A\\datax\\kayit.dat\r\n"));
    EXPECT_EQ(log.substr(log.size() - 13), "exit code 0\r\n");
}

TEST_F(RunLogTest, FailuresNameTheStepAndTheSystemsCode) {
    os.AddFile("C:\\A\\harlock.exe", "old");
    os.Find("C:\\A\\harlock.exe")->locked = true;
    ASSERT_EQ(Run("-silent 1 C:\\A"), 1);
    EXPECT_TRUE(Has("ok     file: C:\\A\\Uninstall.exe\r\n"));
    EXPECT_TRUE(
        Has("FAILED file: C:\\A\\harlock.exe (Windows error 32)\r\n"
            "error: Unable to write to C:\\A\\harlock.exe\r\n"
            "exit code 1\r\n"));

    os.Find("C:\\A\\harlock.exe")->locked = false;
    os.AddFile("C:\\A\\datax", "blocks the settings folder");
    ASSERT_EQ(Run("-silent 1 C:\\A"), 1);
    EXPECT_TRUE(Has("ok     installed files: C:\\A\\\r\n"));
    EXPECT_TRUE(
        Has("FAILED settings file: C:\\A\\datax\\kayit.dat (Windows error 267)\r\n"
            "error: Unable to write to C:\\A\\datax\\kayit.dat\r\n"
            "exit code 1\r\n"));
    EXPECT_FALSE(Has("shortcut"));
}

// A file that a user placed, or any way round to another file, is never written: the
// run goes on as it would without a log.
TEST_F(RunLogTest, UntrustedLogFileIsLeftAloneAndTheRunGoesOn) {
    const auto cases = std::vector<std::function<void()>>{
        [this] { os.file_natures[kLog].link = true; },
        [this] { os.file_natures[kLog].links = 2; },
        [this] { os.file_natures[kLog].owner = FileOwner::Other; },
        [this] { os.file_natures[kLog].final_path = "C:\\Windows\\win.ini"; },
        [this] { os.Find(kLog)->read_only = true; },
        [this] { os.fail_file_facts = true; },
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        os = MemoryOs{};
        AddPayloads();
        os.AddFile(kLog, "placed");
        cases[i]();
        EXPECT_EQ(Run("-silent 1 C:\\A"), 0) << i;
        EXPECT_EQ(os.Content(kLog), "placed") << i;
        EXPECT_TRUE(os.FileExists("C:\\A\\Uninstall.exe")) << i;
    }
    // The long form of a temporary folder given in 8.3 form is where the log lies.
    os = MemoryOs{};
    AddPayloads();
    os.AddDirectory("C:\\Users\\Administrator\\Temp");
    os.AddShortName("C:\\Users\\Administrator", "C:\\Users\\ADMINI~1");
    os.temp_path = "C:\\Users\\ADMINI~1\\Temp\\";
    EXPECT_EQ(Run("-silent 1 C:\\A"), 0);
    EXPECT_NE(os.Content("C:\\Users\\Administrator\\Temp\\Sorvane Setup.log").find("exit code 0"),
              std::string::npos);
}

// What the run opened to everyone, and what it kept as it was and why.
TEST_F(RunLogTest, AccessRightsNameWhatWasGrantedAndWhatWasKept) {
    auto granted = [this](const std::string& folder) {
        log.clear();
        EXPECT_EQ(Run("-silent 1 " + folder), 0);
        const auto grant = std::find_if(log.begin(), log.end(), [](const std::string& step) {
            return step.rfind("GrantFolderAccess", 0) == 0;
        });
        return grant == log.end() ? std::string("none") : *grant;
    };
    os.AddFile("C:\\A\\tessen.exe", "MZ");
    os.AddFile("C:\\A\\tessen.log", "the client's");  // an update opens it all the same
    EXPECT_EQ(granted("C:\\A"), "GrantFolderAccess C:\\ProgramData\\Sorvane\\ C:\\A\\");
    EXPECT_TRUE(Has("done   access rights: C:\\ProgramData\\Sorvane\\ C:\\A\\\r\n"));
    os.AddFile("C:\\B\\notes.txt", "");
    EXPECT_EQ(granted("C:\\B"), "GrantFolderAccess C:\\ProgramData\\Sorvane\\ ");
    EXPECT_TRUE(
        Has("kept   access rights: C:\\B\\ (holds notes.txt and is no installation of the "
            "product)\r\ndone   access rights: C:\\ProgramData\\Sorvane\\\r\n"));
    // With the data in the kept folder too, nothing is granted.
    os.major_version = 4;
    os.AddFile("C:\\C\\notes.txt", "");
    EXPECT_EQ(granted("C:\\C"), "none");
    EXPECT_TRUE(Has("kept   access rights: C:\\C\\ (holds notes.txt"));
    EXPECT_EQ(os.Content(kLog).find("done   access rights: C:\\C"), std::string::npos);
}

TEST_F(RunLogTest, StaysWithinItsBounds) {
    // An old log of many blocks is cut to its newest whole blocks in the last 512 KiB.
    std::string old;
    for (int i = 0; old.size() <= kRunLogTrimAt; ++i)
        old += "==== run " + std::to_string(i) + "\r\n" + std::string(1000, 'x') + "\r\n";
    os.AddFile(kLog, old);
    ASSERT_EQ(Run("-silent 1 C:\\A"), 0);
    std::string log = os.Content(kLog);
    EXPECT_LE(log.size(), kRunLogKeep + kRunLogBlockCap);
    const std::string kept = log.substr(0, log.find("==== Sorvane"));
    EXPECT_EQ(kept.rfind("==== run ", 0), 0u);
    EXPECT_GT(kept.size(), kRunLogKeep - 1100);
    EXPECT_EQ(old.substr(old.size() - kept.size()), kept);

    // One run writes at most its cap, its last lines always among it; control characters
    // cannot make lines of their own.
    os = MemoryOs{};
    RunLog run_log(os);
    run_log.Start(true);
    for (int i = 0; i < 100; ++i) run_log.Line("ok", "step", std::string(2000, 'p') + "\n==== x");
    run_log.Finish(1, "the end", 0);
    log = os.Content(kLog);
    EXPECT_LE(log.size(), kRunLogBlockCap);
    EXPECT_EQ(log.find("\n==== x"), std::string::npos);
    EXPECT_NE(log.find("(further lines of this run left out)\r\nerror: the end\r\nexit code 1\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace sorvane::test
