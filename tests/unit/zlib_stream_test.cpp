#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/zlib_stream.h"

namespace sorvane::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Pieces : public InflateSink {
  public:
    bool Take(const std::uint8_t* data, std::size_t size) override {
        sizes.push_back(size);
        all.insert(all.end(), data, data + size);
        return true;
    }
    std::vector<std::size_t> sizes;
    Bytes all;
};

// zlib's own verdict on |stream|, told apart the same way: input that runs out is Truncated.
ZlibVerdict ZlibSays(const Bytes& stream) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return ZlibVerdict::OutOfMemory;
    Bytes out(1 << 20);
    zs.next_in = const_cast<Bytef*>(stream.data());
    zs.avail_in = static_cast<uInt>(stream.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    const int ret = inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    if (ret == Z_STREAM_END) return ZlibVerdict::Ok;
    return ret == Z_BUF_ERROR && zs.avail_in == 0 ? ZlibVerdict::Truncated : ZlibVerdict::Damaged;
}

Bytes Compress(const Bytes& data, int level, int strategy) {
    z_stream zs{};
    EXPECT_EQ(deflateInit2(&zs, level, Z_DEFLATED, 15, 8, strategy), Z_OK);
    Bytes out(deflateBound(&zs, static_cast<uLong>(data.size())));
    zs.next_in = const_cast<Bytef*>(data.data());
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

// Deflate bits, written the way the format packs them.
struct BitWriter {
    Bytes bytes;
    unsigned used = 0;
    void Put(unsigned value, unsigned n) {
        for (unsigned i = 0; i < n; ++i, ++used) {
            if (used % 8 == 0) bytes.push_back(0);
            bytes.back() |= static_cast<std::uint8_t>(((value >> i) & 1) << (used % 8));
        }
    }
    void Code(unsigned code, unsigned length) {  // Huffman codes go first bit first
        while (length-- > 0) Put(code >> length & 1, 1);
    }
    void FixedLiteral(unsigned s) {
        if (s < 144)
            Code(0x30 + s, 8);
        else if (s < 256)
            Code(0x190 + s - 144, 9);
        else if (s < 280)
            Code(s - 256, 7);
        else
            Code(0xC0 + s - 280, 8);
    }
    void Align() { used = (used + 7) / 8 * 8; }
};

std::vector<unsigned> Canonical(const std::vector<int>& lengths) {
    unsigned count[16] = {}, next[16] = {};
    for (int length : lengths) count[length]++;
    count[0] = 0;
    for (unsigned len = 1, code = 0; len < 16; ++len)
        next[len] = code = (code + count[len - 1]) << 1;
    std::vector<unsigned> codes;
    for (int length : lengths) codes.push_back(length ? next[length]++ : 0);
    return codes;
}

// Code-length code: symbols 0 to 12 of four bits, 13 to 18 of five.
const std::vector<int> kPlainLengthsCode = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
                                            4, 4, 4, 5, 5, 5, 5, 5, 5};

// A last dynamic block's header. Each length is sent as itself unless |sent| lists the
// code-length symbols and their extra bits (none when negative).
void Dynamic(BitWriter& w, const std::vector<int>& lit, const std::vector<int>& dist,
             std::vector<std::pair<int, int>> sent = {},
             const std::vector<int>& lengths_code = kPlainLengthsCode) {
    static const int kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                   11, 4,  12, 3, 13, 2, 14, 1, 15};
    w.Put(1, 1), w.Put(2, 2);
    w.Put(static_cast<unsigned>(lit.size() - 257), 5);
    w.Put(static_cast<unsigned>(dist.size() - 1), 5);
    w.Put(15, 4);
    for (int symbol : kOrder) w.Put(lengths_code[symbol], 3);
    if (sent.empty()) {
        for (int length : lit) sent.push_back({length, 0});
        for (int length : dist) sent.push_back({length, 0});
    }
    const auto codes = Canonical(lengths_code);
    for (auto [symbol, extra] : sent) {
        w.Code(codes[symbol], lengths_code[symbol]);
        if (symbol >= 16 && extra >= 0) w.Put(extra, symbol == 16 ? 2 : symbol == 17 ? 3 : 7);
    }
}

