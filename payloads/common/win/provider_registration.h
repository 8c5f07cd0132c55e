// The product's layered provider in the Winsock catalogue. Only the layered entry
// is ever written: with no protocol chain over a base provider, no program's
// sockets go through it, so a missing or broken DLL cannot cut anyone off.
#pragma once

#include <windows.h>

#include <string>

namespace sorvane::payloads {

// The provider's identity in the catalogue.
inline constexpr GUID kProviderGuid = {
    0x916DD320, 0x0647, 0x4C82, {0xA1, 0x45, 0x12, 0x6B, 0xDC, 0xBC, 0xFA, 0xA6}};

// The path the catalogue holds for the provider; empty when it is not registered.
std::wstring RegisteredProviderPath(bool* registered);

// Registers |dll_path| as the layered entry, replacing an earlier registration.
// Returns 0 or the Winsock error code.
int RegisterLayeredProvider(const std::wstring& dll_path);

// Removes the registration; 0 also when there was none.
int UnregisterLayeredProvider();

}  // namespace sorvane::payloads
