#include "install/held_programs.h"

#include "install/payload.h"

namespace sorvane {

HeldPrograms::~HeldPrograms() {
    for (const auto& [id, file] : held_) os_.CloseFile(file);
}

bool HeldPrograms::Hold(const HeldFolder& folder, int id) {
    Release(id);
    const FileHandle file = os_.OpenFileAt(folder.handle, PayloadFileName(id));
    if (!file) return false;
    // Checked once held: whatever was done to the file before is seen here, and nothing
    // can be done to it after.
    FileFacts facts;
    if (!os_.GetFileBasics(file, &facts) || (facts.attributes & kFileAttributeReparsePoint) ||
        facts.links != 1 || !HoldsPayload(os_, file, id)) {
        os_.CloseFile(file);
        return false;
    }
    held_[id] = file;
    return true;
}

void HeldPrograms::Release(int id) {
    auto it = held_.find(id);
    if (it == held_.end()) return;
    os_.CloseFile(it->second);
    held_.erase(it);
}

}  // namespace sorvane
