// _pellin.dll, the layered provider: hands every socket call to the provider below
// it in the protocol chain by returning that provider's own procedure table.
#include <winsock2.h>
#include <ws2spi.h>

#include <string>
#include <vector>

#include "payloads/common/win/provider_registration.h"
#include "payloads/pellin/provider_chain.h"

namespace sorvane::payloads {

namespace {

std::vector<WSAPROTOCOL_INFOW> Catalogue() {
    DWORD size = 0;
    int error = 0;
    if (WSCEnumProtocols(nullptr, nullptr, &size, &error) != SOCKET_ERROR || error != WSAENOBUFS)
        return {};
    std::vector<WSAPROTOCOL_INFOW> all(size / sizeof(WSAPROTOCOL_INFOW) + 1);
    size = static_cast<DWORD>(all.size() * sizeof(WSAPROTOCOL_INFOW));
    const int count = WSCEnumProtocols(nullptr, all.data(), &size, &error);
    all.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    return all;
}

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

HMODULE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&OwnModule), &module);
    return module;
}

// The DLL of catalogue entry |entry_id|, with environment strings expanded.
std::wstring ProviderDll(const std::vector<WSAPROTOCOL_INFOW>& catalogue, DWORD entry_id) {
    for (const WSAPROTOCOL_INFOW& entry : catalogue) {
        if (entry.dwCatalogEntryId != entry_id) continue;
        GUID id = entry.ProviderId;
        wchar_t raw[MAX_PATH + 1] = {};
        int length = MAX_PATH;
        int error = 0;
        if (WSCGetProviderPath(&id, raw, &length, &error) != 0) return {};
        raw[MAX_PATH] = L'\0';
        wchar_t expanded[MAX_PATH + 1] = {};
        const DWORD n = ExpandEnvironmentStringsW(raw, expanded, MAX_PATH + 1);
        if (n == 0 || n > MAX_PATH) return {};
        return expanded;
    }
    return {};
}

int StartNextProvider(WORD version, LPWSPDATA data, LPWSAPROTOCOL_INFOW info,
                      WSPUPCALLTABLE upcalls, LPWSPPROC_TABLE table) {
    if (info == nullptr || table == nullptr) return WSAEINVAL;
    const std::vector<WSAPROTOCOL_INFOW> catalogue = Catalogue();

    DWORD own_id = 0;
    for (const WSAPROTOCOL_INFOW& entry : catalogue) {
        if (IsEqualGUID(entry.ProviderId, kProviderGuid) &&
            entry.ProtocolChain.ChainLen == LAYERED_PROTOCOL)
            own_id = entry.dwCatalogEntryId;
    }
    const WSAPROTOCOLCHAIN& chain = info->ProtocolChain;
    std::uint32_t entries[MAX_PROTOCOL_CHAIN] = {};
    for (int i = 0; i < MAX_PROTOCOL_CHAIN; ++i) entries[i] = chain.ChainEntries[i];
    const DWORD next_id = NextInChain(entries, chain.ChainLen, own_id);
    if (next_id == 0) return WSAEPROVIDERFAILEDINIT;

    const std::wstring dll = ProviderDll(catalogue, next_id);
    if (dll.empty() || lstrcmpiW(dll.c_str(), ModulePath(OwnModule()).c_str()) == 0)
        return WSAEPROVIDERFAILEDINIT;
    // Kept loaded: the table handed back points into it for the life of the process.
    HMODULE next = LoadLibraryW(dll.c_str());
    if (next == nullptr) return WSAEPROVIDERFAILEDINIT;
    auto start =
        reinterpret_cast<LPWSPSTARTUP>(reinterpret_cast<void*>(GetProcAddress(next, "WSPStartup")));
    if (start == nullptr) {
        FreeLibrary(next);
        return WSAEPROVIDERFAILEDINIT;
    }
    return start(version, data, info, upcalls, table);
}

}  // namespace

}  // namespace sorvane::payloads

// Exported undecorated in both architectures (stdcall decoration is dropped at link time).
extern "C" __declspec(dllexport) int WSPAPI
    WSPStartup(WORD version, LPWSPDATA data, LPWSAPROTOCOL_INFOW info, WSPUPCALLTABLE upcalls,
               LPWSPPROC_TABLE table) {
    try {
        return sorvane::payloads::StartNextProvider(version, data, info, upcalls, table);
    } catch (...) {
        return WSAEPROVIDERFAILEDINIT;
    }
}
