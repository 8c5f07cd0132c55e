// Draws a decoded GIF picture into a device context.
#pragma once

#include "platform/win32/windows_api.h"
#include "ui/gif_image.h"

namespace sorvane::win32 {

// Stretches |image| to |dest|, averaging where an opaque picture is reduced. Pixels of
// its transparent colour leave what is already drawn there. An empty image or
// rectangle draws nothing.
void PaintPicture(HDC dc, const ui::GifImage& image, const RECT& dest);

}  // namespace sorvane::win32
