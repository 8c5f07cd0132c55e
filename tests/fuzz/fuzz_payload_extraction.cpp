// Any resource bytes: extraction reports success exactly when zlib inflates them,
// the file then holds zlib's own result, else the resource's bytes, and nothing
// stays open.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "install/payload.h"
#include "support/wizard_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    test::WizardFixture w;
    w.os.AddDirectory("C:\\X");
    const std::vector<std::uint8_t> resource(data, data + size);
    w.os.resources[105] = resource;
    TqnInstaller& f = w.Form();
    RunContext run{w.os,
                   w.session,
                   {f.JvXPProgressBar1, f.Label23, f.Edit2, f.Label24, f.CheckBox2, f.Button1,
                    f.Button2, f.Button3, f.PageControl1},
                   w.steps,
                   0};
    const bool ok = ExtractPayload(run, 105, "C:\\X\\");

    // zlib's verdict, with room for the most a small input can inflate to.
    std::vector<std::uint8_t> expected(size * 1032 + 64);
    uLongf out = static_cast<uLongf>(expected.size());
    const int z = uncompress(expected.data(), &out, data, static_cast<uLong>(size));
    expected.resize(out);
    const auto* file = w.os.Find("C:\\X\\plugin\\_pellin.dll");
    if (!file) std::abort();
    if (ok != (z == Z_OK)) std::abort();
    if (file->data != (ok ? expected : resource)) std::abort();
    if (w.os.open_files() != 0 || w.os.open_resource_views != 0) std::abort();
    return 0;
}
