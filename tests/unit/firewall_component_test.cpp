#include <gtest/gtest.h>

#include "install/run_log.h"
#include "platform/setup_error.h"
#include "provider/firewall_factory.h"
#include "provider/mirelda.h"
#include "support/wizard_fixture.h"

namespace sorvane::test {
namespace {

constexpr Guid kOther = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr WindowHandle kForm = 0x4242;        // 16962
const std::string kFolder = "C:\\Sorvane\\";  // the installation folder

class OvFirewall : public ::testing::Test {
  protected:
    std::unique_ptr<TOvFirewall> Make() {
        return std::make_unique<TOvFirewall>(os, kForm, kFolder);
    }
    std::vector<std::string> Parameters() const {
        std::vector<std::string> p;
        for (const auto& c : os.shell_calls)
            p.push_back(c.verb + "|" + c.file + "|" + c.parameters);
        return p;
    }
    MemoryOs os;
};

TEST_F(OvFirewall, ObsoleteProvidersAreRemovedOnceForTheFirstAndForEveryOfTheSecond) {
    os.catalogue = {{kOther, "a.dll"},
                    {ObsoleteProviderGuid2, "b"},
                    {ObsoleteProviderGuid1, "c"},
                    {ObsoleteProviderGuid2, "b"},
                    {ObsoleteProviderGuid1, "c"},
                    {ObsoleteProviderGuid2, "b"}};
    Make();
    const std::vector<Guid> expected = {ObsoleteProviderGuid1, ObsoleteProviderGuid2,
                                        ObsoleteProviderGuid2, ObsoleteProviderGuid2};
    EXPECT_EQ(os.deinstalled, expected);
    ASSERT_EQ(os.catalogue.size(), 1u);

    // Nothing obsolete, or a catalogue that cannot be read: no removal, and the
    // component is made all the same.
    os.deinstalled.clear();
    Make();
    os.fail_enumeration = true;
    os.catalogue.push_back({ObsoleteProviderGuid2, "b"});
    EXPECT_NE(Make()->WindowHandle(), 0u);
    EXPECT_TRUE(os.deinstalled.empty());
}

TEST_F(OvFirewall, ConstructionAndDestructionInTheirOrder) {
    os.AddFile(kFolder + "plugin\\ostrel.rdk", "new provider");
    os.AddFile(kFolder + "plugin\\_pellin.dll", "old provider");
    auto firewall = Make();
    std::vector<std::string> order;
    for (const auto& c : os.calls)
        if (c.rfind("GetShortPathName", 0) != 0) order.push_back(c);
    const std::vector<std::string> expected = {
        "WSCEnumProtocols",
        "WSCEnumProtocols",
        "WSCEnumProtocols",
        "WSCEnumProtocols",
        "CreateMessageWindow",
        "CopyFile C:\\Sorvane\\plugin\\ostrel.rdk C:\\Sorvane\\plugin\\_pellin.dll",
        "DeleteFile C:\\Sorvane\\plugin\\ostrel.rdk",
        "WSAStartup 257"};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(os.Content(kFolder + "plugin\\_pellin.dll"), "new provider");
    EXPECT_FALSE(os.FileExists(kFolder + "plugin\\ostrel.rdk"));
    EXPECT_EQ(AppFolder, kFolder);
    EXPECT_EQ(firewall->ProviderDllPath(), kFolder + "plugin\\_pellin.dll");

    firewall.reset();
    EXPECT_TRUE(os.message_windows.empty());
    EXPECT_EQ(os.winsock_starts, 0);
    EXPECT_EQ(os.calls.back(), "WSACleanup");

    // A provider DLL in use keeps both files.
    os.AddFile(kFolder + "plugin\\ostrel.rdk", "newer provider");
    os.Find(kFolder + "plugin\\_pellin.dll")->locked = true;
    Make();
    EXPECT_EQ(os.Content(kFolder + "plugin\\_pellin.dll"), "new provider");
    EXPECT_EQ(os.Content(kFolder + "plugin\\ostrel.rdk"), "newer provider");

    // No window, no component.
    os.fail_message_window = true;
    os.calls.clear();
    EXPECT_THROW(Make(), SetupError);
    EXPECT_FALSE(os.Called("WSAStartup"));
}

TEST_F(OvFirewall, LegacyProviderGoesAtRestartOnlyWhenNoEntryNamesIt) {
    os.AddFile(kFolder + "plugin\\pellin.dll", "old");
    os.AddFile(kFolder + "plugin\\_drumlin.dll", "older, still registered");
    os.AddFile(kFolder + "plugin\\_pellin.dll", "current");
    os.environment["SystemRoot"] = "C:\\Windows";
    os.catalogue = {{kOther, "%SystemRoot%\\system32\\_DRUMLIN.dll"}};
    Make();
    EXPECT_EQ(os.at_restart, std::vector<std::string>{kFolder + "plugin\\pellin.dll"});
    EXPECT_TRUE(os.FileExists(kFolder + "plugin\\pellin.dll"));  // in use until then

    os.at_restart.clear();
    os.fail_enumeration = true;  // what cannot be known is kept
    Make();
    EXPECT_TRUE(os.at_restart.empty());
}

TEST_F(OvFirewall, IsInstalledJudgesTheRegisteredFileName) {
    os.environment["SystemRoot"] = "C:\\Windows";
    os.AddFile("C:\\Windows\\system32\\_pellin.dll", "");
    os.AddFile("C:\\X\\PLUGIN\\_PELLIN.DLL", "");
    os.AddFile("D:\\Elsewhere\\_pellin.dll", "");
    os.AddFile("C:\\Other\\foreign.dll", "");
    struct Case {
        const char* registered;  // nullptr: no entry
        bool helper_beside;
        const char* path;  // RegisteredProviderPath
        bool installed;
        const char* started;  // the helper's parameters, or ""
    };
    const Case cases[] = {
        {nullptr, true, "", false, ""},
        {"%SystemRoot%\\system32\\_pellin.dll", true, "C:\\Windows\\system32\\_pellin.dll", true,
         ""},
        {"C:\\X\\PLUGIN\\_PELLIN.DLL", true, "C:\\X\\PLUGIN\\_PELLIN.DLL", true, ""},
        {"D:\\Elsewhere\\_pellin.dll", true, "D:\\Elsewhere\\_pellin.dll", true, ""},
        {"C:\\Gone\\_pellin.dll", true, "", false, "16962 \"\" U"},
        {"C:\\Other\\foreign.dll", true, "C:\\Other\\foreign.dll", false, "16962 \"\" U"},
        {"C:\\Other\\foreign.dll", false, "C:\\Other\\foreign.dll", false, ""},
        {"C:\\Gone\\_pellin.dll", false, "", false, ""},
        {"", true, "", false, ""},  // an entry that names no file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.registered ? c.registered : "no entry");
        os.catalogue.clear();
        if (c.registered) os.catalogue.push_back({ProviderGuid, c.registered});
        if (c.helper_beside)
            os.AddFile(kFolder + "_marrow.exe", "");
        else
            os.DeleteFile(kFolder + "_marrow.exe");
        auto firewall = Make();
        EXPECT_EQ(firewall->RegisteredProviderPath(), c.path);
        os.shell_calls.clear();
        EXPECT_EQ(firewall->IsInstalled(), c.installed);
        // Started once at most: a missing file is not asked about twice.
        ASSERT_EQ(os.shell_calls.size(), std::string(c.started).empty() ? 0u : 1u);
        if (!os.shell_calls.empty()) {
            EXPECT_EQ(os.shell_calls[0].file, kFolder + "_marrow.exe");
            EXPECT_EQ(os.shell_calls[0].parameters, c.started);
        }
    }
}

TEST_F(OvFirewall, HelperCommandLinesQuoteTheProviderPath) {
    os.AddShortName("C:\\Program Files", "C:\\PROGRA~1");
    const std::string dir = "C:\\Program Files\\Sorvane\\";
    const std::string plain = "D:\\Sorvane Kur\\";  // a volume without 8.3 names
    for (const std::string& d : {dir, plain, kFolder}) {
        os.AddFile(d + "_marrow.exe", "");
        os.AddFile(d + "plugin\\_pellin.dll", "");
    }
    auto firewall = Make();
    EXPECT_TRUE(
        firewall->InstallThroughHelper(dir + "_marrow.exe", dir + "plugin\\_pellin.dll", false));
    EXPECT_TRUE(
        firewall->InstallThroughHelper(plain + "_marrow.exe", plain + "plugin\\_pellin.dll", true));
    // The provider path given last is the one the uninstall command names.
    EXPECT_TRUE(firewall->UninstallThroughHelper());
    // A provider file that does not exist leaves its field empty.
    EXPECT_TRUE(firewall->InstallThroughHelper(dir + "_marrow.exe", dir + "gone.dll", true));
    const std::vector<std::string> expected = {
        "|C:\\PROGRA~1\\Sorvane\\_marrow.exe|16962 \"C:\\PROGRA~1\\Sorvane\\plugin\\_pellin.dll\" "
        "I",
        "|D:\\Sorvane Kur\\_marrow.exe|16962 \"D:\\Sorvane Kur\\plugin\\_pellin.dll\" IY",
        "|C:\\Sorvane\\_marrow.exe|16962 \"D:\\Sorvane Kur\\plugin\\_pellin.dll\" U",
        "|C:\\PROGRA~1\\Sorvane\\_marrow.exe|16962 \"\" IY",
    };
    EXPECT_EQ(Parameters(), expected);
    for (const auto& c : os.shell_calls) EXPECT_EQ(c.show, 1);

    // No helper file: nothing is started.
    os.shell_calls.clear();
    EXPECT_FALSE(firewall->InstallThroughHelper("C:\\None\\_marrow.exe", "", true));
    os.DeleteFile(kFolder + "_marrow.exe");
    os.AddFile("C:\\Downloads\\_marrow.exe", "");  // beside the setup: never started
    EXPECT_FALSE(firewall->InstallThroughHelper("", "", true));
    EXPECT_FALSE(firewall->UninstallThroughHelper());
    EXPECT_TRUE(os.shell_calls.empty());
}

TEST_F(OvFirewall, StartHelperRetriesOnceWithElevationWhenRefused) {
    auto firewall = Make();
    struct Case {
        std::deque<std::intptr_t> results;
        bool started;
        std::vector<std::string> verbs;
    };
    const Case cases[] = {
        {{42}, true, {""}},
        {{5, 42}, true, {"", "runas"}},
        {{5, 5}, false, {"", "runas"}},  // elevation declined or refused again
        {{2}, false, {""}},
    };
    os.AddFile("C:\\h.exe", "");
    for (const Case& c : cases) {
        os.shell_calls.clear();
        os.shell_results = c.results;
        EXPECT_EQ(firewall->StartHelper("C:\\h.exe", "1 p I"), c.started);
        std::vector<std::string> verbs;
        for (const auto& s : os.shell_calls) verbs.push_back(s.verb);
        EXPECT_EQ(verbs, c.verbs);
    }
}

// Two helpers at once could undo each other: the removal is waited for, at most its
// bound; one still running then holds up no registration, and says so.
TEST_F(OvFirewall, RegistrationWaitsForTheRemovalHelperAtMostItsBound) {
    os.AddFile(kFolder + "_marrow.exe", "");
    os.AddFile(kFolder + "plugin\\_pellin.dll", "");
    os.AddFile("C:\\Other\\foreign.dll", "");
    os.catalogue = {{ProviderGuid, "C:\\Other\\foreign.dll"}};
    const auto helper_calls = [this] {
        std::vector<std::string> seen;
        for (const auto& c : os.calls)
            if (c.rfind("ShellExecuteProcess", 0) == 0 || c.rfind("WaitForProcess", 0) == 0)
                seen.push_back(c.substr(0, c.find(' ', 20)));
        os.calls.clear();
        return seen;
    };
    const std::vector<std::string> waited = {"ShellExecuteProcess ", "WaitForProcess 120000",
                                             "ShellExecuteProcess "};
    for (int outlasts : {0, 1000}) {  // a removal that ends within the bound, one that does not
        SCOPED_TRACE(outlasts);
        os.process_waits = {outlasts};
        os.shell_calls.clear();
        os.calls.clear();
        {
            auto firewall = Make();
            EXPECT_FALSE(firewall->IsInstalled());
            EXPECT_TRUE(firewall->InstallThroughHelper(kFolder + "_marrow.exe", "", true));
            EXPECT_EQ(firewall->RemovalStillRunning(), outlasts > 0);
        }
        EXPECT_EQ(helper_calls(), waited);
        ASSERT_EQ(os.shell_calls.size(), 2u);
        EXPECT_EQ(os.shell_calls[0].parameters, "16962 \"C:\\Sorvane\\plugin\\_pellin.dll\" U");
        EXPECT_EQ(os.shell_calls[1].parameters.substr(os.shell_calls[1].parameters.size() - 3),
                  " IY");
        for (const auto& [handle, process] : os.processes) EXPECT_FALSE(process.open);
    }
}

// The setup's own folder is wherever it was downloaded to: nothing there is copied,
// started, or set to go.
TEST_F(OvFirewall, NothingBesideTheHostProgramIsUsed) {
    const std::string beside = "C:\\Downloads\\";
    os.AddFile(beside + "plugin\\ostrel.rdk", "planted");
    os.AddFile(beside + "plugin\\_pellin.dll", "theirs");
    os.AddFile(beside + "plugin\\pellin.dll", "theirs too");
    os.AddFile(beside + "_marrow.exe", "planted helper");
    os.AddFile("C:\\Other\\foreign.dll", "");
    os.catalogue = {{ProviderGuid, "C:\\Other\\foreign.dll"}};
    auto firewall = Make();
    EXPECT_FALSE(firewall->IsInstalled());
    EXPECT_FALSE(firewall->InstallThroughHelper("", "", true));
    EXPECT_EQ(os.Content(beside + "plugin\\ostrel.rdk"), "planted");
    EXPECT_EQ(os.Content(beside + "plugin\\_pellin.dll"), "theirs");
    EXPECT_TRUE(os.at_restart.empty());
    EXPECT_TRUE(os.shell_calls.empty());
    EXPECT_EQ(AppFolder, kFolder);
}

TEST_F(OvFirewall, ShortPathThatDoesNotFitLeavesThePathUnchanged) {
    auto firewall = Make();
    const std::string deep = "C:\\" + std::string(120, 'a') + "\\" + std::string(140, 'b') + ".dll";
    os.AddFile(deep, "");
    EXPECT_EQ(firewall->ExistingShortPath(deep), deep);
    EXPECT_EQ(firewall->ExistingShortPath("C:\\missing.dll"), "");
}

TEST_F(OvFirewall, HiddenWindowAnswersItsThreeMessages) {
    auto firewall = Make();
    const WindowHandle w = firewall->WindowHandle();
    EXPECT_EQ(os.SendToMessageWindow(w, 17), 1);     // WM_QUERYENDSESSION
    EXPECT_EQ(os.SendToMessageWindow(w, 74), 1);     // WM_COPYDATA
    EXPECT_EQ(os.SendToMessageWindow(w, 1535), 1);   // traffic notification
    EXPECT_EQ(os.SendToMessageWindow(w, 0x113), 0);  // WM_TIMER
    EXPECT_EQ(os.SendToMessageWindow(w, 2), 0);      // WM_DESTROY
}

// The run with the real component: the helper gets the form's handle, the provider's
// short path and IY, and nothing of the component outlives the step.
TEST(FirewallInTheRun, SilentRunHasTheInstalledHelperRegisterTheProvider) {
    WizardFixture fx;
    fx.AddPayloads();
    fx.steps.CreateFirewall = MakeFirewallFactory(fx.os, fx.session);
    fx.os.AddShortName("C:\\Program Files", "C:\\PROGRA~1");
    fx.os.AddDirectory("C:\\Program Files");
    fx.os.command_line = "s.exe -silent 1 \"C:\\Program Files\\Sorvane\"";
    fx.session.Silent = true;
    fx.Form().FormCreate();
    ASSERT_EQ(fx.os.shell_calls.size(), 1u);
    EXPECT_EQ(fx.os.shell_calls[0].verb, "");
    EXPECT_EQ(fx.os.shell_calls[0].file, "C:\\PROGRA~1\\Sorvane\\_marrow.exe");
    EXPECT_EQ(fx.os.shell_calls[0].parameters,
              "16962 \"C:\\PROGRA~1\\Sorvane\\plugin\\_pellin.dll\" IY");
    EXPECT_TRUE(fx.os.message_windows.empty());
    EXPECT_EQ(fx.os.winsock_starts, 0);
    EXPECT_TRUE(fx.Form().finish_shown());
}

// Under an updater running as SYSTEM nobody can answer the helper: the removal is asked
// silently, and one that never ends holds up neither the registration nor the run.
TEST(FirewallInTheRun, SilentRemovalIsAskedSilentlyAndOneThatNeverEndsIsLogged) {
    WizardFixture fx;
    fx.AddPayloads();
    fx.steps.CreateFirewall = MakeFirewallFactory(fx.os, fx.session);
    RunLog log(fx.os);
    fx.steps.Log = &log;
    fx.os.AddFile("C:\\Other\\foreign.dll", "");
    fx.os.catalogue = {{ProviderGuid, "C:\\Other\\foreign.dll"}};
    fx.os.process_waits = {1000};
    fx.os.command_line = "s.exe -silent 1 C:\\Sorvane";
    ErrorReporter reporter(fx.os);
    const int exit_code = RunProgram(
        fx.os, fx.session, reporter,
        [&fx](SetupSession&) {
            return std::make_unique<TqnInstaller>(fx.os, fx.session, fx.steps);
        },
        &log);
    EXPECT_EQ(exit_code, 0);
    ASSERT_EQ(fx.os.shell_calls.size(), 2u);
    EXPECT_EQ(fx.os.shell_calls[0].parameters.substr(fx.os.shell_calls[0].parameters.find(' ')),
              " \"C:\\Sorvane\\plugin\\_pellin.dll\" UY");
    EXPECT_EQ(fx.os.shell_calls[1].parameters.substr(fx.os.shell_calls[1].parameters.find(' ')),
              " \"C:\\Sorvane\\plugin\\_pellin.dll\" IY");
    const std::string text = fx.os.Content("C:\\Windows\\Temp\\Sorvane Setup.log");
    EXPECT_NE(text.find("FAILED provider removal: C:\\Sorvane\\_marrow.exe (Windows error 258)\r\n"
                        "done   provider registration: C:\\Sorvane\\_marrow.exe\r\n"),
              std::string::npos)
        << text;
}

}  // namespace
}  // namespace sorvane::test
