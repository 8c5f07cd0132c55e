// The installation steps that system registration contributes, bound to the OS and
// the session they work on.
#pragma once

#include "core/session.h"
#include "install/run.h"
#include "platform/os.h"

namespace sorvane {

// The compatibility layer, folder access, shortcut and registry steps; the firewall
// factory is left for the provider component to fill in.
InstallSteps MakeSystemSteps(Os& os, const SetupSession& session);

}  // namespace sorvane
