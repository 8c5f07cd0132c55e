// An in-memory model of the Windows that the setup sees: case-insensitive paths with
// backslashes, 8.3 aliases where a test adds them, files opened without sharing,
// profile files, windows and their messages, message boxes, shell starts and the
// program's own resources. Faults can be injected, and every call is logged in order.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/os.h"

namespace sorvane::test {

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

class MemoryOs : public Os {
  public:
    MemoryOs();

    // --- the file system, as a test prepares and inspects it
    struct Node {
        bool directory = false;
        std::vector<std::uint8_t> data;
        bool locked = false;     // in use by another process: no delete, open, rename or replace
        // A program that runs or a library that is loaded: it can be renamed, but not
        // deleted, opened for writing or replaced.
        bool loaded = false;
        bool read_only = false;  // no delete, open for writing or replace
        std::string link;        // a junction: the folder it leads to; empty for none
        std::string owner = "S-1-5-32-544";  // Administrators, as an elevated setup makes them
        std::uint64_t file_id = 0;           // its index on the volume, given when first asked for
    };
    void AddDirectory(const std::string& path);  // with its parents
    void AddFile(const std::string& path, const std::string& content);
    void AddFile(const std::string& path, const std::vector<std::uint8_t>& content);
    Node* Find(const std::string& path);
    std::string Content(const std::string& path);  // empty when there is no such file
    // An 8.3 alias: |short_path| names the same folder as |long_path|.
    void AddShortName(const std::string& long_path, const std::string& short_path);
    // A drive letter made with subst ("S:") or a share ("\\server\share") that names
    // |folder|. The administrative shares "\\localhost\C$" and "\\127.0.0.1\C$" name C:.
    void AddDriveAlias(const std::string& name, const std::string& folder);
    std::vector<std::string> ListFiles() const;

    // --- faults
    std::set<std::string, NoCaseLess> refuse_create_directory;  // CreateDirectory fails there
    std::optional<std::size_t> disk_free;                       // bytes that can still be written
    bool has_long_path_name = true;
    bool fail_profile_write = false;

    // --- environment and system
    std::map<std::string, std::string, NoCaseLess> environment{
        {"ALLUSERSPROFILE", "C:\\ProgramData"}};
    std::uint32_t major_version = 6;
    std::string module_file_name = "C:\\Downloads\\sorvane_setup.exe";
    std::string command_line = "\"C:\\Downloads\\sorvane_setup.exe\"";
    // The command line as given, in UTF-8; when empty, |command_line| read in the code
    // page (a test that sets only that gives a line the code page holds).
    std::string unicode_command_line;
    // Where the process was started; its working folder is the system folder after that,
    // and a relative name given to the system is read there.
    std::string start_folder = "C:\\Downloads";
    std::string keyboard_layout = "00000409";
    std::uint32_t tick_count = 1000;

    // --- windows and messages
    struct Message {
        WindowHandle window;
        std::uint32_t message;
        std::uintptr_t wparam;
        std::intptr_t lparam;
    };
    WindowHandle AddWindow(const std::string& class_name);
    void RemoveWindow(WindowHandle window);
    std::map<WindowHandle, std::string> windows;
    std::vector<Message> posted;
    // Runs at every pump with its 1-based number, before the queue is handled: a
    // test plays the user here.
    std::function<void(int pump)> on_pump;
    // The thread's queue, as Windows keeps it: a pump handles everything waiting,
    // and a quit request taken there is kept for the message loop while the
    // messages after it are still handled.
    void Post(std::function<void()> message) { queue_.push_back(std::move(message)); }
    // Runs at every Sleep, after the clock moved on.
    std::function<void()> on_sleep;
    int pumps = 0;
    bool quit_posted = false;
    int quit_code = 0;
    int loop_limit = 1000;  // pumps RunMessageLoop makes before it gives up
    bool loop_gave_up = false;

