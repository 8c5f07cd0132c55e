// A wizard form on the in-memory OS, as the unit tests drive it.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/error_reporter.h"
#include "core/session.h"
#include "app/startup.h"
#include "install/run.h"
#include "support/memory_os.h"
#include "wizard/installer_form.h"

namespace sorvane::test {

// A firewall component that records what the run asked of it.
struct FakeFirewall : FirewallComponent {
    bool installed = false;
    bool raise_on_query = false;
    bool removal_still_running = false;
    std::vector<std::string>* log = nullptr;
    bool IsInstalled() override {
        log->push_back("IsInstalled");
        if (raise_on_query) throw std::runtime_error("catalogue unreadable");
        return installed;
    }
    bool InstallThroughHelper(const std::string& helper, const std::string& provider,
                              bool confirm) override {
        log->push_back("InstallThroughHelper " + helper + " " + provider + (confirm ? " Y" : ""));
        return true;
    }
    bool RemovalStillRunning() const override { return removal_still_running; }
    ~FakeFirewall() override { log->push_back("FirewallReleased"); }
};

struct WizardFixture {
    MemoryOs os;
    SetupSession session;
    InstallSteps steps;
    std::vector<std::string> log;  // the calls into other steps, in order
    bool firewall_installed = false;
    bool firewall_raises = false;
    std::unique_ptr<TqnInstaller> form;

    // Records every step the run makes into |log|.
    void RecordSteps() {
        steps.GrantFolderAccess = [this](FolderHandle, const std::string& a, FolderHandle,
                                         const std::string& b) {
            log.push_back("GrantFolderAccess " + a + " " + b);
        };
        steps.CreateShortcuts = [this](const std::string& target, const std::string& name) {
            log.push_back("CreateShortcuts " + target + " " + name);
        };
        steps.WriteRegistryEntries = [this] { log.push_back("WriteRegistryEntries"); };
        steps.CreateFirewall = [this](WindowHandle owner, const std::string& folder,
                                      const PendingUpdate& pending) {
            if (pending) pending();
            log.push_back("CreateFirewall " + std::to_string(owner) + " " + folder);
            auto f = std::make_unique<FakeFirewall>();
            f->installed = firewall_installed;
            f->raise_on_query = firewall_raises;
            f->log = &log;
            return f;
        };
    }

    TqnInstaller& Form() {
        if (!form) {
            form = std::make_unique<TqnInstaller>(os, session, steps);
            form->native = 0x4242;
        }
        return *form;
    }

    // Fills in what the form's creation would before an interactive run.
    void PrepareInteractiveRun(const std::string& folder) {
        TqnInstaller& f = Form();
        f.FormCreate();
        session.InstallDir = folder;
    }

    void AddPayloads() {
        for (int id = 101; id <= 106; ++id)
            os.resources[id] = Deflate(Bytes("MZ payload " + std::to_string(id)));
    }
};

}  // namespace sorvane::test
