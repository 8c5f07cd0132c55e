// Any resource bytes: extraction reports success exactly when zlib inflates them, the
// file then holds zlib's own result, else there is no file at all, and nothing stays open.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "install/file_swap.h"
#include "install/payload.h"
#include "support/wizard_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    test::WizardFixture w;
    w.os.AddDirectory("C:\\X");
    w.os.resources[105] = std::vector<std::uint8_t>(data, data + size);
    TqnInstaller& f = w.Form();
    RunContext run{w.os,
                   w.session,
                   {f.JvXPProgressBar1, f.Label23, f.Edit2, f.Label24, f.CheckBox2, f.Button1,
                    f.Button2, f.Button3, f.PageControl1},
                   w.steps,
                   0};
    bool ok = false;
    {
        HeldFolders held(w.os);
        PayloadFolders folders;
        folders.target = held.Hold("C:\\X");
        folders.plugin = held.HoldAt(folders.target, "plugin");
        FileSwap swap(w.os);
        std::uint32_t error = 0;
        std::string failed;
        ok = ExtractPayload(run, 105, folders, swap, &error) && swap.SwapAll(&failed, &error);
    }

    // zlib's verdict, with room for the most a small input can inflate to.
    std::vector<std::uint8_t> expected(size * 1032 + 64);
    uLongf out = static_cast<uLongf>(expected.size());
    const int z = uncompress(expected.data(), &out, data, static_cast<uLong>(size));
    expected.resize(out);
    const auto* file = w.os.Find("C:\\X\\plugin\\_pellin.dll");
    if (ok != (z == Z_OK) || (file != nullptr) != ok) std::abort();
    if (file && file->data != expected) std::abort();
    if (w.os.ListFiles().size() != (ok ? 1u : 0u)) std::abort();
    if (w.os.open_files() != 0 || w.os.open_resource_views != 0) std::abort();
    return 0;
}
