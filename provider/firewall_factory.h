// The product's firewall component for the installation run.
#pragma once

#include "core/session.h"
#include "platform/os.h"
#include "provider/firewall.h"

namespace sorvane {

// Makes a TOvFirewall on |os| for each owner window the run gives, silent when the
// session is silent at that moment.
FirewallFactory MakeFirewallFactory(Os& os, const SetupSession& session);

}  // namespace sorvane
