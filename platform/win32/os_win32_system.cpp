// The registry, security, shell-link, last-error, temporary-folder and date calls of
// the system registration: each the Win32 call of the same name, results unchanged.
#include "platform/win32/os_win32.h"

#include <vector>

namespace sorvane::win32 {

namespace {

HKEY AsRootKey(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}
HKEY AsKey(RegistryKey key) {
    return reinterpret_cast<HKEY>(key);
}

// The three interfaces of one shell link object.
struct LinkObject {
    IUnknown* unknown = nullptr;
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
};
LinkObject* AsLink(ShellLink link) {
    return reinterpret_cast<LinkObject*>(link);
}

}  // namespace

bool Win32Os::RemoveDirectory(const std::string& path) {
    return RemoveDirectoryA(path.c_str()) != 0;
}

long Win32Os::RegCreateKeyEx(RegistryRoot root, const std::string& path, std::uint32_t access,
                             RegistryKey* key) {
    HKEY opened = nullptr;
    const LONG r = RegCreateKeyExA(AsRootKey(root), path.c_str(), 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, access, nullptr, &opened, nullptr);
    if (r == ERROR_SUCCESS) *key = reinterpret_cast<RegistryKey>(opened);
    return r;
}

long Win32Os::RegOpenKeyEx(RegistryRoot root, const std::string& path, std::uint32_t access,
                           RegistryKey* key) {
    HKEY opened = nullptr;
    const LONG r = RegOpenKeyExA(AsRootKey(root), path.c_str(), 0, access, &opened);
    if (r == ERROR_SUCCESS) *key = reinterpret_cast<RegistryKey>(opened);
    return r;
}

long Win32Os::RegSetValueEx(RegistryKey key, const std::string& name, std::uint32_t type,
                            const void* data, std::uint32_t size) {
    return RegSetValueExA(AsKey(key), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

long Win32Os::RegQueryValueEx(RegistryKey key, const std::string& name) {
    return RegQueryValueExA(AsKey(key), name.c_str(), nullptr, nullptr, nullptr, nullptr);
}

long Win32Os::RegDeleteValue(RegistryKey key, const std::string& name) {
    return RegDeleteValueA(AsKey(key), name.c_str());
}

long Win32Os::RegCloseKey(RegistryKey key) {
    return ::RegCloseKey(AsKey(key));
}

std::uint32_t Win32Os::SetEntriesInAcl(const ExplicitAccess& entry, SecurityMemory old_dacl,
                                       SecurityMemory* new_dacl) {
    EXPLICIT_ACCESS_A access;
    ZeroMemory(&access, sizeof access);
    std::vector<char> trustee(entry.trustee_name.begin(), entry.trustee_name.end());
    trustee.push_back('\0');
    BuildExplicitAccessWithNameA(&access, trustee.data(), entry.permissions,
                                 static_cast<ACCESS_MODE>(entry.mode), entry.inheritance);
    PSID sid = nullptr;
    if (entry.trustee_name.rfind("S-1-", 0) == 0) {
        if (!ConvertStringSidToSidA(trustee.data(), &sid)) return ::GetLastError();
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.ptstrName = static_cast<LPSTR>(sid);
    }
    PACL acl = nullptr;
    const DWORD r = SetEntriesInAclA(1, &access, reinterpret_cast<PACL>(old_dacl), &acl);
    if (sid) ::LocalFree(sid);
    *new_dacl = reinterpret_cast<SecurityMemory>(acl);
    return r;
}

void Win32Os::LocalFree(SecurityMemory memory) {
    ::LocalFree(reinterpret_cast<HLOCAL>(memory));
}

bool Win32Os::OpenProcessToken(std::uint32_t access, TokenHandle* token) {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(GetCurrentProcess(), access, &opened)) return false;
    *token = reinterpret_cast<TokenHandle>(opened);
    return true;
}

bool Win32Os::LookupPrivilegeValue(const std::string& name, std::uint64_t* luid) {
    LUID found{};
    if (!LookupPrivilegeValueA(nullptr, name.c_str(), &found)) return false;
    *luid = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(found.HighPart)) << 32) |
            found.LowPart;
    return true;
}

bool Win32Os::AdjustTokenPrivileges(TokenHandle token, std::uint64_t luid,
                                    std::uint32_t attributes) {
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Luid.LowPart = static_cast<DWORD>(luid);
    wanted.Privileges[0].Luid.HighPart = static_cast<LONG>(luid >> 32);
    wanted.Privileges[0].Attributes = attributes;
    TOKEN_PRIVILEGES previous{};
    DWORD length = sizeof previous;
    return ::AdjustTokenPrivileges(reinterpret_cast<HANDLE>(token), FALSE, &wanted, sizeof wanted,
                                   &previous, &length) != 0;
}

void Win32Os::CloseToken(TokenHandle token) {
    CloseHandle(reinterpret_cast<HANDLE>(token));
}

long Win32Os::CreateShellLink(ShellLink* link) {
    auto* object = new LinkObject;
    HRESULT r =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IUnknown, reinterpret_cast<void**>(&object->unknown));
    if (SUCCEEDED(r))
        r = object->unknown->QueryInterface(IID_IShellLinkA,
                                            reinterpret_cast<void**>(&object->link));
    if (SUCCEEDED(r))
        r = object->unknown->QueryInterface(IID_IPersistFile,
                                            reinterpret_cast<void**>(&object->file));
    if (FAILED(r)) {
        ReleaseShellLink(reinterpret_cast<ShellLink>(object));
        return r;
    }
    *link = reinterpret_cast<ShellLink>(object);
    return S_OK;
}

long Win32Os::ShellLinkSetPath(ShellLink link, const std::string& path) {
    return AsLink(link)->link->SetPath(path.c_str());
}

long Win32Os::ShellLinkSetWorkingDirectory(ShellLink link, const std::string& folder) {
    return AsLink(link)->link->SetWorkingDirectory(folder.c_str());
}

long Win32Os::ShellLinkSave(ShellLink link, const std::string& path, bool remember) {
    const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), n);
    return AsLink(link)->file->Save(wide.data(), remember ? TRUE : FALSE);
}

void Win32Os::ReleaseShellLink(ShellLink link) {
    LinkObject* object = AsLink(link);
    if (!object) return;
    if (object->file) object->file->Release();
    if (object->link) object->link->Release();
    if (object->unknown) object->unknown->Release();
    delete object;
}

void Win32Os::SetLastError(std::uint32_t code) {
    ::SetLastError(code);
}

std::uint32_t Win32Os::GetLastError() {
    return ::GetLastError();
}

std::string Win32Os::GetTempPath() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof buffer, buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

LocalDate Win32Os::GetLocalTime() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace sorvane::win32
