// Ending a running filter client the way the setup does, so that its file can go.
#pragma once

namespace sorvane::payloads {

// Posts the client its close message once and waits, pumping messages, until its
// window is gone (at most 30 s) and then briefly for its process to end. True
// when no client window is left.
bool CloseRunningClient();

}  // namespace sorvane::payloads
