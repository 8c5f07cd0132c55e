// The one seam between the setup and Windows. The setup's logic calls only this
// interface; platform/win32 implements it with the Win32 calls of the same names,
// and the tests implement it with an in-memory model of Windows.
//
// Strings: paths, file contents and registry data are ANSI strings as the system
// gives them; texts meant for the user (message boxes, control captions) are UTF-8
// and converted to UTF-16 at the Win32 boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/log_facts.h"

namespace sorvane {

// A window handle, kept pointer-sized so both builds carry it unchanged.
using WindowHandle = std::uintptr_t;
// An open file; 0 is no file.
using FileHandle = std::uintptr_t;
// A started process that can be waited for; 0 is none.
using ProcessHandle = std::uintptr_t;
// A folder held open without following links; 0 is none.
using FolderHandle = std::uintptr_t;
// Where a file lies, as GetFileInformationByHandle tells it: two names with the same
// identity stand for the same file or folder.
struct FolderIdentity {
    std::uint32_t volume = 0;  // the volume's serial number
    std::uint64_t file = 0;    // the file index on that volume
    bool operator==(const FolderIdentity& o) const { return volume == o.volume && file == o.file; }
};

// Bytes of one resource of the program's own executable, valid until released.
struct ResourceView {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::uintptr_t token = 0;  // what the OS needs to release the view
    bool valid() const { return token != 0; }
};

// Message box styles and answers, as Win32 numbers them.
enum : std::uint32_t {
    kMbOk = 0x0,
    kMbYesNo = 0x4,
    kMbIconError = 0x10,
    kMbIconWarning = 0x30,
};
enum : int { kIdOk = 1, kIdYes = 6, kIdNo = 7 };

// The wizard window's class: what a second setup looks for, and what the native window
// registers.
inline constexpr const char* kWizardWindowClass = "qnInstaller";

// Special folders, as the shell numbers them.
enum : int {
    kCsidlPrograms = 0x02,
    kCsidlPersonal = 0x05,
    kCsidlStartup = 0x07,
    kCsidlStartMenu = 0x0B,
    kCsidlDesktopDirectory = 0x10,
    kCsidlFonts = 0x14,
    kCsidlCommonStartMenu = 0x16,
    kCsidlCommonPrograms = 0x17,
    kCsidlCommonStartup = 0x18,
    kCsidlCommonDesktopDirectory = 0x19,
    kCsidlCommonAppData = 0x23,
    kCsidlProgramFiles = 0x26,
    kCsidlCommonTemplates = 0x2D,
    kCsidlCommonDocuments = 0x2E,
    kCsidlCommonAdminTools = 0x2F,
};

// System error codes, as Win32 numbers them.
enum : std::uint32_t {
    kErrorSuccess = 0,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorAccessDenied = 5,
    kErrorFileExists = 80,
    kErrorAlreadyExists = 183,
    kErrorNotAllAssigned = 1300,
    kErrorNoneMapped = 1332,
};

// --- registry: the two roots the setup writes under, access masks and value types
enum class RegistryRoot { CurrentUser, LocalMachine };
using RegistryKey = std::uintptr_t;
enum : std::uint32_t { kKeyAllAccess = 0xF003F, kRegSz = 1, kRegDword = 4 };

// --- security: access lists as EXPLICIT_ACCESS entries with a trustee named by account
using SecurityMemory = std::uintptr_t;  // memory that LocalFree releases; 0 is none
using TokenHandle = std::uintptr_t;
enum : int { kSeFileObject = 1, kSetAccess = 2 };
enum : std::uint32_t {
    kDaclSecurityInformation = 4,
    kGenericAll = 0x10000000,
    kSubContainersAndObjectsInherit = 3,
    kTokenAdjustPrivileges = 0x20,
    kTokenQuery = 0x8,
    kSePrivilegeEnabled = 2,
};
// A trustee written "S-1-..." is that SID itself, whatever the accounts are called in
// the system's language.
struct ExplicitAccess {
    std::string trustee_name;
    std::uint32_t permissions = 0;
    int mode = 0;
    std::uint32_t inheritance = 0;
};

// --- the shell link object with its IShellLinkA and IPersistFile interfaces
using ShellLink = std::uintptr_t;

// --- what the provider component needs: the Winsock catalogue, a hidden window, file copies

// A GUID as Windows lays it out in memory.
struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};
// Equal in all 16 bytes.
inline bool operator==(const Guid& a, const Guid& b) {
    return std::memcmp(&a, &b, sizeof(Guid)) == 0;
}
inline bool operator!=(const Guid& a, const Guid& b) {
    return !(a == b);
}

