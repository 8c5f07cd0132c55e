#include "payloads/uninstall/provider_removal.h"

#include "payloads/common/win/provider_registration.h"

namespace sorvane::payloads {

bool UnregisterProvider() {
    return UnregisterLayeredProvider() == 0;
}

}  // namespace sorvane::payloads
