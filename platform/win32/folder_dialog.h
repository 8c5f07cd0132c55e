// PLACEHOLDER until the folder dialog arrives.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace sorvane::win32 {

bool SelectDirectory(HWND owner, std::string* folder);

}  // namespace sorvane::win32
