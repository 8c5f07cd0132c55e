#include "wizard/packed_text.h"

#include "core/zlib_stream.h"

namespace sorvane {

namespace {

class TextSink : public InflateSink {
  public:
    explicit TextSink(std::string* text) : text_(text) {}
    bool Take(const std::uint8_t* data, std::size_t size) override {
        // Out of memory, or longer than a string may be (the product's runtime raises its
        // own type for that): either way the text is not had.
        try {
            text_->append(reinterpret_cast<const char*>(data), size);
            return true;
        } catch (...) {
            return false;
        }
    }

  private:
    std::string* text_;
};

}  // namespace

bool InflateText(const std::uint8_t* data, std::size_t size, std::string* text) {
    text->clear();
    // The texts are a few KiB: anything near a GiB is not one of them.
    if (!data || size == 0 || size > (1u << 30)) return false;
    TextSink sink(text);
    std::size_t used = 0;
    // The whole stream and nothing after it.
    const bool whole =
        InflateZlib(data, size, 16384, sink, &used) == ZlibVerdict::Ok && used == size;
    if (!whole) text->clear();
    return whole;
}

}  // namespace sorvane
