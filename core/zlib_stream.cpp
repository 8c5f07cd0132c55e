#include "core/zlib_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace sorvane {

namespace {

constexpr std::size_t kWindow = 32768;
// A match may end up to 257 bytes past the chunk, and copies run up to 7 bytes past a match.
constexpr std::size_t kSlack = 258 + 8;
constexpr unsigned kFastBits = 10;
constexpr unsigned kFastMask = (1u << kFastBits) - 1;
// The symbol of codes that no symbol has; it is out of range as a length and as a distance.
constexpr std::uint16_t kNoSymbol = 511;

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::uint8_t kLengthCodeOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                               11, 4,  12, 3, 13, 2, 14, 1, 15};

// Little-endian bits of the input, read ahead up to eight bytes at a time. Bits above
// |count| are either zero or the input's next bits, so looking further than |count| never
// misleads: a code is only taken when all of its bits are there.
struct Bits {
    const std::uint8_t* in;
    const std::uint8_t* end;
    std::uint64_t buf = 0;
    unsigned count = 0;

    // At least 56 bits afterwards, or all the input that is left.
    void Refill() {
        if (end - in >= 8) {
            std::uint64_t word;
            std::memcpy(&word, in, 8);  // every target is little-endian
            buf |= word << count;
            in += (63 - count) >> 3;
            count |= 56;
        } else {
            while (count <= 56 && in < end) {
                buf |= static_cast<std::uint64_t>(*in++) << count;
                count += 8;
            }
        }
    }
    bool Need(unsigned n) {
        if (count < n) Refill();
        return count >= n;
    }
    unsigned Take(unsigned n) {
        const unsigned value = static_cast<unsigned>(buf & ((std::uint64_t{1} << n) - 1));
        buf >>= n;
        count -= n;
        return value;
    }
    // Drops the bits up to the next byte and hands the whole bytes read ahead back.
    void Align() {
        in -= count >> 3;
        buf = 0;
        count = 0;
    }
};

// A canonical Huffman code. Codes up to kFastBits long are found with one look-up; the
// longer ones by walking the number of codes of each length.
struct Code {
    std::uint16_t fast[1u << kFastBits];  // symbol | length << 9; length 0: a longer code
    std::uint16_t count[16];
    std::uint16_t symbol[288];

    // False for the code sets zlib refuses: over-subscribed ones, and incomplete ones unless
    // |lone_ok| and there is just one code, of one bit. The bit patterns no code has, and
    // every pattern when no symbol has a code, give |none| after one bit.
    bool Build(const std::uint8_t* lengths, unsigned n, bool lone_ok, std::uint16_t none) {
        std::fill(std::begin(fast), std::end(fast), static_cast<std::uint16_t>(none | 1u << 9));
        std::fill(std::begin(count), std::end(count), std::uint16_t{0});
        for (unsigned i = 0; i < n; ++i) ++count[lengths[i]];
        unsigned longest = 15;
        while (longest > 0 && count[longest] == 0) --longest;
        if (longest == 0) return true;
        int left = 1;
        for (unsigned len = 1; len <= 15; ++len) {
            left = 2 * left - count[len];
            if (left < 0) return false;
        }
        if (left > 0 && !(lone_ok && longest == 1)) return false;

        std::uint16_t next[16];
        next[1] = 0;
        for (unsigned len = 1; len < 15; ++len) next[len + 1] = next[len] + count[len];
        for (unsigned i = 0; i < n; ++i)
            if (lengths[i]) symbol[next[lengths[i]]++] = static_cast<std::uint16_t>(i);

        unsigned code = 0, index = 0;
        for (unsigned len = 1; len <= longest; ++len, code <<= 1) {
            for (unsigned k = 0; k < count[len]; ++k, ++code) {
                unsigned reversed = 0;
                for (unsigned bit = 0; bit < len; ++bit)
                    reversed |= ((code >> bit) & 1) << (len - 1 - bit);
                const unsigned sym = symbol[index++];
                if (len <= kFastBits) {
                    for (unsigned r = reversed; r <= kFastMask; r += 1u << len)
                        fast[r] = static_cast<std::uint16_t>(sym | len << 9);
                } else {
                    fast[reversed & kFastMask] = 0;
                }
            }
        }
        return true;
    }

