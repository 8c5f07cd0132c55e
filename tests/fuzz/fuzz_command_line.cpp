// Any command line splits without reading past its end, and the silent-mode rule
// holds only for what it names.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    // Odd bytes stand for the lead bytes of a double-byte code page.
    const auto args =
        sorvane::SplitCommandLine(line, [](unsigned char c) { return c >= 0x81 && (c & 1); });
    std::size_t chars = 0;
    for (const auto& a : args) {
        chars += a.size();
        if (a.find('\0') != std::string::npos) std::abort();  // a zero byte ends the line
    }
    if (chars > size) std::abort();
    if (sorvane::IsSilentCommandLine(args) &&
        (args[1] != "-silent" || (args[2] != "0" && args[2] != "1") || args[3].empty()))
        std::abort();
    return 0;
}
