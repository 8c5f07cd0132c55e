#include "system/folder_access.h"

#include "core/ascii_case.h"
#include "core/number_text.h"

namespace sorvane {

namespace {

constexpr std::uint32_t kBatchWaitMs = 500;
constexpr std::uint32_t kBatchEndLimitMs = 120000;
// The console that ran the batch may hold its folder a moment after the batch ended.
constexpr std::uint32_t kBatchFolderLimitMs = 1000;
constexpr std::uint32_t kBatchFolderRetryMs = 10;
constexpr int kPrivateFolderAttempts = 16;
constexpr const char* kEveryoneSid = "S-1-1-0";

// A folder as the batch names it: without surrounding blanks or control characters
// and without its final backslash.
std::string BatchFolder(const std::string& folder) {
    std::size_t begin = 0, end = folder.size();
    while (begin < end && static_cast<unsigned char>(folder[begin]) < 33) ++begin;
    while (end > begin && static_cast<unsigned char>(folder[end - 1]) < 33) --end;
    std::string trimmed = folder.substr(begin, end - begin);
    if (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
    return trimmed;
}

// A new folder of our own under the process's temporary folder, whose protected list
// lets in Administrators and SYSTEM only, also where users may add files to the
// temporary folder (that of SYSTEM). Empty when no fresh folder could be made: a
// folder that already exists is never used.
std::string MakePrivateFolder(Os& os) {
    std::string temp = os.GetTempPath();
    if (temp.empty()) return {};
    if (temp.back() != '\\') temp += '\\';
    const std::uint32_t stamp = os.GetTickCount();
    for (int attempt = 0; attempt < kPrivateFolderAttempts; ++attempt) {
        const std::string folder =
            temp + "sorvane-" + HexText(stamp) + "-" + DecimalText(static_cast<unsigned>(attempt));
        if (os.CreatePrivateDirectory(folder)) return folder + "\\";
    }
    return {};
}

// Writes the batch as a file that did not exist before.
bool WriteNewFile(Os& os, const std::string& path, const std::string& text) {
    const FileHandle file = os.CreateNewFile(path);
    if (!file) return false;
    std::size_t done = 0;
    const bool ok = os.WriteFile(file, text.data(), text.size(), &done) && done == text.size();
    os.CloseFile(file);
    return ok;
}

// The long form of |path| where the system gives one.
std::string LongForm(Os& os, const std::string& path) {
    constexpr std::uint32_t kMaxPath = 260;
    std::string buffer;
    std::uint32_t length = 0;
    if (os.GetLongPathName(path, &buffer, kMaxPath + 1, &length) && length >= 1 &&
        length <= kMaxPath)
        return buffer;
    return path;
}

// Whether |final_path|, as GetFinalPathNameByHandle gives it, is |path|, whose
// letters may differ in case.
bool SamePath(std::string final_path, const std::string& path) {
    if (final_path.rfind("\\\\?\\UNC\\", 0) == 0)
        final_path.erase(2, 6);  // \\?\UNC\server\share is \\server\share
    else if (final_path.rfind("\\\\?\\", 0) == 0)
        final_path.erase(0, 4);
    return SameTextAZ(final_path, path);
}

// A held folder can still be made a mount point by anyone who may write into it, as
// long as it is empty: icacls, naming it by its path, would then act on whatever it
// leads to. So while the batch runs, a file of ours that nobody else can open, rename
// or delete keeps the folder from being empty; it goes when it is closed, wherever it
// lies. 0, and the folder left out of the batch, when no such file could be made or it
// did not land in the folder itself (the folder had already become a link).
FileHandle PinFolder(Os& os, const std::string& folder) {
    const std::string named = BatchFolder(folder);
    const std::uint32_t stamp = os.GetTickCount();
    for (int attempt = 0; attempt < kPrivateFolderAttempts; ++attempt) {
        const std::string name = "sorvane-" + HexText(stamp) + "-" +
                                 DecimalText(static_cast<unsigned>(attempt)) + ".pin";
        const FileHandle pin = os.CreateTransientFile(named + "\\" + name);
        if (!pin) continue;
        FileFacts facts;
        if (os.GetFileFacts(pin, &facts) &&
            SamePath(facts.final_path, LongForm(os, named) + "\\" + name))
            return pin;
        os.CloseFile(pin);
        return 0;
    }
    return 0;
}

// The batch text in the ANSI code page goes to cmd, which reads it in the console's
// (OEM) code page: only a name of plain ASCII reaches icacls as written.
bool AsciiOnly(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The folders named in the batch, in the form it names them; empty for one left out.
std::string BatchForm(Os& os, const std::string& folder, FileHandle pin) {
    if (!pin) return {};
    const std::string named = ToShortPath(os, BatchFolder(folder));
    return AsciiOnly(named) ? named : std::string();
}

// The batch runs in its private folder and ends before it is deleted: cmd reads a
// batch line by line while it runs. One still running after the bound is left there.
// Each folder it names stays pinned (above) while it runs, and icacls acts on the
// folder itself (/L), never on what a link in its place would lead to.
void RunBatchFallback(Os& os, const std::string& first, const std::string& second) {
    os.Sleep(kBatchWaitMs);
    const std::string icacls = os.GetSystemDirectory();
    if (icacls.empty()) return;
    const std::string folder = MakePrivateFolder(os);
    if (folder.empty()) return;
    const FileHandle pin_a = first.empty() ? 0 : PinFolder(os, first);
    const FileHandle pin_b = second.empty() ? 0 : PinFolder(os, second);
    const std::string batch = ToShortPath(os, folder + kAccessBatchName);
    const std::string a = BatchForm(os, first, pin_a);
    const std::string b = BatchForm(os, second, pin_b);
    bool ended = true;
    if ((!a.empty() || !b.empty()) &&
        WriteNewFile(os, batch, AccessBatchText(icacls + "\\icacls.exe", a, b))) {
        ProcessHandle process = 0;
        if (os.ShellExecuteProcess(0, "open", batch, "", folder, kShowHide, &process) > 32 &&
            process) {
            ended = os.WaitForProcess(process, kBatchEndLimitMs);
            os.CloseProcess(process);
        }
    }
    if (pin_a) os.CloseFile(pin_a);
    if (pin_b) os.CloseFile(pin_b);
    if (!ended) return;
    os.DeleteFile(batch);
    const std::uint32_t start = os.GetTickCount();
    while (!os.RemoveDirectory(folder) && os.DirectoryExists(folder) &&
           os.GetTickCount() - start < kBatchFolderLimitMs)
        os.Sleep(kBatchFolderRetryMs);
}

// |text| as a batch line takes it: cmd expands %NAME% even inside quotes.
std::string BatchText(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

// Opens |folder| to everyone when it is a folder and no link; 0 otherwise.
FolderHandle OpenToGrant(Os& os, const std::string& folder) {
    return folder.empty() ? 0 : os.OpenFolder(folder);
}

}  // namespace

std::string AccessBatchText(const std::string& icacls, const std::string& folder_a,
                            const std::string& folder_b) {
    std::string text = "@echo off\r\n";
    for (const std::string* folder : {&folder_a, &folder_b})
        if (!folder->empty()) {
            text += '"';
            text += BatchText(icacls);
            text += "\" \"";
            text += BatchText(*folder);
            text += "\" /grant:r *S-1-5-32-545:(OI)(CI)F /L\r\n";
        }
    return text;
}

std::string ToShortPath(Os& os, const std::string& path) {
    constexpr std::uint32_t kUsable = 255;  // of a buffer of 256
    std::string buffer;
    const std::uint32_t n = os.GetShortPathName(path, &buffer, kUsable);
    if (n == 0 || n >= kUsable) return path;
    return buffer;
}

bool EnablePrivilege(Os& os, const std::string& privilege, bool enable) {
    try {
        TokenHandle token = 0;
        if (!os.OpenProcessToken(kTokenAdjustPrivileges | kTokenQuery, &token)) return false;
        std::uint64_t luid = 0;
        bool ok = os.LookupPrivilegeValue(privilege, &luid);
        // The call succeeds also for a privilege the token lacks; the last error tells.
        if (ok)
            ok = os.AdjustTokenPrivileges(token, luid,
                                          enable ? std::uint32_t{kSePrivilegeEnabled} : 0u) &&
                 os.GetLastError() != kErrorNotAllAssigned;
        os.CloseToken(token);
        return ok;
    } catch (...) {
        return false;
    }
}

bool GrantEveryoneFullAccess(Os& os, FolderHandle folder) {
    try {
        EnablePrivilege(os, kSecurityPrivilege, true);
        SecurityMemory dacl = 0, descriptor = 0;
        if (os.GetFolderDacl(folder, &dacl, &descriptor) != kErrorSuccess) return false;
        const ExplicitAccess everyone{kEveryoneSid, kGenericAll, kSetAccess,
                                      kSubContainersAndObjectsInherit};
        SecurityMemory new_dacl = 0;
        if (os.SetEntriesInAcl(everyone, dacl, &new_dacl) != kErrorSuccess) {
            os.LocalFree(descriptor);
            return false;
        }
        const bool stored = os.SetFolderDacl(folder, new_dacl) == kErrorSuccess;
        os.LocalFree(new_dacl);
        os.LocalFree(descriptor);
        return stored;
    } catch (...) {
        return false;
    }
}

void GrantFolderAccess(Os& os, const FolderToGrant& first, const FolderToGrant& second) {
    const FolderHandle a = first.folder, b = second.folder;
    const bool granted =
        (!a || GrantEveryoneFullAccess(os, a)) && (!b || GrantEveryoneFullAccess(os, b));
    if (granted) return;
    try {
        RunBatchFallback(os, a ? first.path : std::string(), b ? second.path : std::string());
    } catch (...) {
        // The fallback is best effort; the folders keep what they had.
    }
}

void GrantFolderAccess(Os& os, const std::string& first, const std::string& second) {
    // Both stay held, so neither can be swapped for a link, until the batch has ended.
    const FolderToGrant a{OpenToGrant(os, first), first};
    const FolderToGrant b{OpenToGrant(os, second), second};
    GrantFolderAccess(os, a, b);
    if (a.folder) os.CloseFolder(a.folder);
    if (b.folder) os.CloseFolder(b.folder);
}

}  // namespace sorvane
