// Removing the layered provider's registration before its files go.
#pragma once

#include <string>

namespace sorvane::payloads {

// Runs |helper| with a "U" command and waits for it; where the helper is missing
// or fails, removes the registration directly. True when it is gone.
bool UnregisterProvider(const std::wstring& helper, const std::wstring& provider_dll);

}  // namespace sorvane::payloads
