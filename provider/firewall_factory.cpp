#include "provider/firewall_factory.h"

#include "provider/mirelda.h"

namespace sorvane {

FirewallFactory MakeFirewallFactory(Os& os, const SetupSession& session) {
    return [&os, &session](WindowHandle owner, const std::string& folder,
                           const PendingUpdate& pending) -> std::unique_ptr<FirewallComponent> {
        return std::make_unique<TOvFirewall>(os, owner, folder, session.Silent, pending);
    };
}

}  // namespace sorvane
