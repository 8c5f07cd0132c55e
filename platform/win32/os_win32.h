// The real OS: each operation is the Win32 call of the same name, results unchanged.
#pragma once

#include <functional>

#include "platform/os.h"
#include "platform/win32/windows_api.h"

namespace sorvane::win32 {

class Win32Os : public Os {
  public:
    // Keyboard messages for |window| go through the dialog manager (Tab, Alt+letter).
    void SetDialogWindow(HWND window) { dialog_ = window; }
    // Sees every message first; true when it has handled the message itself.
    void SetMessageFilter(std::function<bool(MSG&)> filter) { filter_ = std::move(filter); }
    // The working folder the process was started in (UTF-8), noted before it left it.
    void SetStartFolder(std::string folder) { start_folder_ = std::move(folder); }

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
    bool GetLongPathName(const std::string& path, std::string* buffer, std::uint32_t capacity,
                         std::uint32_t* result) override;
    std::uint32_t GetShortPathName(const std::string& path, std::string* buffer,
                                   std::uint32_t capacity) override;
    std::string GetEnvironmentVariable(const std::string& name) override;
    std::uint32_t GetMajorVersion() override;
    std::string GetModuleFileName() override;
    std::string GetCommandLine() override;
    std::string GetUnicodeCommandLine() override;
    std::string GetStartFolder() override { return start_folder_; }
    std::string GetFullPathName(const std::string& path) override;
    std::string GetKeyboardLayoutName() override;
    std::uint32_t GetTickCount() override;
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
    void SetLastError(std::uint32_t code) override;
    std::uint32_t GetLastError() override;
    std::string GetTempPath() override;
    LocalDate GetLocalTime() override;
    // the run's log file (os_win32_log.cpp)
    FileHandle OpenFileNoFollow(const std::string& path) override;
    bool GetFileFacts(FileHandle file, FileFacts* facts) override;
    bool SelectDirectory(WindowHandle owner, const std::string& start,
                         std::string* folder) override;
    std::string AnsiToUtf8(const std::string& ansi) override;
    bool Utf8ToAnsi(const std::string& utf8, std::string* ansi) override;
    ResourceView LoadResource(int id) override;
    void ReleaseResource(const ResourceView& view) override;

    // os_win32_provider.cpp
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

    // folders checked against links (os_win32_folders.cpp)
    FolderHandle OpenFolder(const std::string& path) override;
    void CloseFolder(FolderHandle folder) override;
    bool ListFolder(const std::string& path, std::vector<std::string>* names) override;
    std::string GetFolderOwner(FolderHandle folder) override;
    std::string GetProcessUserSid() override;
    std::uint32_t GetFolderDacl(FolderHandle folder, SecurityMemory* dacl,
                                SecurityMemory* descriptor) override;
    std::uint32_t SetFolderDacl(FolderHandle folder, SecurityMemory dacl) override;
    bool CreatePrivateDirectory(const std::string& path) override;
    FileHandle CreateNewFile(const std::string& path) override;
    FileHandle CreateTransientFile(const std::string& path) override;
    std::string GetSystemDirectory() override;
    FolderHandle OpenFolderToCompare(const std::string& path) override;
    bool GetFolderIdentity(FolderHandle folder, FolderIdentity* identity) override;
    bool GetFolderFinalPath(FolderHandle folder, std::string* path) override;
    std::string GetWindowsDirectory() override;
    std::string GetSystemWow64Directory() override;
    std::string GetProfilesDirectory() override;

    // links on the way, and names inside held folders (os_win32_held.cpp)
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

  private:
    void Dispatch(MSG& msg);
    HWND dialog_ = nullptr;
    std::function<bool(MSG&)> filter_;
    std::string start_folder_;
    bool terminated_ = false;  // a quit request was taken from the queue: the loop ends
    int exit_code_ = 0;
};

}  // namespace sorvane::win32
