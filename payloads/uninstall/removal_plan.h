// What the uninstaller removes, in the order it removes it: first the running
// client and the provider registration, then all files, then the folders (those
// not owned outright only when empty), then the registry.
#pragma once

#include <string>
#include <vector>

namespace sorvane::payloads {

enum class StepKind {
    CloseClient,         // ask a running filter client to end
    UnregisterProvider,  // remove the layered provider through the helper
    File,
    OwnImage,    // the uninstaller's own file, which is running
    FolderTree,  // a folder the product owns outright, with its contents
    FolderIfEmpty,
    RegistryTree,
    RegistryKeyIfEmpty,
    RegistryValue,
};

enum class RegistryRoot { CurrentUser, LocalMachine };

struct RemovalStep {
    StepKind kind;
    std::wstring path;  // a file or folder, or a registry key below |root|
    RegistryRoot root = RegistryRoot::LocalMachine;
    // The value name for RegistryValue, the provider DLL for UnregisterProvider.
    std::wstring detail;

    bool operator==(const RemovalStep& o) const {
        return kind == o.kind && path == o.path && root == o.root && detail == o.detail;
    }
};

// The folders of one installation. Any but |install| may be empty when the system
// has no such folder; their steps are then left out.
struct InstallationFolders {
    std::wstring install;          // the folder of Uninstall.exe
    std::wstring data;             // %ALLUSERSPROFILE%\Sorvane
    std::wstring common_programs;  // the all-users Start-menu Programs folder
    std::wstring user_programs;    // the user's Start-menu Programs folder
};

// The plan for |folders|; empty when the installation folder is not an absolute
// path (a drive letter or a network name), since nothing could be removed safely.
std::vector<RemovalStep> PlanRemoval(const InstallationFolders& folders);

// The files the setup writes into the installation folder, relative to it.
extern const wchar_t* const kInstalledFiles[6];

}  // namespace sorvane::payloads
