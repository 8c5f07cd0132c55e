#include "platform/win32/picture_painter.h"

#include <cstring>
#include <vector>

namespace sorvane::win32 {

namespace {

// An 8-bit bottom-up DIB of the picture's indices with a colour table of our choosing.
struct IndexedDib {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    std::vector<std::uint8_t> bits;

    explicit IndexedDib(const ui::GifImage& image) {
        const std::size_t stride = (static_cast<std::size_t>(image.width) + 3) / 4 * 4;
        bits.assign(stride * image.height, 0);
        for (int y = 0; y < image.height; ++y)
            std::memcpy(&bits[stride * (image.height - 1 - y)],
                        &image.indices[static_cast<std::size_t>(y) * image.width],
                        static_cast<std::size_t>(image.width));
        info.header.biSize = sizeof info.header;
        info.header.biWidth = image.width;
        info.header.biHeight = image.height;
        info.header.biPlanes = 1;
        info.header.biBitCount = 8;
        info.header.biCompression = BI_RGB;
        info.header.biClrUsed = 256;
    }
    void SetColour(std::size_t index, std::uint32_t rgb) {
        info.colours[index] = RGBQUAD{static_cast<BYTE>(rgb), static_cast<BYTE>(rgb >> 8),
                                      static_cast<BYTE>(rgb >> 16), 0};
    }
    void Stretch(HDC dc, const RECT& dest, DWORD rop) const {
        StretchDIBits(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, 0, 0,
                      info.header.biWidth, info.header.biHeight, bits.data(),
                      reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, rop);
    }
};

}  // namespace

void PaintPicture(HDC dc, const ui::GifImage& image, const RECT& dest) {
    if (!dc || image.width <= 0 || image.height <= 0 || image.palette.empty() ||
        image.indices.size() != static_cast<std::size_t>(image.width) * image.height ||
        dest.right <= dest.left || dest.bottom <= dest.top)
        return;
    IndexedDib dib(image);
    const std::size_t colours = image.palette.size() < 256 ? image.palette.size() : 256;
    const bool masked =
        image.transparent >= 0 && static_cast<std::size_t>(image.transparent) < colours;
    // Whole pixels for a mask, whose edge a blending stretch would smear, and for an
    // enlargement; a reduction of an opaque picture averages the pixels it merges.
    const bool reduced = dest.right - dest.left < image.width || dest.bottom - dest.top < image.height;
    const int old_mode = SetStretchBltMode(dc, reduced && !masked ? HALFTONE : COLORONCOLOR);
    if (reduced && !masked) SetBrushOrgEx(dc, 0, 0, nullptr);
    if (masked) {
        // First the mask: black where the picture shows, white where it is transparent,
        // ANDed in, so the picture's place turns black and the rest stays.
        for (std::size_t i = 0; i < colours; ++i)
            dib.SetColour(i, static_cast<int>(i) == image.transparent ? 0xFFFFFF : 0);
        dib.Stretch(dc, dest, SRCAND);
        // Then the picture with its transparent colour black, ORed in.
        for (std::size_t i = 0; i < colours; ++i)
            dib.SetColour(i, static_cast<int>(i) == image.transparent ? 0 : image.palette[i]);
        dib.Stretch(dc, dest, SRCPAINT);
    } else {
        for (std::size_t i = 0; i < colours; ++i) dib.SetColour(i, image.palette[i]);
        dib.Stretch(dc, dest, SRCCOPY);
    }
    if (old_mode) SetStretchBltMode(dc, old_mode);
}

}  // namespace sorvane::win32
