#include "payloads/uninstall/removal_plan.h"

#include <algorithm>

namespace sorvane::payloads {

const wchar_t* const kInstalledFiles[6] = {
    L"tessen.exe",  L"harlock.exe",         L"_marrow.exe",
    L"sporder.dll", L"plugin\\_pellin.dll", L"Uninstall.exe",
};

namespace {

constexpr const wchar_t* kAppKey = L"Software\\OrvikSoft\\Sorvane";
constexpr const wchar_t* kVendorKey = L"Software\\OrvikSoft";
constexpr const wchar_t* kRunKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kUninstallKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sorvane";

std::wstring WithoutTrailingSeparators(std::wstring path) {
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

bool IsAbsolute(const std::wstring& path) {
    const bool drive =
        path.size() >= 2 && path[1] == L':' &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    const bool network = path.size() > 2 && path[0] == L'\\' && path[1] == L'\\';
    return drive || network;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    return folder + L"\\" + name;
}

class Plan {
  public:
    void Add(StepKind kind, const std::wstring& path,
             RegistryRoot root = RegistryRoot::LocalMachine, const std::wstring& detail = {}) {
        const RemovalStep step{kind, path, root, detail};
        // The data folder may be the installation folder; each thing goes once.
        if (std::find(steps_.begin(), steps_.end(), step) == steps_.end()) steps_.push_back(step);
    }
    std::vector<RemovalStep> Take() { return std::move(steps_); }

  private:
    std::vector<RemovalStep> steps_;
};

}  // namespace

std::vector<RemovalStep> PlanRemoval(const InstallationFolders& folders) {
    const std::wstring install = WithoutTrailingSeparators(folders.install);
    if (!IsAbsolute(install)) return {};
    const std::wstring data = WithoutTrailingSeparators(folders.data);
    const bool has_data = IsAbsolute(data);

    Plan plan;
    plan.Add(StepKind::CloseClient, Join(install, L"tessen.exe"));
    // The helper and the provider must still be there for this step.
    plan.Add(StepKind::UnregisterProvider, Join(install, L"_marrow.exe"),
             RegistryRoot::LocalMachine, Join(install, L"plugin\\_pellin.dll"));
    for (const wchar_t* file : kInstalledFiles) {
        const std::wstring name = file;
        plan.Add(name == L"Uninstall.exe" ? StepKind::OwnImage : StepKind::File,
                 Join(install, name));
    }
    std::vector<std::wstring> groups;
    for (const std::wstring* programs : {&folders.common_programs, &folders.user_programs}) {
        const std::wstring base = WithoutTrailingSeparators(*programs);
        if (!IsAbsolute(base)) continue;
        groups.push_back(Join(base, L"Sorvane"));
        plan.Add(StepKind::File, Join(groups.back(), L"Sorvane.lnk"));
    }

    plan.Add(StepKind::FolderTree, Join(install, L"datax"));
    if (has_data) plan.Add(StepKind::FolderTree, Join(data, L"datax"));
    plan.Add(StepKind::FolderIfEmpty, Join(install, L"plugin"));
    plan.Add(StepKind::FolderIfEmpty, install);
    if (has_data) plan.Add(StepKind::FolderIfEmpty, data);
    for (const std::wstring& group : groups) plan.Add(StepKind::FolderIfEmpty, group);

    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        plan.Add(StepKind::RegistryTree, kAppKey, root);
        plan.Add(StepKind::RegistryKeyIfEmpty, kVendorKey, root);
        plan.Add(StepKind::RegistryValue, kRunKey, root, L"tessen");
    }
    plan.Add(StepKind::RegistryTree, kUninstallKey);
    return plan.Take();
}

}  // namespace sorvane::payloads
