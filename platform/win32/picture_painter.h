// PLACEHOLDER until the picture painter arrives.
#pragma once

#include "platform/win32/windows_api.h"
#include "ui/gif_image.h"

namespace sorvane::win32 {

void PaintPicture(HDC dc, const ui::GifImage& image, const RECT& dest);

}  // namespace sorvane::win32
