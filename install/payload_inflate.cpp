#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "platform/setup_error.h"
#include "install/payload.h"

namespace sorvane {

namespace {

bool WriteAll(Os& os, FileHandle file, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        std::size_t done = 0;
        if (!os.WriteFile(file, data, size, &done) || done == 0) return false;
        data += done;
        size -= std::min(done, size);
    }
    return true;
}

struct Inflater {
    z_stream zs{};
    bool open = false;
    ~Inflater() {
        if (open) inflateEnd(&zs);
    }
};

const char* Describe(InflateResult result) {
    switch (result) {
        case InflateResult::Damaged:
            return "the payload data is damaged";
        case InflateResult::Truncated:
            return "the payload data ends before its end";
        case InflateResult::OutOfMemory:
            return "not enough memory to inflate the payload";
        case InflateResult::WriteFailed:
            return "the inflated payload could not be written";
        case InflateResult::Ok:
            break;
    }
    return "no error";
}

}  // namespace

InflateResult InflateInto(Os& os, FileHandle file, const std::uint8_t* data, std::size_t size) {
    // A buffer that cannot be had is a failure like any other of memory: the caller then
    // keeps the compressed bytes instead of an empty file.
    std::unique_ptr<std::uint8_t[]> out(new (std::nothrow) std::uint8_t[kInflateChunk]);
    if (!out) return InflateResult::OutOfMemory;
    Inflater in;
    if (inflateInit(&in.zs) != Z_OK) return InflateResult::OutOfMemory;
    in.open = true;
    // zlib counts input in 32-bit units: feed very large inputs in slices.
    constexpr std::size_t kMaxSlice = std::size_t{1} << 30;
    std::size_t fed = 0;
    for (;;) {
        if (in.zs.avail_in == 0 && fed < size) {
            const std::size_t slice = std::min(kMaxSlice, size - fed);
            in.zs.next_in = const_cast<Bytef*>(data + fed);
            in.zs.avail_in = static_cast<uInt>(slice);
            fed += slice;
        }
        in.zs.next_out = out.get();
        in.zs.avail_out = static_cast<uInt>(kInflateChunk);
        const int ret = inflate(&in.zs, Z_NO_FLUSH);
        const std::size_t produced = kInflateChunk - in.zs.avail_out;
        if (ret == Z_MEM_ERROR) return InflateResult::OutOfMemory;
        if (ret == Z_DATA_ERROR || ret == Z_STREAM_ERROR || ret == Z_NEED_DICT)
            return InflateResult::Damaged;
        if (produced > 0 && !WriteAll(os, file, out.get(), produced))
            return InflateResult::WriteFailed;
        if (ret == Z_STREAM_END) return InflateResult::Ok;
        if (ret == Z_BUF_ERROR)  // no progress: the input is used up before the stream's end
            return (in.zs.avail_in == 0 && fed == size) ? InflateResult::Truncated
                                                        : InflateResult::Damaged;
    }
}

void InflateFileInPlace(Os& os, FileHandle file) {
    if (!os.SetFilePosition(file, 0)) throw SetupError("the payload file cannot be read");
    std::vector<std::uint8_t> compressed;
    std::vector<std::uint8_t> block(65536);
    for (;;) {
        std::size_t done = 0;
        if (!os.ReadFile(file, block.data(), block.size(), &done))
            throw SetupError("the payload file cannot be read");
        if (done == 0) break;
        compressed.insert(compressed.end(), block.begin(), block.begin() + done);
    }
    if (!os.SetFilePosition(file, 0) || !os.SetEndOfFile(file))
        throw SetupError("the payload file cannot be rewritten");
    const InflateResult result = InflateInto(os, file, compressed.data(), compressed.size());
    if (result != InflateResult::Ok && result != InflateResult::WriteFailed) {
        // Put the compressed bytes back, so a failed inflation changes nothing.
        os.SetFilePosition(file, 0);
        os.SetEndOfFile(file);
        WriteAll(os, file, compressed.data(), compressed.size());
    }
    os.SetFilePosition(file, 0);
    if (result != InflateResult::Ok) throw SetupError(Describe(result));
}

}  // namespace sorvane