    struct Box {
        WindowHandle owner;
        std::string text, caption;
        std::uint32_t style;
    };
    std::vector<Box> boxes;
    std::deque<int> box_answers;  // IDNO when empty

    struct ShellCall {
        std::string verb, file, parameters, directory;
        int show;
    };
    std::vector<ShellCall> shell_calls;
    std::deque<std::intptr_t> shell_results;  // 42 (started) when empty
    // Processes started through ShellExecuteProcess, by handle: how many more waits each
    // outlasts (0: it has ended by the first wait), and whether it is still open.
    struct Process {
        std::string file;
        int waits_left = 0;
        bool open = true;
        bool ran = false;  // a batch's lines have run
    };
    std::map<ProcessHandle, Process> processes;
    std::deque<int> process_waits;  // waits_left of the next started processes; 0 when empty

    // --- special folders: a folder that is missing here cannot be obtained
    std::map<int, std::string> special_folders{
        {kCsidlProgramFiles, "C:\\Program Files"},
        {kCsidlCommonPrograms, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
        {kCsidlPrograms,
         "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"}};

    // --- system registration (memory_registry.cpp, memory_security.cpp, memory_shell_link.cpp)
    // Registry keys by their full name, e.g. "HKLM\\SOFTWARE\\Run", without final backslash.
    struct RegistryValue {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
    };
    using RegistryValues = std::map<std::string, RegistryValue, NoCaseLess>;
    std::map<std::string, RegistryValues, NoCaseLess> registry;
    std::set<RegistryRoot> denied_roots;            // no key opens or is created
    std::set<std::string, NoCaseLess> denied_keys;  // nor these, nor below them
    std::optional<int> fail_value_write;            // the Nth RegSetValueEx fails
    int value_writes = 0;
    int most_keys_open = 0;
    void AddRegistryKey(RegistryRoot root, const std::string& key);
    bool RegistryKeyExists(RegistryRoot root, const std::string& key) const;
    const RegistryValue* FindValue(RegistryRoot root, const std::string& key,
                                   const std::string& name) const;
    std::string StringValue(RegistryRoot root, const std::string& key,
                            const std::string& name) const;
    int open_keys() const { return static_cast<int>(open_keys_.size()); }

    // Access lists as records. An entry that a folder inherits is listed on the folder
    // or file below it, marked inherited.
    struct AccessEntry {
        std::string trustee;
        std::uint32_t permissions = 0;
        bool allow = true;
        std::uint32_t inheritance = 0;  // object 1, container 2
        bool inherited = false;
        bool operator==(const AccessEntry& o) const;
    };
    std::map<std::string, std::vector<AccessEntry>, NoCaseLess> access_lists;  // explicit ones
    std::set<std::string, NoCaseLess> security_denied;  // reading or writing the list fails
    std::vector<AccessEntry> EffectiveAccess(const std::string& path);
    int security_allocations() const { return static_cast<int>(security_memory_.size()); }
    bool token_available = true;
    std::set<std::string> enabled_privileges;
    int open_tokens = 0;

    // Folders in which nothing can be created or written: CreateDirectory and file
    // creation fail there with access denied.
    std::set<std::string, NoCaseLess> denied_folders;
    std::string temp_path = "C:\\Windows\\Temp\\";
    LocalDate local_date{2026, 3, 7};
    std::uint32_t last_error = 0;
    bool shell_link_available = true;
    int open_shell_links = 0;
    // A saved shortcut is a file holding "target|working folder".
    std::string ShortcutTarget(const std::string& path);
    // --- the run's log file (memory_run_log.cpp): what the system says of a file, for
    // the files a test lists here; any other is a plain file of this account.
    struct FileNature {
        bool link = false;  // a symbolic link, opened as itself
        std::uint32_t links = 1;
        FileOwner owner = FileOwner::Self;
        std::string final_path;  // where the file really lies; empty: its own path
    };
    std::map<std::string, FileNature, NoCaseLess> file_natures;
    bool fail_file_facts = false;
    // --- the wizard's folder dialog: each answer in turn, nullopt is Cancel (also when empty)
    std::deque<std::optional<std::string>> folder_answers;
    int folder_dialogs = 0;

    // --- resources
    std::map<int, std::vector<std::uint8_t>> resources;
    int open_resource_views = 0;

    // --- COM
    int com_depth = 0;

    // --- the Winsock catalogue, the hidden window and file copies (memory_provider.cpp)
    struct CatalogueEntry {
        Guid provider;
        std::string path;  // as registered, environment references and all
    };
    std::vector<CatalogueEntry> catalogue;
    bool fail_enumeration = false;  // WSCEnumProtocols reports kSocketError
    bool fail_deinstall = false;    // WSCDeinstallProvider reports kSocketError, removes nothing
    std::vector<Guid> deinstalled;  // the GUID of every WSCDeinstallProvider call, in order
    int winsock_starts = 0;         // WSAStartup calls less WSACleanup calls
    std::uint16_t winsock_version = 0;
    // The hidden windows that exist, with their handlers.
    std::map<WindowHandle, MessageHandler> message_windows;
    bool fail_message_window = false;
    // What the window's procedure answers to |message|.
    std::intptr_t SendToMessageWindow(WindowHandle window, std::uint32_t message,
                                      std::uintptr_t wparam = 0, std::intptr_t lparam = 0);
    // MoveFileEx with kMoveDelayUntilReboot: "path" to be deleted, "path -> target" to be moved.
    std::vector<std::string> at_restart;

    // --- links, owners, held folders and the batch's private folder (memory_folders.cpp)
    // A junction at |path| leading to the folder |target|: paths through it reach the
    // target, as the system follows them; OpenFolder refuses the junction itself.
    // |owner| made it: Administrators unless told.
    void AddLink(const std::string& path, const std::string& target,
                 const std::string& owner = "S-1-5-32-544");
    std::string process_user_sid = "S-1-5-21-1004-1004-1004-500";
    std::string system_directory = "C:\\Windows\\system32";
    // --- which folder a name stands for (memory_paths.cpp). Names are read as Win32 reads
    // them: "/" for "\", ".", ".." and a final name's trailing dots and blanks taken away,
    // except after "\\?\", which goes to the file system as it is.
    std::string windows_directory = "C:\\Windows";
    std::string system_wow64_directory;  // empty: a 32-bit Windows
    std::string profiles_directory = "C:\\Users";
    // A 32-bit program on a 64-bit Windows: what it names as "<windows>\System32" is
    // SysWOW64 (but for the few folders the system leaves alone), and
    // "<windows>\Sysnative" is the real System32.
    bool wow64 = false;
    // Folders opened to compare identities, by handle: neither held nor checked for links.
    std::map<FolderHandle, std::string> compared_folders;
    bool fail_folder_identity = false;
    bool has_final_path_name = true;  // false: a system without GetFinalPathNameByHandle
    FolderHandle OpenFolderToCompare(const std::string& path) override;
    bool GetFolderIdentity(FolderHandle folder, FolderIdentity* identity) override;
    bool GetFolderFinalPath(FolderHandle folder, std::string* path) override;
    std::string GetWindowsDirectory() override { return windows_directory; }
    std::string GetSystemWow64Directory() override { return system_wow64_directory; }
    std::string GetProfilesDirectory() override { return profiles_directory; }
    // The privileges the process token holds; enabling another is not all assigned.
    std::set<std::string> token_privileges{"SeSecurityPrivilege", "SeBackupPrivilege",
                                           "SeRestorePrivilege", "SeTakeOwnershipPrivilege"};
    // Folders whose own list is protected: nothing from the folders above reaches them.
    std::set<std::string, NoCaseLess> protected_lists;
    std::map<FolderHandle, std::string> held_folders;  // open folder handles, by their folder
    bool Held(const std::string& path) const;
    FolderHandle OpenFolder(const std::string& path) override;
    void CloseFolder(FolderHandle folder) override;
    bool ListFolder(const std::string& path, std::vector<std::string>* names) override;
    std::string GetFolderOwner(FolderHandle folder) override;
    std::string GetProcessUserSid() override { return process_user_sid; }
    std::uint32_t GetFolderDacl(FolderHandle folder, SecurityMemory* dacl,
                                SecurityMemory* descriptor) override;
    std::uint32_t SetFolderDacl(FolderHandle folder, SecurityMemory dacl) override;
    bool CreatePrivateDirectory(const std::string& path) override;
    FileHandle CreateNewFile(const std::string& path) override;
    FileHandle CreateTransientFile(const std::string& path) override;
    // FSCTL_SET_REPARSE_POINT as any user who may write into |folder| makes it, held or
    // not: |folder| becomes a junction to |target|. Only an empty folder takes one
    // (ERROR_DIR_NOT_EMPTY otherwise).
    bool MakeMountPoint(const std::string& folder, const std::string& target);
    // What a batch the shell started does once it runs: its lines that start the
    // system's icacls grant as icacls does, on the object named (with /L the link
    // itself, else what the path leads to). Each object granted on, in order.
    std::vector<std::string> icacls_granted;
    std::string GetSystemDirectory() override { return system_directory; }

    // --- links on the way and names inside held folders (memory_held.cpp). A held
    // folder keeps its names when it is turned into a junction later (AddLink on an empty
    // held folder, as a user may do to any empty folder they may write into): a name
    // opened through the handle is found in the folder itself, while a path leads
    // through the junction.
    bool GetLinkOwner(const std::string& path, std::string* owner) override;
    FolderHandle OpenFolderFollowing(const std::string& path) override;
    FolderHandle OpenFolderAt(FolderHandle parent, const std::string& name) override;
    FileHandle CreateNewFileAt(FolderHandle folder, const std::string& name) override;
    FileHandle OpenFileAt(FolderHandle folder, const std::string& name) override;
    bool RenameFileAt(FileHandle file, FolderHandle folder, const std::string& name) override;
    bool RenameAt(FolderHandle folder, const std::string& from, const std::string& to) override;
    bool DeleteAt(FolderHandle folder, const std::string& name) override;
    bool DeleteOpenFile(FileHandle file) override;
    bool ListFolderAt(FolderHandle folder, std::vector<std::string>* names) override;
    bool GetFileBasics(FileHandle file, FileFacts* facts) override;
    // The content of |name| in the held |folder| itself, not through any junction.
    std::string ContentAt(FolderHandle folder, const std::string& name);

    // A new, empty file for reading and writing without sharing, replacing one of that
    // name, as a program of the machine makes it by path.
    FileHandle CreateFileReadWrite(const std::string& path);

    // Every call with its main argument, in order, e.g. "CreateDirectory C:\X".
    std::vector<std::string> calls;
    bool Called(const std::string& prefix) const;
    int open_files() const { return static_cast<int>(handles_.size()); }

    // Os
    bool FileExists(const std::string& path) override;
    bool DirectoryExists(const std::string& path) override;
    bool CreateDirectory(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool RemoveDirectory(const std::string& path) override;
    bool ReadFile(FileHandle file, void* buffer, std::size_t size, std::size_t* done) override;
    bool WriteFile(FileHandle file, const void* data, std::size_t size, std::size_t* done) override;
    bool SetFilePosition(FileHandle file, std::uint64_t position) override;
    bool SetEndOfFile(FileHandle file) override;
    void CloseFile(FileHandle file) override;
    FileHandle OpenFileNoFollow(const std::string& path) override;
    bool GetFileFacts(FileHandle file, FileFacts* facts) override;
    bool GetLongPathName(const std::string& path, std::string* buffer, std::uint32_t capacity,
                         std::uint32_t* result) override;
    std::uint32_t GetShortPathName(const std::string& path, std::string* buffer,
                                   std::uint32_t capacity) override;
    std::string GetEnvironmentVariable(const std::string& name) override;
    std::uint32_t GetMajorVersion() override { return major_version; }
    std::string GetModuleFileName() override { return module_file_name; }
    std::string GetCommandLine() override { return command_line; }
    std::string GetUnicodeCommandLine() override;
    std::string GetStartFolder() override { return start_folder; }
    std::string GetFullPathName(const std::string& path) override;
    std::string GetKeyboardLayoutName() override { return keyboard_layout; }
    std::uint32_t GetTickCount() override { return tick_count; }
    void Sleep(std::uint32_t milliseconds) override;
    void CoInitialize() override;
    void CoUninitialize() override;
    WindowHandle FindWindow(const std::string& class_name) override;
    bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                     std::intptr_t lparam) override;
    void PumpMessages() override;
    int RunMessageLoop() override;
    void PostQuitMessage(int exit_code) override;
    int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                   std::uint32_t style) override;
    std::intptr_t ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                               const std::string& parameters, const std::string& directory,
                               int show) override;
    std::intptr_t ShellExecuteProcess(WindowHandle owner, const std::string& verb,
                                      const std::string& file, const std::string& parameters,
                                      const std::string& directory, int show,
                                      ProcessHandle* process) override;
    bool WaitForProcess(ProcessHandle process, std::uint32_t milliseconds) override;
    void CloseProcess(ProcessHandle process) override;
    bool GetSpecialFolderPath(int csidl, std::string* path) override;
    bool SelectDirectory(WindowHandle owner, const std::string& start,
                         std::string* folder) override;
    // The ANSI code page is 1254 (Turkish), converted without best fit.
    std::string AnsiToUtf8(const std::string& ansi) override;
    bool Utf8ToAnsi(const std::string& utf8, std::string* ansi) override;
    ResourceView LoadResource(int id) override;
    void ReleaseResource(const ResourceView& view) override;
    long RegCreateKeyEx(RegistryRoot root, const std::string& path, std::uint32_t access,
                        RegistryKey* key) override;
    long RegOpenKeyEx(RegistryRoot root, const std::string& path, std::uint32_t access,
                      RegistryKey* key) override;
    long RegSetValueEx(RegistryKey key, const std::string& name, std::uint32_t type,
                       const void* data, std::uint32_t size) override;
    long RegQueryValueEx(RegistryKey key, const std::string& name) override;
    long RegDeleteValue(RegistryKey key, const std::string& name) override;
    long RegCloseKey(RegistryKey key) override;
    std::uint32_t SetEntriesInAcl(const ExplicitAccess& entry, SecurityMemory old_dacl,
                                  SecurityMemory* new_dacl) override;
    void LocalFree(SecurityMemory memory) override;
    bool OpenProcessToken(std::uint32_t access, TokenHandle* token) override;
    bool LookupPrivilegeValue(const std::string& name, std::uint64_t* luid) override;
    bool AdjustTokenPrivileges(TokenHandle token, std::uint64_t luid,
                               std::uint32_t attributes) override;
    void CloseToken(TokenHandle token) override;
    long CreateShellLink(ShellLink* link) override;
    long ShellLinkSetPath(ShellLink link, const std::string& path) override;
    long ShellLinkSetWorkingDirectory(ShellLink link, const std::string& folder) override;
    long ShellLinkSave(ShellLink link, const std::string& path, bool remember) override;
    void ReleaseShellLink(ShellLink link) override;
    void SetLastError(std::uint32_t code) override { last_error = code; }
    std::uint32_t GetLastError() override { return last_error; }
    std::string GetTempPath() override { return temp_path; }
    LocalDate GetLocalTime() override { return local_date; }
    int WSAStartup(std::uint16_t version) override;
    int WSACleanup() override;
    int WSCEnumProtocols(void* buffer, std::uint32_t* length) override;
    int WSCDeinstallProvider(const Guid& provider) override;
    int WSCGetProviderPath(const Guid& provider, std::uint32_t capacity,
                           std::string* path) override;
    std::string ExpandEnvironmentStrings(const std::string& text) override;
    WindowHandle CreateMessageWindow(MessageHandler handler) override;
    void DestroyMessageWindow(WindowHandle window) override;
    bool CopyFile(const std::string& from, const std::string& to, bool fail_if_exists) override;
    bool MoveFileEx(const std::string& from, const std::string& to, std::uint32_t flags) override;