    // The symbol whose code begins |bits| and the code's length; for codes longer than
    // kFastBits, which only complete codes have.
    unsigned Long(std::uint64_t bits, unsigned* length) const {
        int code = 0, first = 0, index = 0;
        for (unsigned len = 1; len <= 15; ++len) {
            code |= static_cast<int>(bits & 1);
            bits >>= 1;
            const int n = count[len];
            if (code - first < n) {
                *length = len;
                return symbol[index + code - first];
            }
            index += n;
            first = (first + n) << 1;
            code <<= 1;
        }
        *length = 1;
        return kNoSymbol;
    }
};

// Decodes one symbol of |code|; false when the input ends inside it.
inline bool Decode(Bits& bits, const Code& code, unsigned* symbol) {
    const unsigned entry = code.fast[bits.buf & kFastMask];
    unsigned length = entry >> 9;
    *symbol = entry & 511;
    if (length == 0) *symbol = code.Long(bits.buf, &length);
    if (length > bits.count) return false;
    bits.buf >>= length;
    bits.count -= length;
    return true;
}

class Inflater {
  public:
    Inflater(const std::uint8_t* data, std::size_t size, std::uint8_t* buffer, std::size_t chunk,
             InflateSink& sink)
        : bits_{data, data + size},
          buffer_(buffer),
          out_(buffer),
          pending_(buffer),
          chunk_(chunk),
          sink_(sink) {}

    ZlibVerdict Run(const std::uint8_t** stream_end);

  private:
    ZlibVerdict Stored();
    ZlibVerdict Fixed();
    ZlibVerdict Dynamic();
    ZlibVerdict Block();
    bool Flush();
    void Check(const std::uint8_t* p, std::size_t n);

    Bits bits_;
    std::uint8_t* const buffer_;
    std::uint8_t* out_;      // where the next byte goes
    std::uint8_t* pending_;  // the first byte not yet handed to the sink
    const std::size_t chunk_;
    InflateSink& sink_;
    std::uint32_t a_ = 1, b_ = 0;  // the Adler-32 sums so far
    Code literals_, distances_;
};

void Inflater::Check(const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        // The most bytes before the sums could overflow 32 bits.
        std::size_t run = std::min<std::size_t>(n, 5552);
        n -= run;
        std::uint32_t a = a_, b = b_;
        for (; run >= 4; run -= 4, p += 4) {
            a += p[0], b += a;
            a += p[1], b += a;
            a += p[2], b += a;
            a += p[3], b += a;
        }
        for (; run > 0; --run) a += *p++, b += a;
        a_ = a % 65521;
        b_ = b % 65521;
    }
}

// Hands one whole chunk to the sink and moves the history, with what lies past the chunk,
// to the front of the buffer.
// Hands over every whole chunk: a match may leave more than one behind when chunks are
// shorter than a match, and what stays must be less than a chunk for the buffer to hold
// the next one.
bool Inflater::Flush() {
    std::uint8_t* done = pending_;
    while (static_cast<std::size_t>(out_ - done) >= chunk_) {
        Check(done, chunk_);
        if (!sink_.Take(done, chunk_)) return false;
        done += chunk_;
    }
    const std::size_t keep = std::min<std::size_t>(kWindow, done - buffer_);
    const std::size_t past = out_ - done;
    std::memmove(buffer_, done - keep, keep + past);
    pending_ = buffer_ + keep;
    out_ = pending_ + past;
    return true;
}

