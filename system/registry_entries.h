// What the setup writes into the registry: the compatibility layer of the setup
// itself, and the product's application key, autostart value and Uninstall entry.
#pragma once

#include <string>

#include "core/session.h"
#include "platform/os.h"

namespace sorvane {

inline constexpr const char* kLayersKey =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
inline constexpr const char* kCompatibilityLayer = "WINXPSP2";
inline constexpr const char* kApplicationKey = "Software\\OrvikSoft\\Sorvane\\";
inline constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
inline constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sorvane";
inline constexpr const char* kClientRunValue = "tessen";
inline constexpr const char* kProductVersion = "2.2.08";
inline constexpr const char* kPublisher = "Orvik Software";
inline constexpr const char* kWebAddress = "http://www.sorvane.com.tr/";
inline constexpr std::uint32_t kEstimatedSize = 15250;

// Marks the running setup with the "WINXPSP2" layer under each root whose Layers key
// exists. A value that cannot be written raises, after its key is closed.
void SetCompatibilityLayer(Os& os);

// Writes the application key under both roots, the machine-wide autostart value (and
// drops a per-user one) and the Uninstall entry; the autostart value and the uninstall
// line name their program in quotes. Never raises: a key that cannot be opened skips
// its step, a value that cannot be written ends the whole operation.
void WriteRegistryEntries(Os& os, const SetupSession& session);

// Today as the system's local date, "YYYYMMDD".
std::string TodayAsDigits(Os& os);

}  // namespace sorvane
