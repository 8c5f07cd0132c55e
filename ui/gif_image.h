// PLACEHOLDER until the picture decoder arrives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sorvane::ui {

struct GifImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> indices;
    std::vector<std::uint32_t> palette;
    int transparent = -1;
};

bool DecodeGif(const std::uint8_t* data, std::size_t size, GifImage* out);

}  // namespace sorvane::ui
