#include "payloads/common/win/provider_registration.h"

#include <winsock2.h>
#include <ws2spi.h>

#include <vector>

namespace sorvane::payloads {

namespace {

constexpr const wchar_t* kProtocolName = L"Sorvane Layered Provider";

// The layered entry describes TCP over IPv4 as the system's own provider does;
// copying that entry keeps the service flags true to what lies below.
WSAPROTOCOL_INFOW LayeredEntry() {
    WSAPROTOCOL_INFOW entry = {};
    bool found = false;
    DWORD size = 0;
    int error = 0;
    if (WSCEnumProtocols(nullptr, nullptr, &size, &error) == SOCKET_ERROR && error == WSAENOBUFS &&
        size >= sizeof(WSAPROTOCOL_INFOW)) {
        std::vector<WSAPROTOCOL_INFOW> all(size / sizeof(WSAPROTOCOL_INFOW) + 1);
        size = static_cast<DWORD>(all.size() * sizeof(WSAPROTOCOL_INFOW));
        const int count = WSCEnumProtocols(nullptr, all.data(), &size, &error);
        for (int i = 0; i < count && !found; ++i) {
            const WSAPROTOCOL_INFOW& p = all[static_cast<std::size_t>(i)];
            if (p.ProtocolChain.ChainLen == BASE_PROTOCOL && p.iAddressFamily == AF_INET &&
                p.iSocketType == SOCK_STREAM && p.iProtocol == IPPROTO_TCP) {
                entry = p;
                found = true;
            }
        }
    }
    if (!found) {
        entry.dwServiceFlags1 = XP1_GUARANTEED_DELIVERY | XP1_GUARANTEED_ORDER |
                                XP1_GRACEFUL_CLOSE | XP1_EXPEDITED_DATA | XP1_IFS_HANDLES;
        entry.iVersion = 2;
        entry.iAddressFamily = AF_INET;
        entry.iMaxSockAddr = sizeof(sockaddr_in);
        entry.iMinSockAddr = sizeof(sockaddr_in);
        entry.iSocketType = SOCK_STREAM;
        entry.iProtocol = IPPROTO_TCP;
        entry.iNetworkByteOrder = BIGENDIAN;
    }
    entry.ProviderId = kProviderGuid;
    entry.dwCatalogEntryId = 0;
    entry.ProtocolChain = {};
    entry.ProtocolChain.ChainLen = LAYERED_PROTOCOL;
    entry.dwProviderFlags = PFL_HIDDEN;
    lstrcpynW(entry.szProtocol, kProtocolName, WSAPROTOCOL_LEN + 1);
    return entry;
}

}  // namespace

std::wstring RegisteredProviderPath(bool* registered) {
    GUID id = kProviderGuid;
    wchar_t path[MAX_PATH + 1] = {};
    int length = MAX_PATH;
    int error = 0;
    *registered = WSCGetProviderPath(&id, path, &length, &error) == 0;
    if (!*registered) return {};
    path[MAX_PATH] = L'\0';
    return path;
}

int RegisterLayeredProvider(const std::wstring& dll_path) {
    bool registered = false;
    RegisteredProviderPath(&registered);
    // Replacing rather than adding keeps a single entry under the product's GUID.
    if (registered) {
        if (const int error = UnregisterLayeredProvider()) return error;
    }
    GUID id = kProviderGuid;
    WSAPROTOCOL_INFOW entry = LayeredEntry();
    int error = 0;
    if (WSCInstallProvider(&id, dll_path.c_str(), &entry, 1, &error) != 0)
        return error != 0 ? error : WSASYSCALLFAILURE;
    return 0;
}

int UnregisterLayeredProvider() {
    bool registered = false;
    RegisteredProviderPath(&registered);
    if (!registered) return 0;
    GUID id = kProviderGuid;
    int error = 0;
    if (WSCDeinstallProvider(&id, &error) != 0) return error != 0 ? error : WSASYSCALLFAILURE;
    return 0;
}

}  // namespace sorvane::payloads
