#include <algorithm>
#include <vector>

#include "core/zlib_stream.h"
#include "install/payload.h"

namespace sorvane {

namespace {

constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorInvalidData = 13;

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
        if (!WriteAll(os_, file_, data, size)) return false;
        written += size;
        return true;
    }
    std::uint64_t written = 0;

  private:
    Os& os_;
    FileHandle file_;
};

// Compares what inflates with what the file holds, piece by piece.
class CompareSink : public InflateSink {
  public:
    CompareSink(Os& os, FileHandle file) : os_(os), file_(file) {}
    bool Take(const std::uint8_t* data, std::size_t size) override {
        buffer_.resize(size);
        std::size_t got = 0;
        while (got < size) {
            std::size_t done = 0;
            if (!os_.ReadFile(file_, buffer_.data() + got, size - got, &done) || done == 0)
                return false;
            got += done;
        }
        return std::equal(data, data + size, buffer_.begin());
    }

  private:
    Os& os_;
    FileHandle file_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

InflateResult InflateInto(Os& os, FileHandle file, const std::uint8_t* data, std::size_t size,
                          std::uint64_t* written) {
    FileSink sink(os, file);
    const ZlibVerdict verdict = InflateZlib(data, size, kInflateChunk, sink);
    if (written) *written = sink.written;
    switch (verdict) {
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

std::uint32_t InflateErrorCode(InflateResult result) {
    switch (result) {
        case InflateResult::Ok:
            return kErrorSuccess;
        case InflateResult::OutOfMemory:
            return kErrorNotEnoughMemory;
        case InflateResult::WriteFailed:
            return kErrorAccessDenied;
        case InflateResult::Damaged:
        case InflateResult::Truncated:
            break;
    }
    return kErrorInvalidData;
}

bool HoldsPayload(Os& os, FileHandle file, int id) {
    const ResourceView view = os.LoadResource(id);
    if (!view.valid()) return false;
    CompareSink sink(os, file);
    bool same = os.SetFilePosition(file, 0) &&
                InflateZlib(view.data, view.size, kInflateChunk, sink) == ZlibVerdict::Ok;
    // Nothing may follow what inflates.
    std::uint8_t extra = 0;
    std::size_t done = 0;
    same = same && os.ReadFile(file, &extra, 1, &done) && done == 0;
    os.ReleaseResource(view);
    return same;
}

}  // namespace sorvane
