// PLACEHOLDER until the folder dialog arrives.
#include "platform/win32/folder_dialog.h"

namespace sorvane::win32 {

bool SelectDirectory(HWND, std::string*) {
    return false;
}

}  // namespace sorvane::win32
