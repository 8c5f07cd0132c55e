#include "payloads/uninstall/registry_removal.h"

#include <windows.h>

namespace sorvane::payloads {

namespace {

HKEY RootKey(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

bool KeyExists(HKEY parent, const std::wstring& key) {
    HKEY opened;
    const LONG status = RegOpenKeyExW(parent, key.c_str(), 0, KEY_READ, &opened);
    if (status == ERROR_SUCCESS) RegCloseKey(opened);
    return status != ERROR_FILE_NOT_FOUND;
}

// RegDeleteTree is not on every system the product runs on; this walks the tree
// itself, depth first.
void DeleteTree(HKEY parent, const std::wstring& key) {
    HKEY opened;
    if (RegOpenKeyExW(parent, key.c_str(), 0, KEY_READ | DELETE, &opened) == ERROR_SUCCESS) {
        wchar_t name[256];
        DWORD index = 0;
        while (true) {
            DWORD length = 256;
            if (RegEnumKeyExW(opened, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            DeleteTree(opened, name);
            // A child that stays would be listed again at the same index.
            if (KeyExists(opened, name)) ++index;
        }
        RegCloseKey(opened);
    }
    RegDeleteKeyW(parent, key.c_str());
}

}  // namespace

bool RemoveRegistryTree(RegistryRoot root, const std::wstring& key) {
    if (key.empty()) return false;
    DeleteTree(RootKey(root), key);
    return !KeyExists(RootKey(root), key);
}

bool RemoveRegistryKeyIfEmpty(RegistryRoot root, const std::wstring& key) {
    HKEY opened;
    const LONG status = RegOpenKeyExW(RootKey(root), key.c_str(), 0, KEY_READ, &opened);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    DWORD subkeys = 0, values = 0;
    const LONG info = RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                       nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(opened);
    if (info != ERROR_SUCCESS) return false;
    if (subkeys != 0 || values != 0) return true;
    RegDeleteKeyW(RootKey(root), key.c_str());
    return !KeyExists(RootKey(root), key);
}

bool RemoveRegistryValue(RegistryRoot root, const std::wstring& key, const std::wstring& value) {
    HKEY opened;
    const LONG status =
        RegOpenKeyExW(RootKey(root), key.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened);
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
