#include "ui/gif_image.h"

#include <cstring>

namespace sorvane::ui {

namespace {

constexpr int kMaxCodes = 4096;  // LZW codes are at most 12 bits wide

// Bounds-checked reading of the file's bytes; any read past the end fails.
class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Has(std::size_t n) const { return size_ - pos_ >= n; }
    bool U8(int* value) {
        if (!Has(1)) return false;
        *value = data_[pos_++];
        return true;
    }
    bool U16(int* value) {
        if (!Has(2)) return false;
        *value = data_[pos_] | data_[pos_ + 1] << 8;
        pos_ += 2;
        return true;
    }
    bool Palette(int flags, std::vector<std::uint32_t>* palette) {
        const std::size_t count = std::size_t{2} << (flags & 7);
        if (!Has(3 * count)) return false;
        palette->resize(count);
        for (auto& colour : *palette) {
            colour = std::uint32_t{data_[pos_]} << 16 | data_[pos_ + 1] << 8 | data_[pos_ + 2];
            pos_ += 3;
        }
        return true;
    }
    // Skips a chain of data sub-blocks up to and including its empty terminator.
    bool SkipSubBlocks() {
        for (;;) {
            int length = 0;
            if (!U8(&length)) return false;
            if (length == 0) return true;
            if (!Has(static_cast<std::size_t>(length))) return false;
            pos_ += static_cast<std::size_t>(length);
        }
    }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t pos() const { return pos_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// The LZW codes of an image, read least significant bit first across its sub-blocks.
class CodeReader {
  public:
    CodeReader(const std::uint8_t* data, std::size_t size, std::size_t pos)
        : data_(data), size_(size), pos_(pos) {}
    // False when the data ends (its terminator or the file) before |width| more bits.
    bool Read(int width, int* code) {
        while (bits_ < width) {
            if (block_left_ == 0) {
                if (pos_ >= size_) return false;
                block_left_ = data_[pos_++];
                if (block_left_ == 0) return false;
            }
            if (pos_ >= size_) return false;
            buffer_ |= std::uint32_t{data_[pos_++]} << bits_;
            bits_ += 8;
            --block_left_;
        }
        *code = static_cast<int>(buffer_ & ((1u << width) - 1));
        buffer_ >>= width;
        bits_ -= width;
        return true;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_;
    std::size_t block_left_ = 0;
    std::uint32_t buffer_ = 0;
    int bits_ = 0;
};

// Decodes exactly |pixels->size()| indices; false on a bad code or too little data.
// Codes that would write past the frame are cut off there.
bool DecodeLzw(CodeReader& reader, int min_code_size, std::vector<std::uint8_t>* pixels) {
    // Each code is its prefix code plus one index; |first| and |length| save walking it.
    std::uint16_t prefix[kMaxCodes];
    std::uint8_t suffix[kMaxCodes];
    std::uint8_t first[kMaxCodes];
    std::uint16_t length[kMaxCodes];
    const int clear = 1 << min_code_size, end = clear + 1;
    for (int i = 0; i < clear; ++i) {
        suffix[i] = first[i] = static_cast<std::uint8_t>(i);
        length[i] = 1;
    }
    int width = min_code_size + 1, next = end + 1, previous = -1;
    std::size_t at = 0;
    const std::size_t total = pixels->size();
    while (at < total) {
        int code = 0;
        if (!reader.Read(width, &code)) return false;
        if (code == clear) {
            width = min_code_size + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        if (code == end) return false;  // the frame is not complete
        if (previous < 0) {
            if (code >= clear) return false;
        } else if (code < next) {
            if (next < kMaxCodes) {
                prefix[next] = static_cast<std::uint16_t>(previous);
                suffix[next] = first[code];
                first[next] = first[previous];
                length[next] = static_cast<std::uint16_t>(length[previous] + 1);
                ++next;
            }
        } else if (code == next && next < kMaxCodes) {
            prefix[next] = static_cast<std::uint16_t>(previous);
            suffix[next] = first[previous];
            first[next] = first[previous];
            length[next] = static_cast<std::uint16_t>(length[previous] + 1);
            ++next;
        } else {
            return false;  // a code that is not in the table yet
        }
        if (next == (1 << width) && width < 12) ++width;
        // Write the string back to front: the table holds each code's last index.
        const std::size_t n = length[code];
        std::size_t pos = at + n;
        for (int c = code; c >= 0;) {
            --pos;
            if (pos < total) (*pixels)[pos] = suffix[c];
            c = length[c] > 1 ? prefix[c] : -1;
        }
        at += n;
        previous = code;
    }
    return true;
}

// Rows of an interlaced frame come in four passes.
std::vector<std::uint8_t> Deinterlace(const std::vector<std::uint8_t>& rows, int width,
                                      int height) {
    std::vector<std::uint8_t> out(rows.size());
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    std::size_t source = 0;
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass], ++source)
            std::memcpy(&out[static_cast<std::size_t>(y) * width], &rows[source * width],
                        static_cast<std::size_t>(width));
    return out;
}

bool DecodeFirstFrame(Bytes& in, GifImage* image) {
    int screen_flags = 0, background = 0, aspect = 0;
    if (!in.U16(&image->width) || !in.U16(&image->height) || !in.U8(&screen_flags) ||
        !in.U8(&background) || !in.U8(&aspect))
        return false;
    if (image->width == 0 || image->height == 0) return false;
    const std::size_t pixels = static_cast<std::size_t>(image->width) * image->height;
    if (pixels > kMaxGifPixels) return false;
    std::vector<std::uint32_t> global;
    if ((screen_flags & 0x80) && !in.Palette(screen_flags, &global)) return false;

    int transparent = -1;
    for (;;) {
        int introducer = 0;
        if (!in.U8(&introducer)) return false;
        if (introducer == 0x21) {  // extension
            int label = 0;
            if (!in.U8(&label)) return false;
            if (label == 0xF9) {  // graphic control: the transparent index
                int block = 0, flags = 0, delay = 0, index = 0;
                if (!in.U8(&block) || block != 4 || !in.U8(&flags) || !in.U16(&delay) ||
                    !in.U8(&index))
                    return false;
                transparent = (flags & 1) ? index : -1;
            }
            if (!in.SkipSubBlocks()) return false;
        } else if (introducer == 0x2C) {  // image descriptor
            int left = 0, top = 0, width = 0, height = 0, flags = 0, min_code_size = 0;
            if (!in.U16(&left) || !in.U16(&top) || !in.U16(&width) || !in.U16(&height) ||
                !in.U8(&flags))
                return false;
            if (width == 0 || height == 0 || left + width > image->width ||
                top + height > image->height)
                return false;
            if (flags & 0x80) {
                if (!in.Palette(flags, &image->palette)) return false;
            } else {
                image->palette = global;
            }
            if (image->palette.empty()) return false;
            if (!in.U8(&min_code_size) || min_code_size < 2 || min_code_size > 8) return false;

            std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height);
            CodeReader codes(in.data(), in.size(), in.pos());
            if (!DecodeLzw(codes, min_code_size, &frame)) return false;
            if (flags & 0x40) frame = Deinterlace(frame, width, height);
            const std::size_t colours = image->palette.size();
            for (std::uint8_t index : frame)
                if (index >= colours) return false;

            if (transparent >= static_cast<int>(colours)) transparent = -1;
            image->transparent = transparent;
            const int fill = transparent >= 0                         ? transparent
                             : background < static_cast<int>(colours) ? background
                                                                      : 0;
            image->indices.assign(pixels, static_cast<std::uint8_t>(fill));
            for (int y = 0; y < height; ++y)
                std::memcpy(
                    &image->indices[static_cast<std::size_t>(top + y) * image->width + left],
                    &frame[static_cast<std::size_t>(y) * width], static_cast<std::size_t>(width));
            return true;
        } else {
            return false;  // the trailer before any frame, or no block at all
        }
    }
}

}  // namespace

bool DecodeGif(const std::uint8_t* data, std::size_t size, GifImage* out) {
    *out = GifImage{};
    if (!data || size < 6) return false;
    if (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0) return false;
    Bytes in(data + 6, size - 6);
    GifImage image;
    if (!DecodeFirstFrame(in, &image)) return false;
    *out = std::move(image);
    return true;
}

}  // namespace sorvane::ui
