// sporder.dll only forwards WSCWriteProviderOrder to ws2_32 (see sporder.def);
// programs that look for the function in this library get the system's own.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
