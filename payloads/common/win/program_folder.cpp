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
