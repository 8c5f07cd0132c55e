#include "payloads/uninstall/removal_plan.h"

#include <algorithm>

namespace sorvane::payloads {

const wchar_t* const kInstalledFiles[6] = {
    L"tessen.exe",  L"harlock.exe",         L"_marrow.exe",
    L"sporder.dll", L"plugin\\_pellin.dll", L"Uninstall.exe",
};

namespace {

constexpr const wchar_t* kOwnFile = L"Uninstall.exe";
constexpr const wchar_t* kAppKey = L"Software\\OrvikSoft\\Sorvane";
constexpr const wchar_t* kVendorKey = L"Software\\OrvikSoft";
constexpr const wchar_t* kRunKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kUninstallKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sorvane";

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// "X:\" and "X:/" alone: "X:" without the separator is that drive's current folder.
bool IsDriveRoot(const std::wstring& path) {
    return path.size() == 3 && IsDriveLetter(path[0]) && path[1] == L':' && IsSeparator(path[2]);
}

// The length of "\\server\share" at the start of |path|; 0 when it has none.
std::size_t ShareRootLength(const std::wstring& path) {
    if (path.size() < 5 || !IsSeparator(path[0]) || !IsSeparator(path[1]) || IsSeparator(path[2]))
        return 0;
    const std::size_t server_end = path.find_first_of(L"\\/", 2);
    if (server_end == std::wstring::npos || server_end + 1 >= path.size() ||
        IsSeparator(path[server_end + 1]))
        return 0;
    const std::size_t share_end = path.find_first_of(L"\\/", server_end + 1);
    return share_end == std::wstring::npos ? path.size() : share_end;
}

bool IsAbsolute(const std::wstring& path) {
    const bool drive =
        path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && IsSeparator(path[2]);
    return drive || ShareRootLength(path) > 0;
}

bool IsRoot(const std::wstring& path) {
    return IsDriveRoot(path) || (ShareRootLength(path) == path.size() && !path.empty());
}

// Without separators at the end, but a drive's root keeps its own.
std::wstring Trimmed(std::wstring path) {
    while (path.size() > 1 && IsSeparator(path.back()) && !IsDriveRoot(path)) path.pop_back();
    return path;
}

// The folder holding |folder|; a root holds itself.
std::wstring Parent(const std::wstring& folder) {
    if (IsRoot(folder)) return folder;
    const std::size_t cut = folder.find_last_of(L"\\/");
    std::wstring parent = folder.substr(0, cut);
    // "C:\Sorvane" lies in "C:\", not in "C:".
    if (parent.size() == 2 && parent[1] == L':') parent = folder.substr(0, cut + 1);
    return parent;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    return IsSeparator(folder.back()) ? folder + name : folder + L"\\" + name;
}

class Plan {
  public:
    void Add(RemovalStep step) {
        step.only_when_complete = last_;
        // The data folder may be the installation folder; each thing goes once.
        if (std::find(steps_.begin(), steps_.end(), step) == steps_.end()) steps_.push_back(step);
    }
    void AddAction(StepKind kind, const std::wstring& path) {
        Add({kind, path, RegistryRoot::LocalMachine, {}, {}, false});
    }
    void AddFile(StepKind kind, const std::wstring& base, const std::wstring& path) {
        Add({kind, path, RegistryRoot::LocalMachine, {}, base, false});
    }
    void AddRegistry(StepKind kind, RegistryRoot root, const std::wstring& key,
                     const std::wstring& value = {}) {
        Add({kind, key, root, value, {}, false});
    }
    // Every step added from now on waits for all earlier ones to succeed.
    void StartLastSteps() { last_ = true; }
    std::vector<RemovalStep> Take() { return std::move(steps_); }

  private:
    std::vector<RemovalStep> steps_;
    bool last_ = false;
};

}  // namespace

std::vector<RemovalStep> PlanRemoval(const InstallationFolders& folders) {
    const std::wstring install = Trimmed(folders.install);
    if (!IsAbsolute(install)) return {};
    const std::wstring install_base = Parent(install);
    const std::wstring data = Trimmed(folders.data);
    const bool has_data = IsAbsolute(data);

    Plan plan;
    plan.AddAction(StepKind::CloseClient, Join(install, L"tessen.exe"));
    // While the provider's file is still there.
    plan.AddAction(StepKind::UnregisterProvider, Join(install, L"plugin\\_pellin.dll"));
    for (const wchar_t* file : kInstalledFiles) {
        if (std::wstring(file) != kOwnFile)
            plan.AddFile(StepKind::File, install_base, Join(install, file));
    }
    std::vector<std::pair<std::wstring, std::wstring>> groups;  // base, group folder
    for (const std::wstring* programs : {&folders.common_programs, &folders.user_programs}) {
        const std::wstring base = Trimmed(*programs);
        if (!IsAbsolute(base)) continue;
        groups.emplace_back(base, Join(base, L"Sorvane"));
        plan.AddFile(StepKind::File, base, Join(groups.back().second, L"Sorvane.lnk"));
    }

    plan.AddFile(StepKind::FolderTree, install_base, Join(install, L"datax"));
    if (has_data) plan.AddFile(StepKind::FolderTree, Parent(data), Join(data, L"datax"));
    plan.AddFile(StepKind::FolderIfEmpty, install_base, Join(install, L"plugin"));
    for (const auto& [base, group] : groups) plan.AddFile(StepKind::FolderIfEmpty, base, group);

    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        plan.AddRegistry(StepKind::RegistryTree, root, kAppKey);
        plan.AddRegistry(StepKind::RegistryKeyIfEmpty, root, kVendorKey);
        plan.AddRegistry(StepKind::RegistryValue, root, kRunKey, L"tessen");
    }

    plan.StartLastSteps();
    plan.AddFile(StepKind::OwnImage, install_base, Join(install, kOwnFile));
    if (!IsRoot(install)) plan.AddFile(StepKind::FolderIfEmpty, install_base, install);
    if (has_data && !IsRoot(data)) plan.AddFile(StepKind::FolderIfEmpty, Parent(data), data);
    plan.AddRegistry(StepKind::RegistryTree, RegistryRoot::LocalMachine, kUninstallKey);
    return plan.Take();
}

PlanResult RunPlan(const std::vector<RemovalStep>& plan, StepRunner& runner) {
    PlanResult plan_result;
    for (const RemovalStep& step : plan) {
        StepResult result;
        if (step.only_when_complete && !plan_result.complete) {
            result.skipped = true;
        } else {
            result = runner.Run(step);
            plan_result.complete = plan_result.complete && result.outcome != Removal::Failed;
            plan_result.restart = plan_result.restart || (result.outcome == Removal::AtRestart &&
                                                          step.kind != StepKind::OwnImage);
        }
        runner.Report(step, result);
    }
    return plan_result;
}

}  // namespace sorvane::payloads
