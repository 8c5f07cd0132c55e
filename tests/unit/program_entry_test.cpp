#include <gtest/gtest.h>

#include "platform/setup_error.h"
#include "support/wizard_fixture.h"

namespace sorvane::test {
namespace {

class ProgramEntry : public ::testing::Test, public WizardFixture {
  protected:
    void SetUp() override {
        RecordSteps();
        AddPayloads();
    }
    int Run(const std::string& arguments) {
        os.command_line = "\"C:\\Downloads\\sorvane_setup.exe\" " + arguments;
        ErrorReporter reporter(os);
        ui::SetErrorSink([&reporter](std::exception_ptr e) { reporter.Report(e); });
        const int code = RunProgram(os, session, reporter, [this](SetupSession&) {
            auto f = std::make_unique<TqnInstaller>(os, session, steps);
            f->native = 0x4242;
            created = f.get();
            return f;
        });
        ui::SetErrorSink(nullptr);
        reported = reporter.reported();
        return code;
    }
    TqnInstaller* created = nullptr;
    int reported = 0;
};

TEST_F(ProgramEntry, SilentInstallEndsByItselfWithZero) {
    EXPECT_EQ(Run("-silent 1 \"C:\\Program Files\\Sorvane\""), 0);
    EXPECT_TRUE(session.Silent);
    EXPECT_EQ(session.InstallDir, "C:\\Program Files\\Sorvane\\");
    EXPECT_TRUE(os.FileExists("C:\\Program Files\\Sorvane\\datax\\kayit.dat"));
    EXPECT_TRUE(os.boxes.empty());
    EXPECT_FALSE(created->visible());  // never shown
    EXPECT_FALSE(os.loop_gave_up);
    // COM is up for the whole run and down at the end.
    EXPECT_EQ(os.calls.front(), "CoInitialize");
    EXPECT_EQ(os.calls.back(), "CoUninitialize");
    EXPECT_EQ(os.com_depth, 0);
}

TEST_F(ProgramEntry, BothSilentFlagsBehaveTheSame) {
    EXPECT_EQ(Run("-silent 0 C:\\A"), 0);
    const auto files_a = os.ListFiles();
    os = MemoryOs{};
    AddPayloads();
    EXPECT_EQ(Run("-silent 1 C:\\A"), 0);
    EXPECT_EQ(os.ListFiles(), files_a);
}

TEST_F(ProgramEntry, SilentRunThatAnErrorEndsGivesOne) {
    os.AddFile("C:\\A\\datax", "blocks the settings folder");
    EXPECT_EQ(Run("-silent 1 C:\\A"), 1);
    EXPECT_EQ(reported, 1);
    EXPECT_TRUE(os.boxes.empty());  // silent: no error box
    EXPECT_TRUE(os.quit_posted);
}

TEST_F(ProgramEntry, SilentRunEndsAlsoWhenTheFormsCreationFails) {
    steps.SetCompatibilityLayer = [] { throw SetupError("registry write failed"); };
    EXPECT_EQ(Run("-silent 1 C:\\A"), 1);
    EXPECT_TRUE(os.quit_posted);
    EXPECT_FALSE(os.loop_gave_up);  // no silent setup may wait forever
    EXPECT_FALSE(os.FileExists("C:\\A\\tessen.exe"));
}

TEST_F(ProgramEntry, InteractiveErrorShowsTheBoxAndTheLoopGoesOn) {
    steps.SetCompatibilityLayer = [] { throw SetupError("registry write failed"); };
    os.box_answers = {kIdOk, kIdYes};
    std::string shown;  // what the user sees of the window after the error
    os.on_pump = [&](int pump) {
        if (pump != 3) return;
        shown = std::string(created->visible() ? "shown " : "hidden ") + created->text() + " | " +
                created->Panel1.text() + " | " + created->Button2.text();
        created->Button1.Click();  // the user leaves after the error
    };
    EXPECT_EQ(Run(""), 0);
    ASSERT_EQ(os.boxes.size(), 2u);
    EXPECT_EQ(os.boxes[0].text, "registry write failed");
    EXPECT_EQ(os.boxes[0].caption, "Error");
    EXPECT_EQ(os.boxes[0].style, kMbOk | kMbIconError);
    // The creation went on after the error: caption, texts and the question are there.
    EXPECT_EQ(shown, "shown Sorvane Installation | Version v2.2.08 | İleri >");
    EXPECT_EQ(os.boxes[1].text, "Kurulum sihirbazından çıkmak istediğinize emin misiniz?");
}

TEST_F(ProgramEntry, ErrorInAClickIsReportedAndTheWizardLivesOn) {
    os.on_pump = [this](int pump) {
        if (pump == 1) {
            created->Button2.on_click = [](ui::Control&) { throw std::runtime_error("boom"); };
            ui::InvokeGuarded([this] { created->Button2.Click(); });
        }
        if (pump == 2) {
            os.box_answers.push_back(kIdYes);
            created->Button1.Click();
        }
    };
    EXPECT_EQ(Run(""), 0);
    ASSERT_EQ(os.boxes.size(), 2u);
    EXPECT_EQ(os.boxes[0].text, "boom");
    EXPECT_EQ(os.pumps, 2);
}

TEST_F(ProgramEntry, ArgumentsThatMissTheRuleGiveTheWizard) {
    for (const char* args :
         {"-silent 2 C:\\A", "-SILENT 1 C:\\A", "-silent 1", "-silent 1 \"\"", ""}) {
        session = SetupSession{};
        os = MemoryOs{};
        os.box_answers = {kIdYes};
        os.on_pump = [this](int) { created->Button1.Click(); };
        EXPECT_EQ(Run(args), 0) << args;
        EXPECT_FALSE(session.Silent) << args;
        EXPECT_TRUE(created->visible()) << args;
        EXPECT_TRUE(os.boxes.size() == 1 && os.boxes[0].style == (kMbYesNo | kMbIconWarning))
            << args;
        EXPECT_FALSE(os.FileExists("C:\\A\\datax\\kayit.dat")) << args;
    }
}

TEST_F(ProgramEntry, SecondWizardIsRefusedButASilentRunIsNot) {
    os.AddWindow(kWizardWindowClass);
    EXPECT_EQ(Run(""), 0);
    ASSERT_EQ(os.boxes.size(), 1u);
    EXPECT_EQ(os.boxes[0].text, "Setup Wizard is already running.");
    EXPECT_EQ(os.boxes[0].caption, "Error");
    EXPECT_EQ(os.boxes[0].style, 0x30u);
    EXPECT_EQ(os.boxes[0].owner, 0u);
    EXPECT_EQ(created, nullptr);
    EXPECT_EQ(os.com_depth, 0);

    os.boxes.clear();
    EXPECT_EQ(Run("-silent 1 C:\\A"), 0);
    EXPECT_TRUE(os.boxes.empty());
    EXPECT_TRUE(os.FileExists("C:\\A\\datax\\kayit.dat"));
}

TEST_F(ProgramEntry, ClientIsAskedToCloseBeforeTheCommandLineIsRead) {
    const WindowHandle client = os.AddWindow(kClientWindowClass);
    os.on_sleep = [&] { os.RemoveWindow(client); };
    EXPECT_EQ(Run("-silent 1 C:\\A"), 0);
    ASSERT_EQ(os.posted.size(), 1u);
    EXPECT_EQ(os.posted[0].window, client);
    EXPECT_EQ(os.posted[0].message, 1136u);
    EXPECT_EQ(os.posted[0].wparam, 0u);
    EXPECT_EQ(os.posted[0].lparam, 0);
}

TEST_F(ProgramEntry, FinishButtonStartsTheClientWithOneElevatedRetry) {
    os.box_answers = {};
    os.shell_results = {5, 2};  // refused, then the elevated start fails too
    os.on_pump = [this](int pump) {
        if (pump == 1) {
            session.InstallDir = "C:\\A\\";
            created->RunInstallation();
            created->CloseWizard(true);  // what the finish button does
        }
    };
    EXPECT_EQ(Run(""), 0);
    ASSERT_EQ(os.shell_calls.size(), 2u);
    EXPECT_EQ(os.shell_calls[0].verb, "");
    EXPECT_EQ(os.shell_calls[0].file, "C:\\A\\tessen.exe");
    EXPECT_EQ(os.shell_calls[0].show, 1);
    EXPECT_EQ(os.shell_calls[1].verb, "runas");
    EXPECT_FALSE(created->close_query_installed());
}

TEST_F(ProgramEntry, ExitQuestionDuringTheRunWaitsForTheRunToEnd) {
    // Yes during the run asks for the end; the run still reaches the finish page.
    os.box_answers = {kIdYes};
    os.on_pump = [this](int pump) {
        if (pump == 1) {
            session.InstallDir = "C:\\A\\";
            created->RunInstallation();
        }
        if (pump == 3 && !os.quit_posted) created->Button1.Click();
    };
    EXPECT_EQ(Run(""), 0);
    EXPECT_TRUE(created->finish_shown());
    EXPECT_TRUE(os.shell_calls.empty());  // no client started after the question
}

// --- the wait for a running client

class ClientWaitTest : public ::testing::Test {
  protected:
    MemoryOs os;
};

TEST_F(ClientWaitTest, NoClientNoWait) {
    EXPECT_EQ(CloseRunningClient(os), ClientWait::NoClient);
    EXPECT_TRUE(os.posted.empty());
    EXPECT_EQ(os.pumps, 0);
}

TEST_F(ClientWaitTest, ClientThatClosesAfterAWhile) {
    const WindowHandle client = os.AddWindow(kClientWindowClass);
    int sleeps = 0;
    os.on_sleep = [&] {
        if (++sleeps == 50) os.RemoveWindow(client);
    };
    EXPECT_EQ(CloseRunningClient(os), ClientWait::Closed);
    EXPECT_EQ(sleeps, 50);  // goes on at the first look after the window went
    EXPECT_EQ(os.pumps, 50);
    EXPECT_EQ(os.posted.size(), 1u);
}

TEST_F(ClientWaitTest, SecondClientWindowGetsNoSecondRequest) {
    const WindowHandle first = os.AddWindow(kClientWindowClass);
    int sleeps = 0;
    WindowHandle second = 0;
    os.on_sleep = [&] {
        ++sleeps;
        if (sleeps == 5) {
            os.RemoveWindow(first);
            second = os.AddWindow(kClientWindowClass);
        }
        if (sleeps == 10) os.RemoveWindow(second);
    };
    EXPECT_EQ(CloseRunningClient(os), ClientWait::Closed);
    EXPECT_EQ(os.posted.size(), 1u);
    EXPECT_EQ(sleeps, 10);
}

TEST_F(ClientWaitTest, ClientThatNeverClosesIsWaitedForUpToTheBound) {
    os.AddWindow(kClientWindowClass);
    os.tick_count = 0xFFFFF000u;  // across the counter's wrap
    EXPECT_EQ(CloseRunningClient(os), ClientWait::TimedOut);
    EXPECT_EQ(os.tick_count - 0xFFFFF000u, kClientWaitLimitMs);
    EXPECT_EQ(os.posted.size(), 1u);
}

TEST_F(ClientWaitTest, SetupGoesOnAfterTheBound) {
    WizardFixture w;
    w.AddPayloads();
    w.os.AddWindow(kClientWindowClass);
    w.os.command_line = "s.exe -silent 1 C:\\A";
    ErrorReporter reporter(w.os);
    const int code = RunProgram(w.os, w.session, reporter, [&](SetupSession&) {
        return std::make_unique<TqnInstaller>(w.os, w.session, w.steps);
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(w.os.FileExists("C:\\A\\tessen.exe"));
}

// --- the reporter

TEST(ErrorReporterTest, NamesTheErrorInTheBox) {
    EXPECT_EQ(ErrorReporter::Describe(std::make_exception_ptr(SetupError("Unable to write to X"))),
              "Unable to write to X");
    EXPECT_EQ(ErrorReporter::Describe(std::make_exception_ptr(std::bad_alloc())), "Out of memory.");
    EXPECT_EQ(ErrorReporter::Describe(std::make_exception_ptr(42)), "Unknown error.");
}

}  // namespace
}  // namespace sorvane::test
