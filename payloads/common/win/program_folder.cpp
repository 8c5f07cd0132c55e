#include "payloads/common/win/program_folder.h"

#include <windows.h>

namespace sorvane::payloads {

std::wstring ProgramPath() {
    std::wstring buffer(MAX_PATH, L'\0');
    while (buffer.size() <= 32768) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

namespace {

bool SamePath(std::wstring_view a, std::wstring_view b) {
    return !a.empty() && CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// |path| with each folder and the file in the form that |convert| gives
// (GetLongPathNameW or GetShortPathNameW); empty when the path cannot be found.
std::wstring Converted(const std::wstring& path, DWORD(WINAPI* convert)(LPCWSTR, LPWSTR, DWORD)) {
    std::wstring out(MAX_PATH, L'\0');
    for (int round = 0; round < 2; ++round) {
        const DWORD n = convert(path.c_str(), out.data(), static_cast<DWORD>(out.size()));
        if (n == 0) return {};
        if (n < out.size()) {
            out.resize(n);
            return out;
        }
        out.resize(n);
    }
    return {};
}

}  // namespace

bool NamesThisProgram(std::wstring_view path) {
    const std::wstring own = ProgramPath();
    const std::wstring own_long = Converted(own, GetLongPathNameW);
    if (SamePath(path, own) || SamePath(path, own_long) ||
        SamePath(path, Converted(own, GetShortPathNameW)))
        return true;
    // Some folders short and others long: both name the file by its long form.
    return SamePath(Converted(std::wstring(path), GetLongPathNameW), own_long);
}

std::wstring ProgramFolder() {
    std::wstring path = ProgramPath();
    const std::size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos) return {};
    path.resize(cut);
    return path;
}

std::string ReadSmallFile(const std::wstring& path, std::size_t limit) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string data(limit, '\0');
    std::size_t used = 0;
    DWORD got = 0;
    while (used < limit &&
           ReadFile(file, data.data() + used, static_cast<DWORD>(limit - used), &got, nullptr) &&
           got > 0)
        used += got;
    CloseHandle(file);
    data.resize(used);
    return data;
}

Language ReadClientLanguage(const std::wstring& folder) {
    if (folder.empty()) return Language::English;
    return LanguageFromSettings(ReadSmallFile(folder + L"\\datax\\kayit.dat"));
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace sorvane::payloads
