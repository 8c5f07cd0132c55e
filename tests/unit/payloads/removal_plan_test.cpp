#include "payloads/uninstall/removal_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace sorvane::payloads {
namespace {

const std::wstring kInstall = L"C:\\Program Files\\Sorvane";
const std::wstring kData = L"C:\\ProgramData\\Sorvane";
const std::wstring kCommon = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const std::wstring kUser =
    L"C:\\Users\\u\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";

InstallationFolders Typical() {
    return {kInstall + L"\\", kData, kCommon, kUser};
}

bool IsFolderStep(StepKind k) {
    return k == StepKind::FolderTree || k == StepKind::FolderIfEmpty;
}
bool IsFileStep(StepKind k) {
    return k == StepKind::File || k == StepKind::OwnImage;
}
bool Inside(const std::wstring& path, const std::wstring& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == L'\\';
}

std::ptrdiff_t IndexOf(const std::vector<RemovalStep>& plan, StepKind kind,
                       const std::wstring& path) {
    auto it = std::find_if(plan.begin(), plan.end(),
                           [&](const RemovalStep& s) { return s.kind == kind && s.path == path; });
    return it == plan.end() ? -1 : it - plan.begin();
}

TEST(RemovalPlan, RemovesEveryInstalledFileFromTheInstallationFolder) {
    const auto plan = PlanRemoval(Typical());
    for (const wchar_t* file : kInstalledFiles) {
        const std::wstring path = kInstall + L"\\" + file;
        const StepKind kind =
            std::wstring(file) == L"Uninstall.exe" ? StepKind::OwnImage : StepKind::File;
        EXPECT_GE(IndexOf(plan, kind, path), 0) << path;
    }
    for (const std::wstring& group : {kCommon, kUser}) {
        EXPECT_GE(IndexOf(plan, StepKind::File, group + L"\\Sorvane\\Sorvane.lnk"), 0);
        EXPECT_GE(IndexOf(plan, StepKind::FolderIfEmpty, group + L"\\Sorvane"), 0);
    }
}

TEST(RemovalPlan, ClientAndProviderGoBeforeTheirFiles) {
    const auto plan = PlanRemoval(Typical());
    ASSERT_FALSE(plan.empty());
    EXPECT_EQ(plan[0].kind, StepKind::CloseClient);
    const std::wstring provider = kInstall + L"\\plugin\\_pellin.dll";
    const auto unregister = IndexOf(plan, StepKind::UnregisterProvider, provider);
    ASSERT_GE(unregister, 0);
    EXPECT_LT(unregister, IndexOf(plan, StepKind::File, provider));
}

StepResult Outcome(Removal outcome) {
    StepResult result;
    result.outcome = outcome;
    return result;
}

struct Runner : StepRunner {
    std::function<Removal(const RemovalStep&)> run;
    std::function<void(const RemovalStep&, const StepResult&)> report = [](auto&, auto&) {};
    StepResult Run(const RemovalStep& step) override { return Outcome(run(step)); }
    void Report(const RemovalStep& step, const StepResult& result) override {
        report(step, result);
    }
};

// An incomplete removal keeps what is needed to run it again from the list of
// installed programs: the uninstaller, its folder and the Uninstall entry.
TEST(RemovalPlan, AFailedStepKeepsTheUninstallerAndItsEntry) {
    const auto plan = PlanRemoval(Typical());
    std::vector<std::wstring> run, skipped;
    Runner runner;
    runner.run = [&](const RemovalStep& step) {
        run.push_back(step.path);
        // Neither removed nor set aside.
        return step.path == kInstall + L"\\tessen.exe" ? Removal::Failed : Removal::Gone;
    };
    runner.report = [&](const RemovalStep& step, const StepResult& r) {
        if (r.skipped) skipped.push_back(step.path);
    };
    const PlanResult result = RunPlan(plan, runner);
    EXPECT_FALSE(result.complete);
    for (const std::wstring& kept :
         {kInstall + L"\\Uninstall.exe", kInstall, kData,
          std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sorvane")}) {
        EXPECT_EQ(std::count(run.begin(), run.end(), kept), 0) << kept;
        EXPECT_EQ(std::count(skipped.begin(), skipped.end(), kept), 1) << kept;  // and logged
    }
    // Everything else is still tried.
    EXPECT_EQ(std::count(run.begin(), run.end(), kData + L"\\datax"), 1);
    EXPECT_EQ(std::count(run.begin(), run.end(), L"Software\\OrvikSoft\\Sorvane"), 2);
}

// What goes at the next restart counts as gone: the removal completes, entry and all,
// and says that a restart finishes it. Kept folders and keys count as done too.
TEST(RemovalPlan, WhatGoesAtTheRestartCompletesTheRemoval) {
    const auto plan = PlanRemoval(Typical());
    for (const Removal in_use : {Removal::AtRestart, Removal::Kept, Removal::Gone}) {
        std::size_t run = 0, reported = 0;
        Runner runner;
        runner.run = [&](const RemovalStep& step) {
            ++run;
            return step.path == kInstall + L"\\plugin\\_pellin.dll" ? in_use : Removal::Gone;
        };
        runner.report = [&](const RemovalStep&, const StepResult& r) {
            reported += r.skipped ? 0 : 1;
        };
        const PlanResult result = RunPlan(plan, runner);
        EXPECT_TRUE(result.complete);
        EXPECT_EQ(result.restart, in_use == Removal::AtRestart);
        EXPECT_EQ(run, plan.size());
        EXPECT_EQ(reported, plan.size());
    }
    // The running uninstaller's own file always waits, outside the product's folders.
    Runner runner;
    runner.run = [](const RemovalStep& step) {
        return step.kind == StepKind::OwnImage ? Removal::AtRestart : Removal::Gone;
    };
    EXPECT_FALSE(RunPlan(plan, runner).restart);
}

TEST(RemovalPlan, FilesComeBeforeTheFoldersHoldingThem) {
    const auto plan = PlanRemoval(Typical());
    for (std::size_t f = 0; f < plan.size(); ++f) {
        if (!IsFolderStep(plan[f].kind)) continue;
        for (std::size_t later = f + 1; later < plan.size(); ++later) {
            const bool file_inside =
                IsFileStep(plan[later].kind) && Inside(plan[later].path, plan[f].path);
            const bool subfolder =
                IsFolderStep(plan[later].kind) && Inside(plan[later].path, plan[f].path);
            EXPECT_FALSE(file_inside || subfolder) << plan[later].path << " after " << plan[f].path;
        }
    }
}

TEST(RemovalPlan, OnlyTheDataFoldersAreRemovedWithTheirContents) {
    const auto plan = PlanRemoval(Typical());
    std::vector<std::wstring> trees;
    for (const auto& s : plan)
        if (s.kind == StepKind::FolderTree) trees.push_back(s.path);
    EXPECT_EQ(trees, (std::vector<std::wstring>{kInstall + L"\\datax", kData + L"\\datax"}));
    EXPECT_GE(IndexOf(plan, StepKind::FolderIfEmpty, kInstall + L"\\plugin"), 0);
    EXPECT_GE(IndexOf(plan, StepKind::FolderIfEmpty, kInstall), 0);
    EXPECT_GE(IndexOf(plan, StepKind::FolderIfEmpty, kData), 0);
}

TEST(RemovalPlan, DataFolderThatIsTheInstallationFolderIsHandledOnce) {
    InstallationFolders folders = Typical();
    folders.data = kInstall;
    const auto plan = PlanRemoval(folders);
    for (std::size_t i = 0; i < plan.size(); ++i)
        for (std::size_t j = i + 1; j < plan.size(); ++j)
            EXPECT_FALSE(plan[i] == plan[j]) << plan[i].path;
    EXPECT_GE(IndexOf(plan, StepKind::FolderTree, kInstall + L"\\datax"), 0);
}

TEST(RemovalPlan, MissingSystemFoldersLeaveTheirStepsOut) {
    const auto plan = PlanRemoval({kInstall, L"", L"", L"relative\\Programs"});
    for (const auto& s : plan) {
        if (s.kind == StepKind::CloseClient || s.kind == StepKind::UnregisterProvider ||
            s.kind == StepKind::RegistryTree || s.kind == StepKind::RegistryKeyIfEmpty ||
            s.kind == StepKind::RegistryValue)
            continue;
        EXPECT_TRUE(s.path == kInstall || Inside(s.path, kInstall)) << s.path;
    }
}

TEST(RemovalPlan, RefusesAnInstallationFolderThatIsNotAbsolute) {
    // "C:" and "C:x" name the drive's current folder, wherever that is.
    for (const wchar_t* folder : {L"", L"\\", L"Sorvane", L"\\Sorvane", L"1:\\x", L"C:", L"C:x",
                                  L"c:Sorvane\\", L"\\\\server", L"\\\\\\x"})
        EXPECT_TRUE(PlanRemoval({folder, kData, kCommon, kUser}).empty()) << folder;
    EXPECT_FALSE(PlanRemoval({L"\\\\server\\share\\Sorvane", L"", L"", L""}).empty());
}

TEST(RemovalPlan, AtADriveRootOnlyTheProductsOwnThingsGo) {
    const auto plan = PlanRemoval({L"D:\\", L"C:Sorvane", L"", L""});
    ASSERT_FALSE(plan.empty());
    EXPECT_GE(IndexOf(plan, StepKind::File, L"D:\\tessen.exe"), 0);
    EXPECT_GE(IndexOf(plan, StepKind::FolderTree, L"D:\\datax"), 0);
    EXPECT_GE(IndexOf(plan, StepKind::FolderIfEmpty, L"D:\\plugin"), 0);
    for (const auto& s : plan) {
        if (!IsFolderStep(s.kind) && !IsFileStep(s.kind)) continue;
        // Never the root itself, nor anything on C:.
        EXPECT_TRUE(Inside(s.path, L"D:") && s.path.size() > 3) << s.path;
        EXPECT_EQ(s.base, L"D:\\") << s.path;
    }
    // Below the root, the base is the folder holding the product's own.
    for (const auto& s : PlanRemoval({L"C:\\Sorvane\\", kData, L"", L""})) {
        if (IsFileStep(s.kind) || IsFolderStep(s.kind)) {
            const bool data = s.path.rfind(kData, 0) == 0;
            EXPECT_EQ(s.base, data ? L"C:\\ProgramData" : L"C:\\") << s.path;
        }
    }
}

TEST(RemovalPlan, RegistryEntriesOfBothRoots) {
    const auto plan = PlanRemoval(Typical());
    auto has = [&](StepKind kind, RegistryRoot root, const std::wstring& key,
                   const std::wstring& detail, bool last = false) {
        return std::find(plan.begin(), plan.end(),
                         RemovalStep{kind, key, root, detail, L"", last}) != plan.end();
    };
    const std::wstring run = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        EXPECT_TRUE(has(StepKind::RegistryTree, root, L"Software\\OrvikSoft\\Sorvane", L""));
        EXPECT_TRUE(has(StepKind::RegistryKeyIfEmpty, root, L"Software\\OrvikSoft", L""));
        EXPECT_TRUE(has(StepKind::RegistryValue, root, run, L"tessen"));
    }
    EXPECT_TRUE(has(StepKind::RegistryTree, RegistryRoot::LocalMachine,
                    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sorvane", L"",
                    true));
    EXPECT_FALSE(has(StepKind::RegistryTree, RegistryRoot::CurrentUser,
                     L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sorvane", L"",
                     true));
    // The vendor key is looked at only once the product's key is gone.
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        auto at = [&](StepKind kind, const std::wstring& key) {
            return std::find(plan.begin(), plan.end(),
                             RemovalStep{kind, key, root, L"", L"", false}) -
                   plan.begin();
        };
        EXPECT_LT(at(StepKind::RegistryTree, L"Software\\OrvikSoft\\Sorvane"),
                  at(StepKind::RegistryKeyIfEmpty, L"Software\\OrvikSoft"));
    }
}

}  // namespace
}  // namespace sorvane::payloads
