#include <algorithm>
#include <vector>

#include "core/zlib_stream.h"
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

class FileSink : public InflateSink {
  public:
    FileSink(Os& os, FileHandle file) : os_(os), file_(file) {}
    bool Take(const std::uint8_t* data, std::size_t size) override {
        return WriteAll(os_, file_, data, size);
    }

  private:
    Os& os_;
    FileHandle file_;
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
    FileSink sink(os, file);
    switch (InflateZlib(data, size, kInflateChunk, sink)) {
        case ZlibVerdict::Ok:
            return InflateResult::Ok;
        case ZlibVerdict::Truncated:
            return InflateResult::Truncated;
        case ZlibVerdict::OutOfMemory:
            return InflateResult::OutOfMemory;
        case ZlibVerdict::SinkFailed:
            return InflateResult::WriteFailed;
        case ZlibVerdict::Damaged:
            break;
    }
    return InflateResult::Damaged;
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
