// Removing the product's registry keys and values, in the registry view the
// setup wrote them to (no WOW64 flags). True when the thing is gone afterwards,
// or, for a key removed only when empty, when it is kept because it holds more.
#pragma once

#include <string>

#include "payloads/uninstall/removal_plan.h"

namespace sorvane::payloads {

bool RemoveRegistryTree(RegistryRoot root, const std::wstring& key);
bool RemoveRegistryKeyIfEmpty(RegistryRoot root, const std::wstring& key);
bool RemoveRegistryValue(RegistryRoot root, const std::wstring& key, const std::wstring& value);

}  // namespace sorvane::payloads