// A zlib stream around deflate |w|, its check over |output|.
Bytes Wrap(const BitWriter& w, const std::string& output) {
    Bytes stream(2 + w.bytes.size());
    stream[0] = 0x78, stream[1] = 0x01;
    std::copy(w.bytes.begin(), w.bytes.end(), stream.begin() + 2);
    const uLong check =
        adler32(1, reinterpret_cast<const Bytef*>(output.data()), static_cast<uInt>(output.size()));
    for (int shift = 24; shift >= 0; shift -= 8)
        stream.push_back(static_cast<std::uint8_t>(check >> shift));
    return stream;
}

ZlibVerdict Inflate(const Bytes& stream, Pieces* pieces = nullptr, std::size_t chunk = 1000,
                    std::size_t* used = nullptr) {
    Pieces ignored;
    return InflateZlib(stream.data(), stream.size(), chunk, pieces ? *pieces : ignored, used);
}

TEST(ZlibStream, InflatesWhatZlibDeflatesInEveryWay) {
    // Text runs, noise, long runs of one byte and copies from near the window's far end.
    std::mt19937 rng(5);
    Bytes data;
    while (data.size() < 300000) {
        const std::size_t kind = rng() % 4, n = 100 + rng() % 3000;
        for (std::size_t i = 0; i < n; ++i) {
            if (kind == 0)
                data.push_back(static_cast<std::uint8_t>("payload text "[i % 13]));
            else if (kind == 1)
                data.push_back(static_cast<std::uint8_t>(rng()));
            else if (kind == 2)
                data.push_back(0);
            else
                data.push_back(data.size() > 32600 ? data[data.size() - 32500] : 7);
        }
    }
    const std::pair<int, int> kinds[] = {{0, Z_DEFAULT_STRATEGY}, {1, Z_DEFAULT_STRATEGY},
                                         {9, Z_DEFAULT_STRATEGY}, {6, Z_FIXED},
                                         {6, Z_HUFFMAN_ONLY},     {6, Z_RLE}};
    for (auto [level, strategy] : kinds) {
        Bytes stream = Compress(data, level, strategy);
        const std::size_t size = stream.size();
        stream.push_back(0x55);  // what follows the stream is not read
        for (std::size_t chunk : {std::size_t{1000}, std::size_t{40000}, std::size_t{256 * 1024}}) {
            Pieces out;
            std::size_t used = 0;
            ASSERT_EQ(Inflate(stream, &out, chunk, &used), ZlibVerdict::Ok) << level << strategy;
            EXPECT_EQ(out.all, data) << level << " " << strategy << " " << chunk;
            EXPECT_EQ(used, size);
            for (std::size_t i = 0; i + 1 < out.sizes.size(); ++i) ASSERT_EQ(out.sizes[i], chunk);
        }
    }
}

TEST(ZlibStream, CopiesFromTheFarEndOfTheWindowAcrossChunks) {
    // A stored block of 32768 bytes, then a match of 258 from 32768 back, four times: the
    // first right after a chunk was handed on.
    BitWriter w;
    std::string expected;
    w.Put(0, 3), w.Align(), w.Put(0x8000, 16), w.Put(0x7FFF, 16);
    for (unsigned i = 0; i < 32768; ++i) {
        expected += static_cast<char>(i * 7 + i / 251);
        w.Put(static_cast<std::uint8_t>(expected.back()), 8);
    }
    w.Put(1, 1), w.Put(1, 2);
    for (int i = 0; i < 4; ++i) {
        w.FixedLiteral(285), w.Code(29, 5), w.Put(8191, 13);
        expected += expected.substr(expected.size() - 32768, 258);
    }
    w.FixedLiteral(256);
    Pieces out;
    ASSERT_EQ(Inflate(Wrap(w, expected), &out, 1024), ZlibVerdict::Ok);
    EXPECT_EQ(std::string(out.all.begin(), out.all.end()), expected);
}

// A dynamic block of 'a', a match of 3 from 1 back and the end: its one distance code is
// "0", which zlib accepts although the code is incomplete; "1" is then no code at all.
Bytes SingleDistanceCode(unsigned distance_bits) {
    std::vector<int> lit(258, 0);
    lit['a'] = 1, lit[256] = 2, lit[257] = 2;
    BitWriter w;
    Dynamic(w, lit, {1});
    w.Code(0, 1), w.Code(3, 2), w.Code(distance_bits, 1), w.Code(2, 2);
    return Wrap(w, "aaaa");
}

