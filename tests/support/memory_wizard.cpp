// The wizard's group of the in-memory OS: the folder dialog.
#include "support/memory_os.h"

namespace sorvane::test {

bool MemoryOs::SelectDirectory(WindowHandle, std::string* folder) {
    calls.push_back("SelectDirectory");
    ++folder_dialogs;
    if (folder_answers.empty()) return false;
    const std::optional<std::string> answer = folder_answers.front();
    folder_answers.pop_front();
    if (!answer) return false;
    *folder = *answer;
    return true;
}

}  // namespace sorvane::test
