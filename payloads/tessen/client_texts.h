// The filter client's texts, UTF-8.
#pragma once

#include "payloads/common/language.h"

namespace sorvane::payloads {

inline constexpr const char* kClientTitle = "Sorvane";

inline const char* ClientRunningText(Language language) {
    return language == Language::Turkish ? "Sorvane filtre istemcisi çalışıyor."
                                         : "Sorvane filter client is running.";
}

}  // namespace sorvane::payloads
