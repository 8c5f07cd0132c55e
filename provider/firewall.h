// What the installation needs of the firewall component: whether the product's
// layered provider is registered, and having the helper program register it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/os.h"

namespace sorvane {

class FirewallComponent {
  public:
    virtual ~FirewallComponent() = default;
    virtual bool IsInstalled() = 0;
    // Starts the helper; true when it was started. |confirm| adds the letter Y.
    virtual bool InstallThroughHelper(const std::string& helper_path,
                                      const std::string& provider_path, bool confirm) = 0;
    // Whether a removal helper was still running when the wait for it ended; the next
    // helper was started all the same.
    virtual bool RemovalStillRunning() const = 0;
};

// Puts a waiting provider library in place of the provider library, as the host can do it
// safely (through the folder it holds); empty: the component does it by path.
using PendingUpdate = std::function<void()>;

// Creates a component owned by the window |owner|, whose handle the helper receives, that
// works in the installation folder |folder| (final backslash).
using FirewallFactory = std::function<std::unique_ptr<FirewallComponent>(
    WindowHandle owner, const std::string& folder, const PendingUpdate& pending_update)>;

}  // namespace sorvane
