// Any bytes as a wizard picture: the decoder never reads outside them, and whatever it
// accepts is a picture the painter can use as it is.
#include <cstdint>
#include <cstdlib>

#include "ui/gif_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using sorvane::ui::GifImage;
    GifImage image;
    if (!sorvane::ui::DecodeGif(data, size, &image)) {
        if (image.width != 0 || !image.indices.empty() || !image.palette.empty()) std::abort();
        return 0;
    }
    const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
    if (image.width <= 0 || image.height <= 0 || pixels > sorvane::ui::kMaxGifPixels) std::abort();
    if (image.indices.size() != pixels || image.palette.empty()) std::abort();
    for (std::uint8_t index : image.indices)
        if (index >= image.palette.size()) std::abort();
    if (image.transparent < -1 || image.transparent >= static_cast<int>(image.palette.size()))
        std::abort();
    return 0;
}
