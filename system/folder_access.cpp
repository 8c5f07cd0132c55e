#include "system/folder_access.h"

#include "core/number_text.h"
#include "install/data_folders.h"

namespace sorvane {

namespace {

constexpr std::uint32_t kBatchWaitMs = 500;
constexpr std::uint32_t kDeletionLimitMs = 1000;
constexpr std::uint32_t kDeletionPollMs = 10;
constexpr int kPrivateFolderAttempts = 16;

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

// A new folder of our own under the process's temporary folder, which only this
// (elevated) account can write, unlike the folders being opened to everyone. Empty
// when no fresh folder could be made: a folder that already exists is never used.
std::string MakePrivateFolder(Os& os) {
    std::string temp = os.GetTempPath();
    if (temp.empty()) return {};
    if (temp.back() != '\\') temp += '\\';
    const std::uint32_t stamp = os.GetTickCount();
    for (int attempt = 0; attempt < kPrivateFolderAttempts; ++attempt) {
        const std::string folder =
            temp + "sorvane-" + HexText(stamp) + "-" + DecimalText(static_cast<unsigned>(attempt));
        if (os.CreateDirectory(folder)) return folder + "\\";
    }
    return {};
}

bool WriteWholeFile(Os& os, const std::string& path, const std::string& text) {
    const FileHandle file = os.CreateFileReadWrite(path);
    if (!file) return false;
    std::size_t done = 0;
    const bool ok = os.WriteFile(file, text.data(), text.size(), &done);
    os.CloseFile(file);
    return ok;
}

void RunBatchFallback(Os& os, const std::string& first, const std::string& second) {
    os.Sleep(kBatchWaitMs);
    const std::string folder = MakePrivateFolder(os);
    if (folder.empty()) return;
    std::string batch = folder + kAccessBatchName;
    std::string a = BatchFolder(first);
    std::string b = BatchFolder(second);
    a = ToShortPath(os, a);
    b = ToShortPath(os, b);
    batch = ToShortPath(os, batch);
    // In a folder made a moment ago, a batch already there was put by someone else.
    if (!os.FileExists(batch)) {
        WriteWholeFile(os, batch, AccessBatchText(a, b, batch));
        if (os.FileExists(batch)) os.ShellExecute(0, "open", batch, "", "", kShowHide);
    }
    os.Sleep(kBatchWaitMs);
    const std::uint32_t start = os.GetTickCount();
    while (os.FileExists(batch)) {
        os.DeleteFile(batch);
        if (os.GetTickCount() - start > kDeletionLimitMs) break;
        os.Sleep(kDeletionPollMs);
    }
    // Empty once the batch is gone; a batch still running deletes itself and leaves
    // the empty folder behind.
    os.RemoveDirectory(folder);
}

}  // namespace

std::string AccessBatchText(const std::string& folder_a, const std::string& folder_b,
                            const std::string& batch_path) {
    const std::string grant = "\" /grant:r Users:(OI)(CI)F\r\n";
    return "@echo off\r\n"
           "icacls \"" +
           folder_a + grant + "icacls \"" + folder_b + grant +
           ":try\r\n"
           "del \"" +
           batch_path +
           "\"\r\n"
           "if exist \"" +
           batch_path + "\" goto try\r\n";
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
        if (!os.LookupPrivilegeValue(privilege, &luid)) {
            os.CloseToken(token);
            return false;
        }
        const bool ok =
            os.AdjustTokenPrivileges(token, luid, enable ? std::uint32_t{kSePrivilegeEnabled} : 0u);
        os.CloseToken(token);
        return ok;
    } catch (...) {
        return false;
    }
}

bool GrantEveryoneFullAccess(Os& os, const std::string& folder) {
    try {
        EnablePrivilege(os, kSecurityPrivilege, true);
        SecurityMemory dacl = 0, descriptor = 0;
        if (os.GetNamedSecurityInfo(folder, kSeFileObject, kDaclSecurityInformation, &dacl,
                                    &descriptor) != kErrorSuccess)
            return false;
        const ExplicitAccess everyone{"EVERYONE", kGenericAll, kSetAccess,
                                      kSubContainersAndObjectsInherit};
        SecurityMemory new_dacl = 0;
        if (os.SetEntriesInAcl(everyone, dacl, &new_dacl) != kErrorSuccess) {
            os.LocalFree(descriptor);
            return false;
        }
        const bool stored = os.SetNamedSecurityInfo(folder, kSeFileObject, kDaclSecurityInformation,
                                                    new_dacl) == kErrorSuccess;
        os.LocalFree(new_dacl);
        os.LocalFree(descriptor);
        return stored;
    } catch (...) {
        return false;
    }
}

void GrantFolderAccess(Os& os, const std::string& first, const std::string& second) {
    ForceDirectories(os, first);
    ForceDirectories(os, second);
    if (GrantEveryoneFullAccess(os, first) && GrantEveryoneFullAccess(os, second)) return;
    try {
        RunBatchFallback(os, first, second);
    } catch (...) {
        // The fallback is best effort; the folders keep what they had.
    }
}

}  // namespace sorvane
