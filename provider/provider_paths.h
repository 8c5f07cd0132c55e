// Path pieces as the component compares them.
#pragma once

#include <string>

#include "core/ascii_case.h"

namespace sorvane {

// The file name: what follows the last backslash or drive colon.
inline std::string FileNamePart(const std::string& path) {
    const auto cut = path.find_last_of("\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The folder with its final backslash or drive colon; empty for a bare name.
inline std::string FolderPart(const std::string& path) {
    const auto cut = path.find_last_of("\\:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace sorvane
