// The installation folder of a silent run, as the updater named it on the command line.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"

namespace sorvane {

inline constexpr std::uint32_t kErrorBadPathname = 161;            // ERROR_BAD_PATHNAME
inline constexpr std::uint32_t kErrorNoUnicodeTranslation = 1113;  // ERROR_NO_UNICODE_TRANSLATION

// The third argument of the Unicode command line in the ANSI code page, made full against
// the folder the setup was started from (a relative name is read as the system read it
// before the setup left that folder) and in its long form. Returns 0 with |folder| set,
// or why the folder cannot be used, with |folder| as the log may show it: a name that
// does not convert to the code page exactly (a full-width "\" or '"' would otherwise
// become another folder or a quote), or one that names no full folder.
std::uint32_t SilentTargetFolder(Os& os, std::string* folder);

}  // namespace sorvane
