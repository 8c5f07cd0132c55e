// What the uninstaller removes, in the order it removes it: first the running
// client and the provider registration, then the files, the folders (those not
// owned outright only when empty) and the registry entries. Its own file, the
// installation folder and the entry in the list of installed programs go last,
// and only when everything else went (or goes at the next restart, as a file in
// use does), so that an incomplete removal can be run again from that list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payloads/uninstall/tree_removal.h"

namespace sorvane::payloads {

enum class StepKind {
    CloseClient,         // ask a running filter client to end
    UnregisterProvider,  // remove the layered provider's registration
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
    std::wstring detail;  // the value name for RegistryValue
    // For files and folders: the folder above the product's own folder, which
    // only administrators can change. What lies below it is never followed
    // through a link.
    std::wstring base;
    // Runs only when every step before it succeeded.
    bool only_when_complete = false;

    bool operator==(const RemovalStep& o) const {
        return kind == o.kind && path == o.path && root == o.root && detail == o.detail &&
               base == o.base && only_when_complete == o.only_when_complete;
    }
};

// The folders of one installation. Any but |install| may be empty when the system
// has no such folder; their steps are then left out.
struct InstallationFolders {
    std::wstring install;          // the folder of Uninstall.exe
    std::wstring data;             // the system's common application data folder + Sorvane
    std::wstring common_programs;  // the all-users Start-menu Programs folder
    std::wstring user_programs;    // the user's Start-menu Programs folder
};

// The plan for |folders|; empty when the installation folder is not an absolute
// path ("X:\..." or "\\server\share..."), since nothing could be removed
// safely. A folder that is a drive's or share's root is never removed itself.
std::vector<RemovalStep> PlanRemoval(const InstallationFolders& folders);

// What became of one step.
struct StepResult {
    Removal outcome = Removal::Failed;
    bool skipped = false;     // left out: the removal was already incomplete
    std::wstring moved_to;    // where a file in use went, to be deleted at the next restart
    std::uint32_t error = 0;  // the system's code for a failure
};

struct PlanResult {
    bool complete = true;  // everything is gone, kept on purpose or goes at the restart
    // Something of the product goes only at the next restart; not the uninstaller's
    // own file moved out of the product's folders, which waits for it always.
    bool restart = false;
};

// Carries out each step and hears what became of it.
class StepRunner {
  public:
    virtual StepResult Run(const RemovalStep& step) = 0;
    // Every step, run or left out.
    virtual void Report(const RemovalStep& step, const StepResult& result) = 0;

  protected:
    ~StepRunner() = default;
};

// Runs every step of |plan| in order, also after a failed one, so that as much as
// possible goes, but leaves out the steps kept for a complete removal once one has
// failed.
PlanResult RunPlan(const std::vector<RemovalStep>& plan, StepRunner& runner);

// The files the setup writes into the installation folder, relative to it.
extern const wchar_t* const kInstalledFiles[6];

}  // namespace sorvane::payloads
