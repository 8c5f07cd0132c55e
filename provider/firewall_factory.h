// The product's firewall component for the installation run.
#pragma once

#include "platform/os.h"
#include "provider/firewall.h"

namespace sorvane {

// Makes a TOvFirewall on |os| for each owner window the run gives.
FirewallFactory MakeFirewallFactory(Os& os);

}  // namespace sorvane
