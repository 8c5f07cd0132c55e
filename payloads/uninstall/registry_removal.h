// Removing the product's registry keys and values, in the registry view the
// setup wrote them to (no WOW64 flags): a 32-bit uninstaller on a 64-bit Windows
// works in the 32-bit view, as the 32-bit setup did. True when the thing is gone
// afterwards.
#pragma once

#include <string>

#include "payloads/uninstall/removal_plan.h"

namespace sorvane::payloads {

bool RemoveRegistryTree(RegistryRoot root, const std::wstring& key);
// Kept when the key holds more than nothing.
Removal RemoveRegistryKeyIfEmpty(RegistryRoot root, const std::wstring& key);
bool RemoveRegistryValue(RegistryRoot root, const std::wstring& key, const std::wstring& value);

}  // namespace sorvane::payloads
