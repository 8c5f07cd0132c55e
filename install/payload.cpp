#include "install/payload.h"

#include <algorithm>

#include "install/file_swap.h"

namespace sorvane {

const char* const PayloadTable[6] = {
    "tessen.exe",  "harlock.exe",         "_marrow.exe",
    "sporder.dll", "plugin\\_pellin.dll", "Uninstall.exe",
};

const char* PayloadName(int id) {
    if (id < kFirstPayloadId || id > kLastPayloadId) return nullptr;
    return PayloadTable[id - kFirstPayloadId];
}

const HeldFolder& PayloadFolder(const PayloadFolders& folders, int id) {
    const std::string name = PayloadName(id) ? PayloadName(id) : "";
    return name.find('\\') == std::string::npos ? folders.target : folders.plugin;
}

std::string PayloadFileName(int id) {
    const std::string name = PayloadName(id) ? PayloadName(id) : "";
    return name.substr(name.find_last_of('\\') + 1);
}

namespace {

constexpr std::uint32_t kErrorResourceNotFound = 1812;  // ERROR_RESOURCE_DATA_NOT_FOUND

}  // namespace

bool ExtractPayload(RunContext& run, int id, const PayloadFolders& folders, FileSwap& swap,
                    std::uint32_t* error) noexcept {
    Os& os = run.os;
    *error = kErrorSuccess;
    ResourceView view;
    bool whole = false;
    try {
        StepProgress(run);
        if (!PayloadName(id)) return false;
        const HeldFolder& folder = PayloadFolder(folders, id);
        const std::string name = PayloadFileName(id);
        run.controls.Edit2.SetText(name);
        os.PumpMessages();

        view = os.LoadResource(id);
        if (!view.valid()) {
            *error = kErrorResourceNotFound;
        } else if (const FileHandle file = swap.Stage(folder.handle, folder.path, name); !file) {
            *error = os.GetLastError();
        } else {
            std::uint64_t written = 0;
            const InflateResult result = InflateInto(os, file, view.data, view.size, &written);
            FileFacts facts;
            // Whole means checked: the stream ended with its check, and the file holds
            // every byte inflated, no more.
            whole = result == InflateResult::Ok && os.GetFileBasics(file, &facts) &&
                    facts.size == written;
            if (!whole)
                *error = result == InflateResult::WriteFailed ? os.GetLastError()
                                                              : InflateErrorCode(result);
        }
    } catch (...) {
        whole = false;
    }
    if (!whole && *error == kErrorSuccess) *error = kErrorAccessDenied;
    try {
        if (view.valid()) os.ReleaseResource(view);
    } catch (...) {
    }
    return whole;
}

}  // namespace sorvane
