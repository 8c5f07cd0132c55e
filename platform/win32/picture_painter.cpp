// PLACEHOLDER until the picture painter arrives.
#include "platform/win32/picture_painter.h"

namespace sorvane::win32 {

void PaintPicture(HDC, const ui::GifImage&, const RECT&) {}

}  // namespace sorvane::win32
