// GIF pictures for the wizard: the first frame of a GIF87a/GIF89a file, decoded to
// palette indices. Platform-free, so the decoder runs in the native tests and fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sorvane::ui {

struct GifImage {
    int width = 0, height = 0;           // the logical screen
    std::vector<std::uint8_t> indices;   // row-major, width * height entries
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB; every index is within it
    int transparent = -1;                // the transparent index, or -1
};

// Largest picture accepted, in pixels: far above the wizard's, far below what would
// strain memory.
inline constexpr std::size_t kMaxGifPixels = 4096 * 4096 / 4;

// Decodes the first frame into |out|. Pixels of the screen outside the frame take the
// background index (or the transparent one when the frame sets it). Returns false,
// leaving |out| empty, for anything that is not a whole valid picture: a bad
// signature, a missing colour table, a screen of zero or more than kMaxGifPixels
// pixels, a frame outside the screen, bad LZW codes, indices beyond the palette, or
// data that ends before every pixel of the frame is known.
bool DecodeGif(const std::uint8_t* data, std::size_t size, GifImage* out);

}  // namespace sorvane::ui