ZlibVerdict Inflater::Stored() {
    bits_.Align();
    const std::uint8_t* in = bits_.in;
    if (bits_.end - in < 4) return ZlibVerdict::Truncated;
    std::size_t left = in[0] | in[1] << 8;
    if (left != (~(in[2] | in[3] << 8) & 0xFFFFu)) return ZlibVerdict::Damaged;
    in += 4;
    while (left > 0) {
        if (in == bits_.end) return ZlibVerdict::Truncated;
        const std::size_t room = pending_ + chunk_ - out_;
        const std::size_t n = std::min({left, room, static_cast<std::size_t>(bits_.end - in)});
        std::memcpy(out_, in, n);
        out_ += n, in += n, left -= n;
        if (n == room && !Flush()) return ZlibVerdict::SinkFailed;
    }
    bits_.in = in;
    return ZlibVerdict::Ok;
}

ZlibVerdict Inflater::Fixed() {
    std::uint8_t lengths[288];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    literals_.Build(lengths, 288, false, kNoSymbol);
    std::fill(lengths, lengths + 32, 5);
    distances_.Build(lengths, 32, false, kNoSymbol);
    return Block();
}

ZlibVerdict Inflater::Dynamic() {
    Bits& bits = bits_;
    if (!bits.Need(14)) return ZlibVerdict::Truncated;
    const unsigned nlen = bits.Take(5) + 257;
    const unsigned ndist = bits.Take(5) + 1;
    const unsigned ncode = bits.Take(4) + 4;
    if (nlen > 286 || ndist > 30) return ZlibVerdict::Damaged;

    std::uint8_t lengths[286 + 30] = {};
    for (unsigned i = 0; i < ncode; ++i) {
        if (!bits.Need(3)) return ZlibVerdict::Truncated;
        lengths[kLengthCodeOrder[i]] = static_cast<std::uint8_t>(bits.Take(3));
    }
    // zlib reads every length with a code-length code of no codes as 0, from one bit.
    Code& lengths_code = distances_;
    if (!lengths_code.Build(lengths, 19, false, 0)) return ZlibVerdict::Damaged;
    std::fill(lengths, lengths + 19, 0);

    const unsigned total = nlen + ndist;
    for (unsigned have = 0; have < total;) {
        if (bits.count < 14) bits.Refill();
        unsigned symbol;
        if (!Decode(bits, lengths_code, &symbol)) return ZlibVerdict::Truncated;
        if (symbol < 16) {
            lengths[have++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        // The repeat's extra bits come before its checks, as in zlib.
        const unsigned extra = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
        if (bits.count < extra) return ZlibVerdict::Truncated;
        std::uint8_t value = 0;
        if (symbol == 16) {
            if (have == 0) return ZlibVerdict::Damaged;
            value = lengths[have - 1];
        }
        const unsigned repeat = (symbol == 18 ? 11 : 3) + bits.Take(extra);
        if (have + repeat > total) return ZlibVerdict::Damaged;
        std::fill(lengths + have, lengths + have + repeat, value);
        have += repeat;
    }
    if (lengths[256] == 0) return ZlibVerdict::Damaged;  // no end of block
    if (!literals_.Build(lengths, nlen, true, kNoSymbol) ||
        !distances_.Build(lengths + nlen, ndist, true, kNoSymbol))
        return ZlibVerdict::Damaged;
    return Block();
}

// The Huffman-coded data of one block, up to its end code.
ZlibVerdict Inflater::Block() {
    // Locals, not members: stores of output bytes could otherwise alias them.
    Bits bits = bits_;
    std::uint8_t* out = out_;
    std::uint8_t* limit = pending_ + chunk_;
    const Code& literals = literals_;
    const Code& distances = distances_;
    for (;;) {
        // Checked before every symbol, the end code too: a block never ends past its chunk,
        // which stored blocks and the stream's end count on.
        if (out >= limit) {
            out_ = out;
            if (!Flush()) return ZlibVerdict::SinkFailed;
            out = out_;
            limit = pending_ + chunk_;
        }
        // One refill holds a whole length and distance: 15 + 5 + 15 + 13 bits.
        if (bits.count < 48) bits.Refill();
        unsigned symbol;
        if (!Decode(bits, literals, &symbol)) return ZlibVerdict::Truncated;
        if (symbol < 256) {
            *out++ = static_cast<std::uint8_t>(symbol);
            continue;
        }
        if (symbol == 256) break;
        symbol -= 257;
        if (symbol >= 29) return ZlibVerdict::Damaged;
        unsigned extra = kLengthExtra[symbol];
        if (extra > bits.count) return ZlibVerdict::Truncated;
        const std::size_t length = kLengthBase[symbol] + bits.Take(extra);

        if (!Decode(bits, distances, &symbol)) return ZlibVerdict::Truncated;
        if (symbol >= 30) return ZlibVerdict::Damaged;
        extra = kDistanceExtra[symbol];
        if (extra > bits.count) return ZlibVerdict::Truncated;
        const std::size_t distance = kDistanceBase[symbol] + bits.Take(extra);
        if (distance > static_cast<std::size_t>(out - buffer_)) return ZlibVerdict::Damaged;

        const std::uint8_t* from = out - distance;
        std::uint8_t* const stop = out + length;
        if (distance >= 8) {
            // Eight bytes at a time: each piece lies wholly before the one it is copied to.
            do {
                std::memcpy(out, from, 8);
                out += 8, from += 8;
            } while (out < stop);
        } else if (distance == 1) {
            std::memset(out, *from, length);
        } else {
            while (out < stop) *out++ = *from++;
        }
        out = stop;
    }
    bits_ = bits;
    out_ = out;
    return ZlibVerdict::Ok;
}

ZlibVerdict Inflater::Run(const std::uint8_t** stream_end) {
    for (bool last = false; !last;) {
        if (!bits_.Need(3)) return ZlibVerdict::Truncated;
        const unsigned header = bits_.Take(3);
        last = header & 1;
        ZlibVerdict verdict = ZlibVerdict::Damaged;
        switch (header >> 1) {
            case 0:
                verdict = Stored();
                break;
            case 1:
                verdict = Fixed();
                break;
            case 2:
                verdict = Dynamic();
                break;
        }
        if (verdict != ZlibVerdict::Ok) return verdict;
    }
    bits_.Align();
    const std::uint8_t* in = bits_.in;
    if (bits_.end - in < 4) return ZlibVerdict::Truncated;
    const std::size_t rest = out_ - pending_;
    Check(pending_, rest);
    const std::uint32_t expected =
        static_cast<std::uint32_t>(in[0]) << 24 | in[1] << 16 | in[2] << 8 | in[3];
    if (expected != (b_ << 16 | a_)) return ZlibVerdict::Damaged;
    if (rest > 0 && !sink_.Take(pending_, rest)) return ZlibVerdict::SinkFailed;
    *stream_end = in + 4;
    return ZlibVerdict::Ok;
}

}  // namespace

ZlibVerdict InflateZlib(const std::uint8_t* data, std::size_t size, std::size_t chunk,
                        InflateSink& sink, std::size_t* stream_size) {
    chunk = std::max<std::size_t>(chunk, 1);
    // A buffer whose size cannot even be written down is one that cannot be had.
    if (chunk > PTRDIFF_MAX - kWindow - kSlack) return ZlibVerdict::OutOfMemory;
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                               std::uint8_t[kWindow + chunk + kSlack]);
    if (!buffer) return ZlibVerdict::OutOfMemory;
    if (size < 2) return ZlibVerdict::Truncated;
    const unsigned header = data[0] << 8 | data[1];
    // Method 8 with a window of at most 32 KiB, and the check bits.
    if (header % 31 != 0 || (data[0] & 15) != 8 || data[0] >> 4 > 7) return ZlibVerdict::Damaged;
    // A preset dictionary is refused once its identifier is there, as zlib does.
    if (data[1] & 0x20) return size < 6 ? ZlibVerdict::Truncated : ZlibVerdict::Damaged;
    Inflater run(data + 2, size - 2, buffer.get(), chunk, sink);
    const std::uint8_t* end = nullptr;
    const ZlibVerdict verdict = run.Run(&end);
    if (verdict == ZlibVerdict::Ok && stream_size) *stream_size = end - data;
    return verdict;
}

}  // namespace sorvane
