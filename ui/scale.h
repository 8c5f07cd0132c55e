// The wizard's geometry and font heights are 96-dpi numbers; a window at another
// DPI shows them scaled, rounded as the system's MulDiv rounds (halves away from zero).
#pragma once

#include "ui/controls.h"

namespace sorvane::ui {

inline constexpr int kDesignDpi = 96;

constexpr int ScaleToDpi(int value, int dpi) {
    const long long product = static_cast<long long>(value) * dpi;
    const long long half = kDesignDpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi
                                         : -((-product + half) / kDesignDpi));
}

constexpr Rect ScaleToDpi(const Rect& r, int dpi) {
    return {ScaleToDpi(r.left, dpi), ScaleToDpi(r.top, dpi), ScaleToDpi(r.width, dpi),
            ScaleToDpi(r.height, dpi)};
}

}  // namespace sorvane::ui
