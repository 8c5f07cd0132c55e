// The in-memory registry: keys by full name, values with their type and bytes, access
// refused per root or per key, a key doing only what it was opened for, and a write that
// fails on the Nth value.
#include <algorithm>
#include <cctype>

#include "support/memory_os.h"

namespace sorvane::test {

namespace {

std::string RootName(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? "HKCU" : "HKLM";
}

// The key's full name; a final backslash names the same key, as the system takes it.
std::string FullName(RegistryRoot root, const std::string& key) {
    std::string name = RootName(root) + "\\" + key;
    while (name.back() == '\\') name.pop_back();
    return name;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// The rights of a key handle, as Windows checks them on each call.
constexpr std::uint32_t kKeyQueryValue = 0x1;
constexpr std::uint32_t kKeySetValue = 0x2;

}  // namespace

void MemoryOs::AddRegistryKey(RegistryRoot root, const std::string& key) {
    std::string name = FullName(root, key);
    // Every level along the path exists too.
    for (std::size_t cut = name.find('\\'); cut != std::string::npos;
         cut = name.find('\\', cut + 1))
        registry[name.substr(0, cut)];
    registry[name];
}

bool MemoryOs::RegistryKeyExists(RegistryRoot root, const std::string& key) const {
    return registry.count(FullName(root, key)) > 0;
}

const MemoryOs::RegistryValue* MemoryOs::FindValue(RegistryRoot root, const std::string& key,
                                                   const std::string& name) const {
    auto k = registry.find(FullName(root, key));
    if (k == registry.end()) return nullptr;
    auto v = k->second.find(name);
    return v == k->second.end() ? nullptr : &v->second;
}

std::string MemoryOs::StringValue(RegistryRoot root, const std::string& key,
                                  const std::string& name) const {
    const RegistryValue* v = FindValue(root, key, name);
    if (!v || v->type != kRegSz || v->data.empty() || v->data.back() != 0) return "<none>";
    return std::string(v->data.begin(), v->data.end() - 1);
}

long MemoryOs::RegCreateKeyEx(RegistryRoot root, const std::string& path, std::uint32_t access,
                              RegistryKey* key) {
    const std::string name = FullName(root, path);
    calls.push_back("RegCreateKeyEx " + name);
    if (denied_roots.count(root)) return kErrorAccessDenied;
    for (const std::string& denied : denied_keys)
        if (StartsWithNoCase(name + "\\", denied + "\\")) return kErrorAccessDenied;
    AddRegistryKey(root, path);
    *key = next_key_++;
    open_keys_[*key] = name;
    key_access_[*key] = access;
    most_keys_open = std::max(most_keys_open, open_keys());
    return kErrorSuccess;
}

long MemoryOs::RegOpenKeyEx(RegistryRoot root, const std::string& path, std::uint32_t access,
                            RegistryKey* key) {
    const std::string name = FullName(root, path);
    calls.push_back("RegOpenKeyEx " + name);
    if (!registry.count(name)) return kErrorFileNotFound;
    if (denied_roots.count(root)) return kErrorAccessDenied;
    for (const std::string& denied : denied_keys)
        if (StartsWithNoCase(name + "\\", denied + "\\")) return kErrorAccessDenied;
    *key = next_key_++;
    open_keys_[*key] = name;
    key_access_[*key] = access;
    most_keys_open = std::max(most_keys_open, open_keys());
    return kErrorSuccess;
}

long MemoryOs::RegSetValueEx(RegistryKey key, const std::string& name, std::uint32_t type,
                             const void* data, std::uint32_t size) {
    calls.push_back("RegSetValueEx " + name);
    auto open = open_keys_.find(key);
    if (open == open_keys_.end()) return 6;  // ERROR_INVALID_HANDLE
    if (!(key_access_[key] & kKeySetValue)) return kErrorAccessDenied;
    ++value_writes;
    if (fail_value_write && *fail_value_write == value_writes) return kErrorAccessDenied;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    registry[open->second][name] = RegistryValue{type, {bytes, bytes + size}};
    return kErrorSuccess;
}

long MemoryOs::RegQueryValueEx(RegistryKey key, const std::string& name) {
    auto open = open_keys_.find(key);
    if (open == open_keys_.end()) return 6;
    if (!(key_access_[key] & kKeyQueryValue)) return kErrorAccessDenied;
    return registry[open->second].count(name) ? kErrorSuccess : kErrorFileNotFound;
}

long MemoryOs::RegDeleteValue(RegistryKey key, const std::string& name) {
    calls.push_back("RegDeleteValue " + name);
    auto open = open_keys_.find(key);
    if (open == open_keys_.end()) return 6;
    if (!(key_access_[key] & kKeySetValue)) return kErrorAccessDenied;
    return registry[open->second].erase(name) ? kErrorSuccess : kErrorFileNotFound;
}

long MemoryOs::RegCloseKey(RegistryKey key) {
    calls.push_back("RegCloseKey");
    key_access_.erase(key);
    return open_keys_.erase(key) ? long{kErrorSuccess} : 6L;
}

}  // namespace sorvane::test
