#include "payloads/uninstall/registry_removal.h"

#include <windows.h>

namespace sorvane::payloads {

namespace {

// The product's keys are two levels deep; a deeper tree is left where it is.
constexpr int kMaxDepth = 32;
constexpr DWORD kNameChars = 256;  // the longest key name and its end

HKEY RootKey(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// Every key is opened as itself: a registry link is opened as the link, never
// as the key it points to, so no removal leaves the product's keys.
LONG OpenKey(HKEY parent, const std::wstring& key, REGSAM access, HKEY* opened) {
    return RegOpenKeyExW(parent, key.c_str(), REG_OPTION_OPEN_LINK, access, opened);
}

bool KeyExists(HKEY parent, const std::wstring& key) {
    HKEY opened;
    const LONG status = OpenKey(parent, key, KEY_READ, &opened);
    if (status == ERROR_SUCCESS) RegCloseKey(opened);
    return status != ERROR_FILE_NOT_FOUND;
}

// RegDeleteKey opens the key by name again and so follows a link; the open key
// itself is deleted here instead.
LONG DeleteOpenKey(HKEY key) {
    using NtDeleteKeyFn = LONG(NTAPI*)(HANDLE);
    static const NtDeleteKeyFn nt_delete_key = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll ? reinterpret_cast<NtDeleteKeyFn>(
                           reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDeleteKey")))
                     : nullptr;
    }();
    if (nt_delete_key == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    return nt_delete_key(key) >= 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// A link carries its target in this value, of type REG_LINK.
bool IsLink(HKEY key) {
    DWORD type = 0;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           type == REG_LINK;
}

// RegDeleteTree is not on every system the product runs on; this walks the tree
// itself, depth first, and deletes a link as a link.
void DeleteTree(HKEY parent, const std::wstring& key, int depth) {
    HKEY opened;
    if (OpenKey(parent, key, KEY_READ | DELETE, &opened) != ERROR_SUCCESS) return;
    if (!IsLink(opened) && depth < kMaxDepth) {
        wchar_t name[kNameChars];
        DWORD index = 0;
        while (true) {
            DWORD length = kNameChars;
            if (RegEnumKeyExW(opened, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            DeleteTree(opened, name, depth + 1);
            // A child that stays would be listed again at the same index.
            if (KeyExists(opened, name)) ++index;
        }
    }
    DeleteOpenKey(opened);
    RegCloseKey(opened);
}

}  // namespace

bool RemoveRegistryTree(RegistryRoot root, const std::wstring& key) {
    if (key.empty()) return false;
    DeleteTree(RootKey(root), key, 0);
    return !KeyExists(RootKey(root), key);
}

Removal RemoveRegistryKeyIfEmpty(RegistryRoot root, const std::wstring& key) {
    HKEY opened;
    const LONG status = OpenKey(RootKey(root), key, KEY_READ | DELETE, &opened);
    if (status == ERROR_FILE_NOT_FOUND) return Removal::Gone;
    if (status != ERROR_SUCCESS) return Removal::Failed;
    DWORD subkeys = 0, values = 0;
    const LONG info = RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                       nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    // A link holds one value, its target; it is not ours to remove.
    const bool keep = info != ERROR_SUCCESS || subkeys != 0 || values != 0;
    const bool deleted = !keep && DeleteOpenKey(opened) == ERROR_SUCCESS;
    RegCloseKey(opened);
    if (info != ERROR_SUCCESS) return Removal::Failed;
    if (keep) return Removal::Kept;
    return deleted || !KeyExists(RootKey(root), key) ? Removal::Gone : Removal::Failed;
}

bool RemoveRegistryValue(RegistryRoot root, const std::wstring& key, const std::wstring& value) {
    HKEY opened;
    const LONG status = OpenKey(RootKey(root), key, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    const LONG deleted = RegDeleteValueW(opened, value.c_str());
    const bool gone = deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND ||
                      RegQueryValueExW(opened, value.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                          ERROR_FILE_NOT_FOUND;
    RegCloseKey(opened);
    return gone;
}

}  // namespace sorvane::payloads
