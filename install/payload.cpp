#include "install/payload.h"

#include <algorithm>

#include "install/data_folders.h"

namespace sorvane {

const char* const PayloadTable[6] = {
    "tessen.exe",  "harlock.exe",         "_marrow.exe",
    "sporder.dll", "plugin\\_pellin.dll", "Uninstall.exe",
};

const char* PayloadName(int id) {
    if (id < kFirstPayloadId || id > kLastPayloadId) return nullptr;
    return PayloadTable[id - kFirstPayloadId];
}

namespace {

// Leaves the stream's own bytes in the file, as a payload that cannot be inflated stays.
void WriteCompressed(Os& os, FileHandle file, const ResourceView& view) {
    if (!os.SetFilePosition(file, 0) || !os.SetEndOfFile(file)) return;
    for (std::size_t at = 0; at < view.size;) {
        const std::size_t chunk = std::min(kCopyChunk, view.size - at);
        std::size_t done = 0;
        if (!os.WriteFile(file, view.data + at, chunk, &done) || done != chunk) return;
        at += chunk;
    }
}

}  // namespace

bool ExtractPayload(RunContext& run, int id, const std::string& target_folder) noexcept {
    Os& os = run.os;
    bool result = false;
    ResourceView view;
    FileHandle file = 0;
    try {
        StepProgress(run);
        const char* name = PayloadName(id);
        if (!name) return false;
        const std::string path = target_folder + name;
        const std::size_t cut = path.find_last_of('\\');
        const std::string folder = path.substr(0, cut + 1);
        if (!os.DirectoryExists(folder)) ForceDirectories(os, folder);
        run.controls.Edit2.SetText(path.substr(cut + 1));
        os.PumpMessages();

        view = os.LoadResource(id);
        if (view.valid()) {
            // Deleting only now keeps an older file when the resource is missing.
            if (os.FileExists(path)) os.DeleteFile(path);
            file = os.CreateFileReadWrite(path);
            if (file) {
                switch (InflateInto(os, file, view.data, view.size)) {
                    case InflateResult::Ok:
                        result = true;
                        break;
                    case InflateResult::WriteFailed:
                        break;
                    default:
                        WriteCompressed(os, file, view);
                        break;
                }
            }
        }
    } catch (...) {
        result = false;
    }
    try {
        if (file) os.CloseFile(file);
        if (view.valid()) os.ReleaseResource(view);
    } catch (...) {
    }
    return result;
}

}  // namespace sorvane
