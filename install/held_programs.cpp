#include "install/held_programs.h"

#include "install/payload.h"
#include "install/run.h"

namespace sorvane {

HeldPrograms::~HeldPrograms() {
    Release(kClientPayloadId);
    Release(kHelperPayloadId);
}

FileHandle* HeldPrograms::Slot(int id) {
    return id == kClientPayloadId ? &client_ : id == kHelperPayloadId ? &helper_ : nullptr;
}

bool HeldPrograms::Hold(const HeldFolder& folder, int id) {
    Release(id);
    if (!Slot(id)) return false;
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
    *Slot(id) = file;
    return true;
}

void HeldPrograms::Release(int id) {
    FileHandle* slot = Slot(id);
    if (!slot || !*slot) return;
    os_.CloseFile(*slot);
    *slot = 0;
}

}  // namespace sorvane