inline constexpr int kSocketError = -1;  // SOCKET_ERROR
// WSCEnumProtocols fills its buffer with WSAPROTOCOL_INFOW records of this size, one
// after another; the provider GUID (ProviderId) lies at this offset in each.
inline constexpr std::size_t kProtocolInfoSize = 628;
inline constexpr std::size_t kProtocolProviderIdOffset = 20;
inline constexpr std::uint32_t kMoveReplaceExisting = 0x1;   // MOVEFILE_REPLACE_EXISTING
inline constexpr std::uint32_t kMoveDelayUntilReboot = 0x4;  // MOVEFILE_DELAY_UNTIL_REBOOT

// Answers one message of a hidden window: message, first and second parameter; the result.
using MessageHandler = std::function<std::intptr_t(std::uint32_t message, std::uintptr_t wparam,
                                                   std::intptr_t lparam)>;

class Os {
  public:
    virtual ~Os() = default;

    // --- files and folders
    virtual bool FileExists(const std::string& path) = 0;       // a file, not a directory
    virtual bool DirectoryExists(const std::string& path) = 0;  // a directory
    virtual bool CreateDirectory(const std::string& path) = 0;  // one level, like CreateDirectoryA
    virtual bool DeleteFile(const std::string& path) = 0;
    virtual bool RemoveDirectory(const std::string& path) = 0;  // an empty one
    // Both report in |done| how many bytes were moved; false on an error.
    virtual bool ReadFile(FileHandle file, void* buffer, std::size_t size, std::size_t* done) = 0;
    virtual bool WriteFile(FileHandle file, const void* data, std::size_t size,
                           std::size_t* done) = 0;
    virtual bool SetFilePosition(FileHandle file, std::uint64_t position) = 0;
    virtual bool SetEndOfFile(FileHandle file) = 0;  // truncates at the current position
    virtual void CloseFile(FileHandle file) = 0;
    // GetLongPathNameA as looked up in kernel32 at run time: false when the system lacks
    // it; otherwise |result| is what the call returned and |buffer| what it wrote.
    virtual bool GetLongPathName(const std::string& path, std::string* buffer,
                                 std::uint32_t capacity, std::uint32_t* result) = 0;
    // GetShortPathNameA: the call's result; |buffer| holds the text when it fitted.
    virtual std::uint32_t GetShortPathName(const std::string& path, std::string* buffer,
                                           std::uint32_t capacity) = 0;

    // --- environment, system, clock
    // The value, or empty when the variable is not set.
    virtual std::string GetEnvironmentVariable(const std::string& name) = 0;
    virtual std::uint32_t GetMajorVersion() = 0;
    virtual std::string GetModuleFileName() = 0;      // full path of the running executable
    virtual std::string GetCommandLine() = 0;         // the raw command line, program name first
    // GetCommandLineW in UTF-8: the command line as it was given, before the system's
    // best-fit conversion to the ANSI code page (which turns a full-width "\" into "\").
    virtual std::string GetUnicodeCommandLine() = 0;
    // The working folder the process was started in (UTF-8), before it took the system
    // folder as its own; empty when unknown.
    virtual std::string GetStartFolder() = 0;
    // GetFullPathNameA of a full path (drive or share): "." and ".." taken out, "/" made
    // "\", as the system reads the name. Empty when the call fails.
    virtual std::string GetFullPathName(const std::string& path) = 0;
    virtual std::string GetKeyboardLayoutName() = 0;  // eight hex digits, e.g. 0000041F
    virtual std::uint32_t GetTickCount() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;