TEST(ZlibStream, ASingleDistanceCodeAndEveryCutOfAStream) {
    Pieces out;
    ASSERT_EQ(Inflate(SingleDistanceCode(0), &out), ZlibVerdict::Ok);
    EXPECT_EQ(std::string(out.all.begin(), out.all.end()), "aaaa");
    EXPECT_EQ(Inflate(SingleDistanceCode(1)), ZlibVerdict::Damaged);

    // Input that stops anywhere before the check's last byte is truncated, never damaged.
    Bytes text(2000);
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<std::uint8_t>("abcab"[i % 5] + i / 300);
    for (const Bytes& stream : {SingleDistanceCode(0), Compress(text, 9, Z_DEFAULT_STRATEGY)}) {
        for (std::size_t cut = 0; cut < stream.size(); ++cut) {
            const Bytes part(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
            ASSERT_EQ(Inflate(part), ZlibVerdict::Truncated) << cut;
        }
    }
}

TEST(ZlibStream, BadStreamsGetZlibsVerdict) {
    using V = ZlibVerdict;
    std::vector<std::pair<std::string, std::pair<Bytes, V>>> cases;
    auto add = [&](const std::string& name, Bytes stream, V verdict) {
        cases.push_back({name, {std::move(stream), verdict}});
    };
    add("empty", {}, V::Truncated);
    add("half a header", {0x78}, V::Truncated);
    add("header check", {0x78, 0x02, 0x03, 0x00}, V::Damaged);
    add("method 7", {0x77, 0x85, 0x03, 0x00}, V::Damaged);
    add("window of 64 KiB", {0x88, 0x98, 0x03, 0x00}, V::Damaged);
    add("preset dictionary", {0x78, 0x20, 0, 0, 0, 1, 0x03, 0x00}, V::Damaged);
    add("preset dictionary cut", {0x78, 0x20, 0, 0}, V::Truncated);
    add("block type 3", {0x78, 0x01, 0x07}, V::Damaged);
    add("stored length", {0x78, 0x01, 0x01, 0x01, 0x00, 0xFF, 0xFF, 'x'}, V::Damaged);
    add("stored cut", {0x78, 0x01, 0x01, 0x02, 0x00, 0xFD, 0xFF, 'x'}, V::Truncated);
    add("stored length cut", {0x78, 0x01, 0x01, 0x01, 0x00, 0xFE}, V::Truncated);
    add("check", {0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x02}, V::Damaged);
    add("check cut", {0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00}, V::Truncated);
    add("whole", {0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}, V::Ok);

    auto fixed = [&](const std::string& name, std::vector<std::pair<unsigned, int>> body,
                     V verdict) {
        // Literals and length symbols, and after each length a distance symbol and its extra.
        BitWriter w;
        w.Put(1, 1), w.Put(1, 2);
        for (auto [symbol, distance] : body) {
            w.FixedLiteral(symbol);
            if (distance >= 0) w.Code(static_cast<unsigned>(distance), 5);
        }
        w.FixedLiteral(256);
        add(name, Wrap(w, "aaaa"), verdict);
    };
    fixed("fixed, a match from 1 back", {{'a', -1}, {257, 0}}, V::Ok);
    fixed("fixed, length symbol 286", {{'a', -1}, {286, -1}}, V::Damaged);
    fixed("fixed, distance symbol 30", {{'a', -1}, {257, 30}}, V::Damaged);
    fixed("fixed, a match from 2 back after 1 byte", {{'a', -1}, {257, 1}}, V::Damaged);

    auto dynamic = [&](const std::string& name, const std::vector<int>& lit,
                       const std::vector<int>& dist, std::vector<std::pair<int, int>> sent,
                       const std::vector<int>& lengths_code, V verdict, int body_bits = 1) {
        // The block's body: zero bits; none and no check either when |body_bits| < 0.
        BitWriter w;
        Dynamic(w, lit, dist, std::move(sent), lengths_code);
        w.Put(0, static_cast<unsigned>(std::max(body_bits, 0)));
        Bytes stream = Wrap(w, "");
        if (body_bits < 0) stream.resize(stream.size() - 4);
        add(name, stream, verdict);
    };
    std::vector<int> eob_only(257, 0);
    eob_only[256] = 1;
    dynamic("only the end code, of one bit", eob_only, {0}, {}, kPlainLengthsCode, V::Ok);
    std::vector<int> lit = eob_only;
    lit['a'] = 2;
    dynamic("literal code incomplete", lit, {1}, {}, kPlainLengthsCode, V::Damaged);
    lit.push_back(1);
    dynamic("literal code over-subscribed", lit, {1}, {}, kPlainLengthsCode, V::Damaged);
    lit = std::vector<int>(258, 0);
    lit['a'] = 1, lit[257] = 1;
    dynamic("no end code", lit, {1}, {}, kPlainLengthsCode, V::Damaged);
    dynamic("287 length symbols", std::vector<int>(287, 0), {1}, {{0, 0}}, kPlainLengthsCode,
            V::Damaged);
    dynamic("31 distance symbols", eob_only, std::vector<int>(31, 0), {{0, 0}}, kPlainLengthsCode,
            V::Damaged);
    dynamic("repeat of no length", eob_only, {1}, {{16, 0}}, kPlainLengthsCode, V::Damaged);
    dynamic("repeat past the lengths", eob_only, {1}, {{18, 127}, {18, 127}}, kPlainLengthsCode,
            V::Damaged);
    dynamic("repeat cut before its bits", eob_only, {1}, {{16, -1}}, kPlainLengthsCode,
            V::Truncated, -1);
    std::vector<int> lengths_code(19, 0);
    lengths_code[0] = lengths_code[1] = lengths_code[2] = 1;
    dynamic("code-length code over-subscribed", eob_only, {1}, {{0, 0}}, lengths_code, V::Damaged);
    lengths_code[1] = lengths_code[2] = 0;
    dynamic("code-length code incomplete", eob_only, {1}, {{0, 0}}, lengths_code, V::Damaged);
    // No code-length codes: zlib reads a zero length from each bit, then misses the end code.
    lengths_code[0] = 0;
    dynamic("no code-length codes", eob_only, {1}, {}, lengths_code, V::Damaged, 320);
    dynamic("no code-length codes, cut", eob_only, {1}, {}, lengths_code, V::Truncated, 160);

    for (const auto& [name, expected] : cases) {
        const auto& [stream, verdict] = expected;
        EXPECT_EQ(ZlibSays(stream), verdict) << name << " (zlib)";
        EXPECT_EQ(Inflate(stream), verdict) << name;
    }
}

TEST(ZlibStream, ASinkThatFailsStopsTheInflation) {
    class Refusing : public InflateSink {
      public:
        bool Take(const std::uint8_t*, std::size_t) override { return ++calls < 2; }
        int calls = 0;
    } sink;
    const Bytes stream = Compress(Bytes(5000, 'x'), 1, Z_DEFAULT_STRATEGY);
    EXPECT_EQ(InflateZlib(stream.data(), stream.size(), 1000, sink), ZlibVerdict::SinkFailed);
    EXPECT_EQ(sink.calls, 2);
}

// Chunks shorter than the longest match, and one too large for any buffer.
TEST(ZlibStream, EveryChunkSizeIsHeld) {
    const Bytes data(60000, 'a');
    const Bytes stream = Compress(data, 9, Z_DEFAULT_STRATEGY);
    for (std::size_t chunk : {std::size_t{1}, std::size_t{100}, std::size_t{257}}) {
        Pieces out;
        ASSERT_EQ(Inflate(stream, &out, chunk), ZlibVerdict::Ok) << chunk;
        EXPECT_EQ(out.all, data) << chunk;
        for (std::size_t i = 0; i + 1 < out.sizes.size(); ++i) ASSERT_EQ(out.sizes[i], chunk);
    }
    EXPECT_EQ(Inflate(stream, nullptr, SIZE_MAX), ZlibVerdict::OutOfMemory);
}

}  // namespace
}  // namespace sorvane::test
