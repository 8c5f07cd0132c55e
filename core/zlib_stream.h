// The setup's own decoder of zlib streams (deflate data behind a two-byte header and an
// Adler-32 check). Its verdicts follow zlib's inflate: a stream it accepts or refuses is one
// zlib accepts or refuses, and input that ends early is told apart from damaged input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sorvane {

// Receives the inflated bytes in order; false stops the inflation.
class InflateSink {
  public:
    virtual bool Take(const std::uint8_t* data, std::size_t size) = 0;

  protected:
    ~InflateSink() = default;
};

enum class ZlibVerdict { Ok, Damaged, Truncated, OutOfMemory, SinkFailed };

// Inflates the zlib stream at the start of |data|, handing the output to |sink| in pieces
// of |chunk| bytes (the last one shorter). Bytes after the stream's check are not read;
// on Ok |*stream_size|, when given, is the number of bytes the stream took. Memory: one
// buffer of |chunk| plus the 32 KiB history, asked for without exceptions; a buffer that
// cannot be had is OutOfMemory. The output is only complete and checked when Ok comes back.
ZlibVerdict InflateZlib(const std::uint8_t* data, std::size_t size, std::size_t chunk,
                        InflateSink& sink, std::size_t* stream_size = nullptr);

}  // namespace sorvane
