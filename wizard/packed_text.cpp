#include "wizard/packed_text.h"

#include <zlib.h>

#include <new>

namespace sorvane {

bool InflateText(const std::uint8_t* data, std::size_t size, std::string* text) {
    text->clear();
    // The texts are a few KiB: anything near zlib's 32-bit counts is not one of them.
    if (!data || size == 0 || size > (1u << 30)) return false;
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return false;
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = static_cast<uInt>(size);
    int status = Z_OK;
    try {
        std::size_t done = 0;
        while (status == Z_OK) {
            text->resize(done + 4 * size + 1024);
            zs.next_out = reinterpret_cast<Bytef*>(&(*text)[done]);
            zs.avail_out = static_cast<uInt>(text->size() - done);
            status = inflate(&zs, Z_NO_FLUSH);
            done = text->size() - zs.avail_out;
            // Output space was left over, yet the stream wants more: its input ends early.
            if (status == Z_OK && zs.avail_out != 0) status = Z_DATA_ERROR;
        }
        text->resize(done);
    } catch (const std::bad_alloc&) {
        status = Z_MEM_ERROR;
    }
    const bool whole = status == Z_STREAM_END && zs.avail_in == 0;
    inflateEnd(&zs);
    if (!whole) text->clear();
    return whole;
}

}  // namespace sorvane
