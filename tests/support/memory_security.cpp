// Access lists as records on the in-memory folders, the inheritance that a file or
// folder gets from the folders above it, and the process token's privileges.
#include <algorithm>
#include <cctype>
#include <iterator>

#include "support/memory_os.h"

namespace sorvane::test {

namespace {

constexpr std::uint32_t kObjectInherit = 1;
constexpr std::uint32_t kContainerInherit = 2;
const char* const kPrivileges[] = {"SeSecurityPrivilege", "SeBackupPrivilege", "SeRestorePrivilege",
                                   "SeTakeOwnershipPrivilege"};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

bool MemoryOs::AccessEntry::operator==(const AccessEntry& o) const {
    return Lower(trustee) == Lower(o.trustee) && permissions == o.permissions && allow == o.allow &&
           inheritance == o.inheritance && inherited == o.inherited;
}

std::vector<MemoryOs::AccessEntry> MemoryOs::EffectiveAccess(const std::string& path) {
    const std::string p = OnDisk(path);
    const Node* node = Find(p);
    if (!node) return {};
    std::vector<AccessEntry> result;
    if (auto own = access_lists.find(p); own != access_lists.end()) result = own->second;
    // Folders above pass on what they mark inheritable: containers take entries with
    // container inheritance, files at any depth those with object inheritance. A
    // protected list on the way stops what comes from above it.
    auto shielded = [&](const std::string& above) {
        for (const std::string& fence : protected_lists) {
            const std::string f = Lower(fence);
            if (f.size() > above.size() && f.rfind(above, 0) == 0 &&
                (Lower(p) == f || Lower(p).rfind(f + "\\", 0) == 0))
                return true;
        }
        return false;
    };
    for (const auto& [folder, entries] : access_lists) {
        const std::string above = Lower(folder) + "\\";
        if (Lower(p).rfind(above, 0) != 0 || shielded(above)) continue;
        for (AccessEntry e : entries) {
            const bool passes =
                (e.inheritance & (node->directory ? kContainerInherit : kObjectInherit)) != 0;
            if (!passes) continue;
            e.inherited = true;
            result.push_back(e);
        }
    }
    return result;
}

std::uint32_t MemoryOs::GetNamedSecurityInfo(const std::string& path, int object_type,
                                             std::uint32_t information, SecurityMemory* dacl,
                                             SecurityMemory* descriptor) {
    calls.push_back("GetNamedSecurityInfo " + path);
    if (object_type != kSeFileObject || information != kDaclSecurityInformation) return 87;
    if (!Find(path)) return kErrorFileNotFound;
    if (security_denied.count(OnDisk(path))) return kErrorAccessDenied;
    // The descriptor holds the list; only the descriptor is freed.
    *descriptor = next_security_++;
    security_memory_[*descriptor] = access_lists[OnDisk(path)];
    *dacl = *descriptor;
    return kErrorSuccess;
}

std::uint32_t MemoryOs::SetEntriesInAcl(const ExplicitAccess& entry, SecurityMemory old_dacl,
                                        SecurityMemory* new_dacl) {
    calls.push_back("SetEntriesInAcl " + entry.trustee_name);
    std::vector<AccessEntry> list;
    if (old_dacl) {
        auto old = security_memory_.find(old_dacl);
        if (old == security_memory_.end()) return 87;  // ERROR_INVALID_PARAMETER
        list = old->second;
    }
    if (entry.mode != kSetAccess) return 87;
    // The model knows accounts by their identities only, as a system in another
    // language knows none of the English names.
    if (entry.trustee_name.rfind("S-1-", 0) != 0) return kErrorNoneMapped;
    // Whatever the trustee was granted or denied before goes.
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const AccessEntry& e) {
                                  return Lower(e.trustee) == Lower(entry.trustee_name);
                              }),
               list.end());
    list.push_back({entry.trustee_name, entry.permissions, true, entry.inheritance, false});
    *new_dacl = next_security_++;
    security_memory_[*new_dacl] = list;
    return kErrorSuccess;
}

std::uint32_t MemoryOs::SetNamedSecurityInfo(const std::string& path, int object_type,
                                             std::uint32_t information, SecurityMemory dacl) {
    calls.push_back("SetNamedSecurityInfo " + path);
    if (object_type != kSeFileObject || information != kDaclSecurityInformation) return 87;
    if (!Find(path)) return kErrorFileNotFound;
    if (security_denied.count(OnDisk(path))) return kErrorAccessDenied;
    auto list = security_memory_.find(dacl);
    if (list == security_memory_.end()) return 87;
    access_lists[OnDisk(path)] = list->second;
    return kErrorSuccess;
}

void MemoryOs::LocalFree(SecurityMemory memory) {
    security_memory_.erase(memory);
}

bool MemoryOs::OpenProcessToken(std::uint32_t access, TokenHandle* token) {
    if (!token_available || access != (kTokenAdjustPrivileges | kTokenQuery)) return false;
    ++open_tokens;
    *token = 0x7000;
    return true;
}

bool MemoryOs::LookupPrivilegeValue(const std::string& name, std::uint64_t* luid) {
    for (std::uint64_t i = 0; i < std::size(kPrivileges); ++i)
        if (name == kPrivileges[i]) {
            *luid = i + 1;
            return true;
        }
    return false;
}

bool MemoryOs::AdjustTokenPrivileges(TokenHandle, std::uint64_t luid, std::uint32_t attributes) {
    if (luid == 0 || luid > std::size(kPrivileges)) return false;
    const std::string name = kPrivileges[luid - 1];
    calls.push_back("AdjustTokenPrivileges " + name);
    // A privilege the token lacks: the call succeeds and reports it through the last error.
    last_error = token_privileges.count(name) ? kErrorSuccess : kErrorNotAllAssigned;
    if (last_error) return true;
    if (attributes == kSePrivilegeEnabled)
        enabled_privileges.insert(name);
    else
        enabled_privileges.erase(name);
    return true;
}

void MemoryOs::CloseToken(TokenHandle) {
    --open_tokens;
}

}  // namespace sorvane::test
