// _pellin.dll, the layered provider: hands every socket call to the provider below
// it in the protocol chain by returning that provider's own procedure table.
#include <winsock2.h>
#include <ws2spi.h>

#include "payloads/common/win/provider_registration.h"
#include "payloads/pellin/provider_chain.h"

namespace sorvane::payloads {

namespace {

// The Winsock catalogue, on the process heap: the provider runs inside every program
// that opens a socket, so it allocates nothing that could end its host.
struct Catalogue {
    WSAPROTOCOL_INFOW* entries = nullptr;
    int count = 0;

    Catalogue() {
        DWORD size = 0;
        int error = 0;
        if (WSCEnumProtocols(nullptr, nullptr, &size, &error) != SOCKET_ERROR ||
            error != WSAENOBUFS)
            return;
        size += sizeof(WSAPROTOCOL_INFOW);
        entries = static_cast<WSAPROTOCOL_INFOW*>(HeapAlloc(GetProcessHeap(), 0, size));
        if (entries == nullptr) return;
        const int n = WSCEnumProtocols(nullptr, entries, &size, &error);
        count = n > 0 ? n : 0;
    }
    ~Catalogue() {
        if (entries != nullptr) HeapFree(GetProcessHeap(), 0, entries);
    }
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;
};

HMODULE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&OwnModule), &module);
    return module;
}

// Whether |path| is this DLL's own path.
bool IsOwnPath(const wchar_t* path) {
    wchar_t own[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameW(OwnModule(), own, MAX_PATH);
    return n > 0 && n < MAX_PATH && lstrcmpiW(path, own) == 0;
}

// The DLL of catalogue entry |entry_id|, with environment strings expanded, into
// |expanded| (MAX_PATH + 1 characters); false when there is none.
bool ProviderDll(const Catalogue& catalogue, DWORD entry_id, wchar_t* expanded) {
    for (int i = 0; i < catalogue.count; ++i) {
        const WSAPROTOCOL_INFOW& entry = catalogue.entries[i];
        if (entry.dwCatalogEntryId != entry_id) continue;
        GUID id = entry.ProviderId;
        wchar_t raw[MAX_PATH + 1] = {};
        int length = MAX_PATH;
        int error = 0;
        if (WSCGetProviderPath(&id, raw, &length, &error) != 0) return false;
        raw[MAX_PATH] = L'\0';
        const DWORD n = ExpandEnvironmentStringsW(raw, expanded, MAX_PATH + 1);
        return n > 1 && n <= MAX_PATH;
    }
    return false;
}

int StartNextProvider(WORD version, LPWSPDATA data, LPWSAPROTOCOL_INFOW info,
                      WSPUPCALLTABLE upcalls, LPWSPPROC_TABLE table) {
    if (info == nullptr || table == nullptr) return WSAEINVAL;
    const Catalogue catalogue;

    DWORD own_id = 0;
    for (int i = 0; i < catalogue.count; ++i) {
        const WSAPROTOCOL_INFOW& entry = catalogue.entries[i];
        if (IsEqualGUID(entry.ProviderId, kProviderGuid) &&
            entry.ProtocolChain.ChainLen == LAYERED_PROTOCOL)
            own_id = entry.dwCatalogEntryId;
    }
    const WSAPROTOCOLCHAIN& chain = info->ProtocolChain;
    std::uint32_t entries[MAX_PROTOCOL_CHAIN] = {};
    for (int i = 0; i < MAX_PROTOCOL_CHAIN; ++i) entries[i] = chain.ChainEntries[i];
    const DWORD next_id = NextInChain(entries, chain.ChainLen, own_id);
    if (next_id == 0) return WSAEPROVIDERFAILEDINIT;

    wchar_t dll[MAX_PATH + 1] = {};
    if (!ProviderDll(catalogue, next_id, dll) || IsOwnPath(dll)) return WSAEPROVIDERFAILEDINIT;
    // Kept loaded: the table handed back points into it for the life of the process.
    HMODULE next = LoadLibraryW(dll);
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
    return sorvane::payloads::StartNextProvider(version, data, info, upcalls, table);
}