  private:
    // The list of |path| as the held-folder calls read and store it.
    std::uint32_t GetNamedSecurityInfo(const std::string& path, int object_type,
                                       std::uint32_t information, SecurityMemory* dacl,
                                       SecurityMemory* descriptor);
    std::uint32_t SetNamedSecurityInfo(const std::string& path, int object_type,
                                       std::uint32_t information, SecurityMemory dacl);
    bool InDeniedFolder(const std::string& resolved) const;
    FileHandle FailFile(std::uint32_t code) {
        last_error = code;
        return 0;
    }
    std::map<RegistryKey, std::string> open_keys_;
    std::map<RegistryKey, std::uint32_t> key_access_;  // what each was opened for
    RegistryKey next_key_ = 0x100;
    std::map<SecurityMemory, std::vector<AccessEntry>> security_memory_;
    SecurityMemory next_security_ = 0x10;
    struct LinkState {
        std::string path, working_directory;
    };
    std::map<ShellLink, LinkState> links_;
    ShellLink next_link_ = 0x20;

    // Aliases and junctions replaced, no final backslash.
    // As the program names them, in its view of the 32-bit redirection; OnDisk as the
    // test names them, and as the model names what it has resolved already.
    std::string Resolve(const std::string& path) const;
    // Its last name not followed.
    std::string ResolveNoFollow(const std::string& path, bool redirected = true) const;
    std::string OnDisk(const std::string& path) const;
    // The name as the system reads it, with the 32-bit view's redirection (when
    // |redirected|), drive aliases and short names replaced; no junction followed.
    std::string Canonical(const std::string& path, bool redirected = true) const;
    std::string Named(const std::string& path, bool redirected) const;  // no alias replaced
    std::string Follow(std::string path) const;  // every junction on the way followed
    // The folder an open handle stands for, held or compared; empty for none.
    std::string OpenedFolder(FolderHandle folder) const;
    std::map<std::string, std::string, NoCaseLess> drive_aliases_{{"\\\\localhost\\C$", "C:"},
                                                                  {"\\\\127.0.0.1\\C$", "C:"}};
    std::map<std::string, std::uint32_t, NoCaseLess> volume_serials_;
    std::map<FolderHandle, std::string> opened_as_;  // the name each open folder was given
    std::uint64_t next_file_id_ = 0x10000;
    FolderHandle next_folder_ = 0x3000;
    bool InUse(const std::string& resolved) const;
    struct Open {
        std::string path;
        std::size_t position = 0;
        bool read_only = false;        // opened for reading only, shared for reading only
        bool delete_on_close = false;  // DeleteOpenFile, CreateTransientFile
    };
    // The node |name| inside the held |folder|, found without following any junction;
    // an empty key when |folder| is not held or |name| is no plain name.
    std::string KeyAt(FolderHandle folder, const std::string& name) const;
    void RunBatch(const std::string& batch);
    std::map<std::string, Node, NoCaseLess> nodes_;
    std::map<std::string, std::string, NoCaseLess> short_to_long_;
    std::map<FileHandle, Open> handles_;
    FileHandle next_handle_ = 1;
    WindowHandle next_window_ = 0x1000;
    bool terminated_ = false;
    std::deque<std::function<void()>> queue_;
};

// |path| is |folder| or lies below it, letter case aside.
bool StartsFolder(const std::string& path, const std::string& folder);

// A zlib stream of |data| at |level|.
std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& data, int level = 1);
std::vector<std::uint8_t> Bytes(const std::string& text);

}  // namespace sorvane::test
