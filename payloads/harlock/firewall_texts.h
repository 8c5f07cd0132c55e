// The firewall program's texts, UTF-8.
#pragma once

#include "payloads/common/language.h"

namespace sorvane::payloads {

inline constexpr const char* kFirewallTitle = "Sorvane Firewall";

inline const char* FirewallRunningText(Language language) {
    return language == Language::Turkish ? "Sorvane güvenlik duvarı çalışıyor."
                                         : "Sorvane Firewall is running.";
}

}  // namespace sorvane::payloads