    // --- COM on the GUI thread
    virtual void CoInitialize() = 0;
    virtual void CoUninitialize() = 0;

    // --- windows and messages
    virtual WindowHandle FindWindow(const std::string& class_name) = 0;
    virtual bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) = 0;
    // Handles every message waiting in the thread's queue, then returns without waiting.
    virtual void PumpMessages() = 0;
    // Runs the message loop until the quit request; returns its exit code.
    virtual int RunMessageLoop() = 0;
    virtual void PostQuitMessage(int exit_code) = 0;
    virtual int MessageBox(WindowHandle owner, const std::string& text_utf8,
                           const std::string& caption_utf8, std::uint32_t style) = 0;

    // --- the shell
    // ShellExecuteA; an empty verb is the default action. Returns the call's result.
    virtual std::intptr_t ShellExecute(WindowHandle owner, const std::string& verb,
                                       const std::string& file, const std::string& parameters,
                                       const std::string& directory, int show) = 0;
    // ShellExecuteExA that keeps the started process: the result as ShellExecuteA gives
    // it (above 32 when started, else an SE_ERR code such as 5 for a refused start) and,
    // when started, |*process| (0 when the shell handed the file to a program it did not
    // start anew). A process is closed with CloseProcess.
    virtual std::intptr_t ShellExecuteProcess(WindowHandle owner, const std::string& verb,
                                              const std::string& file,
                                              const std::string& parameters,
                                              const std::string& directory, int show,
                                              ProcessHandle* process) = 0;
    // Waits at most |milliseconds| for |process| to end, handling the thread's window
    // messages meanwhile so that the windows stay alive: true when it has ended.
    virtual bool WaitForProcess(ProcessHandle process, std::uint32_t milliseconds) = 0;
    virtual void CloseProcess(ProcessHandle process) = 0;

    // --- special folders
    // SHGetSpecialFolderLocation with |csidl|, then SHGetPathFromIDListA into 260 bytes:
    // false when either call fails; |path| then is unchanged.
    virtual bool GetSpecialFolderPath(int csidl, std::string* path) = 0;

    // --- system registration: registry, security, shell links, last error, temp, date
    // RegCreateKeyExA (non-volatile, no class, default security) and RegOpenKeyExA under
    // |root|: the call's result; |key| is set on success.
    virtual long RegCreateKeyEx(RegistryRoot root, const std::string& path, std::uint32_t access,
                                RegistryKey* key) = 0;
    virtual long RegOpenKeyEx(RegistryRoot root, const std::string& path, std::uint32_t access,
                              RegistryKey* key) = 0;
    virtual long RegSetValueEx(RegistryKey key, const std::string& name, std::uint32_t type,
                               const void* data, std::uint32_t size) = 0;
    // RegQueryValueExA without a data buffer: success means the value exists.
    virtual long RegQueryValueEx(RegistryKey key, const std::string& name) = 0;
    virtual long RegDeleteValue(RegistryKey key, const std::string& name) = 0;
    virtual long RegCloseKey(RegistryKey key) = 0;
    // BuildExplicitAccessWithNameA into a zeroed entry, then SetEntriesInAclA with it.
    virtual std::uint32_t SetEntriesInAcl(const ExplicitAccess& entry, SecurityMemory old_dacl,
                                          SecurityMemory* new_dacl) = 0;
    virtual void LocalFree(SecurityMemory memory) = 0;
    virtual bool OpenProcessToken(std::uint32_t access, TokenHandle* token) = 0;
    virtual bool LookupPrivilegeValue(const std::string& name, std::uint64_t* luid) = 0;
    // AdjustTokenPrivileges with one privilege and a previous-state buffer of its size.
    virtual bool AdjustTokenPrivileges(TokenHandle token, std::uint64_t luid,
                                       std::uint32_t attributes) = 0;
    virtual void CloseToken(TokenHandle token) = 0;
    // CoCreateInstance of the shell link object, then its IShellLinkA and IPersistFile:
    // the first failing result, or 0 with |link| set.
    virtual long CreateShellLink(ShellLink* link) = 0;
    virtual long ShellLinkSetPath(ShellLink link, const std::string& path) = 0;
    virtual long ShellLinkSetWorkingDirectory(ShellLink link, const std::string& folder) = 0;
    // IPersistFile::Save, the path widened from the ANSI code page.
    virtual long ShellLinkSave(ShellLink link, const std::string& path, bool remember) = 0;
    virtual void ReleaseShellLink(ShellLink link) = 0;
    virtual void SetLastError(std::uint32_t code) = 0;
    virtual std::uint32_t GetLastError() = 0;
    virtual std::string GetTempPath() = 0;  // the process's temporary folder, final backslash
    virtual LocalDate GetLocalTime() = 0;   // GetLocalTime
    // --- the run's log file, opened as itself, never through a link
    // CreateFileA for reading and writing, others may only read, with
    // FILE_FLAG_OPEN_REPARSE_POINT, so that a link is opened as the link: OPEN_EXISTING,
    // and CREATE_NEW when there is no such file. 0 on failure.
    virtual FileHandle OpenFileNoFollow(const std::string& path) = 0;
    // GetFileInformationByHandle, the owner from GetSecurityInfo compared with the
    // process's user and the two system accounts, GetFinalPathNameByHandleA (looked up
    // at run time). False when any of them fails or the system lacks it.
    virtual bool GetFileFacts(FileHandle file, FileFacts* facts) = 0;
    // --- the wizard: folder dialog and text conversion
    // The folder-selection dialog over |owner|, opening at |start| (UTF-8; the working
    // folder when empty): true with the folder (UTF-8, as the folder field shows it) when
    // the user confirmed one, false when cancelled.
    virtual bool SelectDirectory(WindowHandle owner, const std::string& start,
                                 std::string* folder) = 0;
    // Paths are ANSI, texts on the screen UTF-8: the conversions between the two.
    virtual std::string AnsiToUtf8(const std::string& ansi) = 0;
    // Without best-fit mapping: false, |ansi| unchanged, unless the text converts to the
    // ANSI code page exactly (converting back gives the same characters). A look-alike
    // such as U+FF3C for a backslash would otherwise name another folder.
    virtual bool Utf8ToAnsi(const std::string& utf8, std::string* ansi) = 0;

    // --- resources of the program's own executable
    // RCDATA |id| as a read-only view; an invalid view when there is none.
    virtual ResourceView LoadResource(int id) = 0;
    virtual void ReleaseResource(const ResourceView& view) = 0;

    // --- the Winsock catalogue (ws2_32)
    virtual int WSAStartup(std::uint16_t version) = 0;  // into a zeroed WSADATA; the result
    virtual int WSACleanup() = 0;
    // WSCEnumProtocols with no protocol filter into |buffer| of |*length| bytes (a null
    // buffer with length 0 asks for the length needed, which comes back in |*length|).
    // The number of records, or kSocketError.
    virtual int WSCEnumProtocols(void* buffer, std::uint32_t* length) = 0;
    virtual int WSCDeinstallProvider(const Guid& provider) = 0;  // 0 or kSocketError
    // WSCGetProviderPath into a zeroed buffer of |capacity| wide characters, which is the
    // length given; |path| receives its text up to the terminator in the ANSI code page.
    // 0 or kSocketError.
    virtual int WSCGetProviderPath(const Guid& provider, std::uint32_t capacity,
                                   std::string* path) = 0;
    // ExpandEnvironmentStringsA: %NAME% references replaced by their values (an unknown
    // name stays as written); |text| unchanged when the call fails.
    virtual std::string ExpandEnvironmentStrings(const std::string& text) = 0;

    // --- a hidden message window
    // A top-level window of zero size, without caption and never shown, whose messages
    // after its creation all go to |handler|, without the system's default handling.
    // 0 when it cannot be made.
    virtual WindowHandle CreateMessageWindow(MessageHandler handler) = 0;
    virtual void DestroyMessageWindow(WindowHandle window) = 0;

    // --- copying and moving files
    virtual bool CopyFile(const std::string& from, const std::string& to,
                          bool fail_if_exists) = 0;  // CopyFileA
    // MoveFileExA; an empty |to| with kMoveDelayUntilReboot deletes |from| at the next start.
    virtual bool MoveFileEx(const std::string& from, const std::string& to,
                            std::uint32_t flags) = 0;

    // --- folders checked against links, and the private folder of the access batch
    // CreateFileA of a directory with FILE_FLAG_BACKUP_SEMANTICS and
    // FILE_FLAG_OPEN_REPARSE_POINT, shared for reading and writing but not for deletion,
    // so that it can be neither renamed nor removed while held: 0 unless |path| is a
    // directory that is no reparse point (junction or symbolic link).
    virtual FolderHandle OpenFolder(const std::string& path) = 0;
    virtual void CloseFolder(FolderHandle folder) = 0;
    // The names in |path| without "." and ".." (FindFirstFileA); false when unreadable.
    virtual bool ListFolder(const std::string& path, std::vector<std::string>* names) = 0;
    // The owner of the held folder as a SID string; empty when unknown.
    virtual std::string GetFolderOwner(FolderHandle folder) = 0;
    // The SID string of the account the process runs as; empty when unknown.
    virtual std::string GetProcessUserSid() = 0;
    // GetSecurityInfo and SetSecurityInfo of the held folder's DACL (which the system
    // passes on to what lies below): the call's result; the DACL lies inside
    // |descriptor|, which LocalFree releases.
    virtual std::uint32_t GetFolderDacl(FolderHandle folder, SecurityMemory* dacl,
                                        SecurityMemory* descriptor) = 0;
    virtual std::uint32_t SetFolderDacl(FolderHandle folder, SecurityMemory dacl) = 0;
    // CreateDirectoryA with a protected list: full control for Administrators and SYSTEM,
    // inherited, and nothing for anyone else.
    virtual bool CreatePrivateDirectory(const std::string& path) = 0;
    // CreateFileA for writing with CREATE_NEW: 0 when the name exists already.
    virtual FileHandle CreateNewFile(const std::string& path) = 0;
    // CreateFileA for reading and writing with CREATE_NEW and FILE_FLAG_DELETE_ON_CLOSE,
    // shared with nobody: a new file that nobody else can open, rename or delete, and
    // that goes when CloseFile closes it, wherever it lies then. 0 when the name exists.
    virtual FileHandle CreateTransientFile(const std::string& path) = 0;
    // GetSystemDirectoryA, without final backslash; empty when unknown.
    virtual std::string GetSystemDirectory() = 0;

    // --- which folder a name stands for, however it is spelt (short names, links,
    // other drive letters or shares, the 32-bit view's redirection)
    // CreateFileA of a directory with FILE_FLAG_BACKUP_SEMANTICS, asking only for its
    // attributes and sharing everything: the folder |path| leads to as the system follows
    // it, links and redirection included; neither held nor checked against links. 0
    // unless it is a directory. Closed with CloseFolder.
    virtual FolderHandle OpenFolderToCompare(const std::string& path) = 0;
    // GetFileInformationByHandle: the volume serial number and the file index.
    virtual bool GetFolderIdentity(FolderHandle folder, FolderIdentity* identity) = 0;
    // GetFinalPathNameByHandleA with FILE_NAME_NORMALIZED | VOLUME_NAME_DOS (looked up at
    // run time), e.g. "\\?\C:\Windows\SysWOW64" or "\\?\UNC\server\share\x";
    // false when it fails or the system lacks it.
    virtual bool GetFolderFinalPath(FolderHandle folder, std::string* path) = 0;
    // GetSystemWindowsDirectoryA; GetSystemWow64DirectoryA, empty where there is no 32-bit
    // view (a 32-bit Windows); the folder of the users' profiles (SHGetKnownFolderPath of
    // FOLDERID_UserProfiles, looked up at run time). Without final backslash; empty when
    // unknown.
    virtual std::string GetWindowsDirectory() = 0;
    virtual std::string GetSystemWow64Directory() = 0;
    virtual std::string GetProfilesDirectory() = 0;

    // --- links on the way to a folder
    // Whether |path| itself (not what it leads to) is a junction or symbolic link, opened
    // with FILE_FLAG_OPEN_REPARSE_POINT; when it is, |owner| is its owner as a SID string
    // (empty when unknown). False for anything else, or when |path| cannot be opened.
    virtual bool GetLinkOwner(const std::string& path, std::string* owner) = 0;
    // OpenFolder that follows a link at |path| to the folder it leads to; 0 unless that
    // is a directory and no link itself.
    virtual FolderHandle OpenFolderFollowing(const std::string& path) = 0;

    // --- inside held folders: each name is opened relative to the held folder's handle
    // (NtCreateFile with the folder as root directory) and never through a link at that
    // name, so that a held folder turned into a mount point later redirects nothing.
    // The folder |name| in |parent|, created when missing and held as OpenFolder holds
    // it: 0 when it is a link or no folder (the last error tells).
    virtual FolderHandle OpenFolderAt(FolderHandle parent, const std::string& name) = 0;
    // A new file |name| in |folder| for reading and writing, shared with nobody, that this
    // handle may rename and delete: 0 when the name stands already (error 80) or the
    // file cannot be made.
    virtual FileHandle CreateNewFileAt(FolderHandle folder, const std::string& name) = 0;
    // The file |name| in |folder| for reading only, shared for reading only, so that
    // nobody may write, rename or delete it while it is open; a link is opened as itself
    // (GetFileFacts then shows it). 0 when there is no such file or it is in use.
    virtual FileHandle OpenFileAt(FolderHandle folder, const std::string& name) = 0;
    // Gives the open |file| (from CreateNewFileAt) the name |name| in |folder|, never
    // replacing what stands there: false with the system's error (183 when it stands).
    virtual bool RenameFileAt(FileHandle file, FolderHandle folder, const std::string& name) = 0;
    // Renames |from| in |folder| to |to| there: the name itself (a link as the link),
    // never replacing what stands at |to|. False with the system's error.
    virtual bool RenameAt(FolderHandle folder, const std::string& from, const std::string& to) = 0;
    // Deletes the file |name| in |folder|, a link as the link: false with the system's
    // error (5 for a program that runs or a library that is loaded).
    virtual bool DeleteAt(FolderHandle folder, const std::string& name) = 0;
    // Deletes the open |file| (from CreateNewFileAt); it goes when it is closed.
    virtual bool DeleteOpenFile(FileHandle file) = 0;
    // The names in |folder| read through its handle, without "." and "..".
    virtual bool ListFolderAt(FolderHandle folder, std::vector<std::string>* names) = 0;
    // GetFileInformationByHandle of an open file: only the attributes, the number of
    // links and the size of |facts| are filled in.
    virtual bool GetFileBasics(FileHandle file, FileFacts* facts) = 0;
};

}  // namespace sorvane
