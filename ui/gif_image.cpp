// PLACEHOLDER until the picture decoder arrives.
#include "ui/gif_image.h"

namespace sorvane::ui {

bool DecodeGif(const std::uint8_t*, std::size_t, GifImage*) {
    return false;
}

}  // namespace sorvane::ui
