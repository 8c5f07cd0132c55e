// Where the programs may load libraries from.
#pragma once

namespace sorvane::payloads {

// Limits every later library load to the system folder, so that a DLL that a
// user placed beside the program or in its working folder is never loaded into
// it while it runs with administrator rights. The first call of each program.
void RestrictDllSearch();

}  // namespace sorvane::payloads
