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
#include <string>

namespace sorvane {

// A window handle, kept pointer-sized so both builds carry it unchanged.
using WindowHandle = std::uintptr_t;
// An open file; 0 is no file.
using FileHandle = std::uintptr_t;

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

// Special folders, as the shell numbers them.
enum : int {
    kCsidlPrograms = 0x02,
    kCsidlCommonPrograms = 0x17,
    kCsidlProgramFiles = 0x26,
};

class Os {
  public:
    virtual ~Os() = default;

    // --- files and folders
    virtual bool FileExists(const std::string& path) = 0;       // a file, not a directory
    virtual bool DirectoryExists(const std::string& path) = 0;  // a directory
    virtual bool CreateDirectory(const std::string& path) = 0;  // one level, like CreateDirectoryA
    virtual bool DeleteFile(const std::string& path) = 0;
    // A new, empty file for reading and writing without sharing, replacing one of that name.
    virtual FileHandle CreateFileReadWrite(const std::string& path) = 0;
    // An existing file for reading and writing without sharing.
    virtual FileHandle OpenFileReadWrite(const std::string& path) = 0;
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
    // WritePrivateProfileStringA.
    virtual bool WriteProfileString(const std::string& section, const std::string& key,
                                    const std::string& value, const std::string& file) = 0;

    // --- environment, system, clock
    // The value, or empty when the variable is not set.
    virtual std::string GetEnvironmentVariable(const std::string& name) = 0;
    virtual std::uint32_t GetMajorVersion() = 0;
    virtual std::string GetModuleFileName() = 0;      // full path of the running executable
    virtual std::string GetCommandLine() = 0;         // the raw command line, program name first
    virtual bool IsLeadByte(unsigned char byte) = 0;  // of the ANSI code page
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

    // --- special folders
    // SHGetSpecialFolderLocation with |csidl|, then SHGetPathFromIDListA into 260 bytes:
    // false when either call fails; |path| then is unchanged.
    virtual bool GetSpecialFolderPath(int csidl, std::string* path) = 0;

    // --- the wizard: folder dialog and text conversion
    // The folder-selection dialog over |owner|: true with the folder (UTF-8, as the
    // folder field shows it) when the user confirmed one, false when cancelled.
    virtual bool SelectDirectory(WindowHandle owner, std::string* folder) = 0;
    // Paths are ANSI, texts on the screen UTF-8: the conversions between the two.
    virtual std::string AnsiToUtf8(const std::string& ansi) = 0;
    virtual std::string Utf8ToAnsi(const std::string& utf8) = 0;

    // --- resources of the program's own executable
    // RCDATA |id| as a read-only view; an invalid view when there is none.
    virtual ResourceView LoadResource(int id) = 0;
    virtual void ReleaseResource(const ResourceView& view) = 0;
};

}  // namespace sorvane
