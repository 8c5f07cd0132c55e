// Removing the layered provider's registration before its files go.
#pragma once

namespace sorvane::payloads {

// Removes the registration from the Winsock catalogue directly: no program from
// the installation folder, which every user may change, is started for it. True
// when it is gone (also when there was none).
bool UnregisterProvider();

}  // namespace sorvane::payloads
