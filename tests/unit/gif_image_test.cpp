#include "ui/gif_image.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace sorvane::ui {
namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Decode(const std::vector<std::uint8_t>& data, GifImage* image) {
    return DecodeGif(data.data(), data.size(), image);
}

// A GIF whose LZW data holds one 8-bit literal per pixel (code size 7: the table never
// grows past 8-bit codes within 126 pixels), so that tests can write frames by hand.
std::vector<std::uint8_t> HandMadeGif(int screen_w, int screen_h, int left, int top, int w, int h,
                                      bool interlaced, int transparent,
                                      const std::vector<std::uint8_t>& pixels) {
    std::vector<std::uint8_t> g = {'G', 'I', 'F', '8', '9', 'a'};
    auto u16 = [&g](int v) {
        g.push_back(static_cast<std::uint8_t>(v & 0xFF));
        g.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    u16(screen_w);
    u16(screen_h);
    g.insert(g.end(), {0x81, 0, 0});  // a global table of 4 colours
    g.insert(g.end(), {0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF});
    if (transparent >= 0)
        g.insert(g.end(), {0x21, 0xF9, 4, 1, 0, 0, static_cast<std::uint8_t>(transparent), 0});
    g.push_back(0x2C);
    u16(left);
    u16(top);
    u16(w);
    u16(h);
    g.push_back(interlaced ? 0x40 : 0);
    g.push_back(7);
    g.push_back(static_cast<std::uint8_t>(pixels.size() + 2));
    g.push_back(128);  // clear
    g.insert(g.end(), pixels.begin(), pixels.end());
    g.push_back(129);  // end
    g.insert(g.end(), {0, 0x3B});
    return g;
}

TEST(GifImageTest, DecodesTheWizardPicturesThatTheToolDraws) {
    const std::filesystem::path source = SORVANE_SOURCE_DIR;
    // Own folder per process: test runs in other trees may draw at the same time.
    const auto out = std::filesystem::temp_directory_path() /
                     ("sorvane_gif_image_test_" + std::to_string(::getpid()));
    std::filesystem::remove_all(out);
    const std::string command = std::string(SORVANE_PYTHON) + " \"" +
                                (source / "tools/make_pictures.py").string() + "\" \"" +
                                out.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);

    for (const char* name : {"welcome.gif", "logo.gif", "welcome_2x.gif", "logo_2x.gif"}) {
        // The kept pictures are exactly what the tool draws.
        const auto kept = ReadFile(source / "wizard" / name);
        EXPECT_EQ(ReadFile(out / name), kept) << name << " differs from the tool's drawing";
        GifImage image;
        ASSERT_TRUE(Decode(kept, &image)) << name;
        EXPECT_EQ(image.palette.size(), 256u);
        EXPECT_EQ(image.indices.size(), static_cast<std::size_t>(image.width) * image.height);
    }
    std::filesystem::remove_all(out);

    GifImage banner, logo;
    ASSERT_TRUE(Decode(ReadFile(source / "wizard/welcome.gif"), &banner));
    EXPECT_EQ(banner.width, 165);
    EXPECT_EQ(banner.height, 315);
    EXPECT_EQ(banner.transparent, -1);
    ASSERT_TRUE(Decode(ReadFile(source / "wizard/logo.gif"), &logo));
    EXPECT_EQ(logo.width, 110);
    EXPECT_EQ(logo.height, 132);
    ASSERT_GE(logo.transparent, 0);
    // Corners lie outside the shield, the middle inside, at both sizes.
    for (const char* name : {"logo.gif", "logo_2x.gif"}) {
        ASSERT_TRUE(Decode(ReadFile(source / "wizard" / name), &logo));
        const int s = logo.width / 110;
        EXPECT_EQ(logo.width * 132, logo.height * 110) << name;
        ASSERT_GE(logo.transparent, 0);
        EXPECT_EQ(logo.indices[0], logo.transparent);
        EXPECT_EQ(logo.indices.back(), logo.transparent);
        EXPECT_NE(logo.indices[66 * s * logo.width + 55 * s], logo.transparent);
    }
    ASSERT_TRUE(Decode(ReadFile(source / "wizard/welcome_2x.gif"), &banner));
    EXPECT_EQ(banner.width * 1000 + banner.height, 330630);
    EXPECT_EQ(banner.transparent, -1);
}

TEST(GifImageTest, PlacesAnInterlacedFrameOnItsScreen) {
    // Frame 2 x 8 at 1, 1 of a 4 x 10 screen; row y holds index y % 3, and the rows are
    // stored in interlace order 0, 8 / 4 / 2, 6 / 1, 3, 5, 7.
    std::vector<std::uint8_t> stored;
    for (int y : {0, 4, 2, 6, 1, 3, 5, 7}) stored.insert(stored.end(), 2, y % 3);
    GifImage image;
    ASSERT_TRUE(Decode(HandMadeGif(4, 10, 1, 1, 2, 8, true, 3, stored), &image));
    ASSERT_EQ(image.indices.size(), 40u);
    EXPECT_EQ(image.transparent, 3);
    EXPECT_EQ(image.palette[1], 0xFF0000u);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x < 3 && y >= 1 && y < 9;
            EXPECT_EQ(image.indices[y * 4 + x], inside ? (y - 1) % 3 : 3) << x << "," << y;
        }
}

TEST(GifImageTest, RefusesDamagedOrUnreasonablePictures) {
    const std::vector<std::uint8_t> pixels(8, 1);
    GifImage image;
    ASSERT_TRUE(Decode(HandMadeGif(4, 2, 0, 0, 4, 2, false, -1, pixels), &image));

    auto bad = [&image](const std::vector<std::uint8_t>& data) {
        image.width = 1;
        return !Decode(data, &image) && image.width == 0 && image.indices.empty();
    };
    EXPECT_TRUE(bad(HandMadeGif(4, 2, 0, 0, 4, 2, false, -1, {1, 1, 1})));    // ends early
    EXPECT_TRUE(bad(HandMadeGif(4, 2, 0, 0, 4, 2, false, -1, {1, 1, 200})));  // unknown code
    EXPECT_TRUE(bad(HandMadeGif(4, 2, 0, 0, 4, 2, false, -1, {1, 1, 1, 9, 1, 1, 1, 1})));  // index
    EXPECT_TRUE(bad(HandMadeGif(4, 2, 1, 0, 4, 2, false, -1, pixels)));        // outside the screen
    EXPECT_TRUE(bad(HandMadeGif(4096, 4096, 0, 0, 4, 2, false, -1, pixels)));  // too large
    EXPECT_TRUE(bad(HandMadeGif(0, 2, 0, 0, 4, 2, false, -1, pixels)));

    // Every cut of a real picture is refused until only its end code, the block
    // terminator and the trailer are missing: at most 2 + 1 + 1 bytes.
    const auto logo = ReadFile(std::filesystem::path(SORVANE_SOURCE_DIR) / "wizard/logo.gif");
    std::size_t whole = 0;
    while (whole < logo.size() && !DecodeGif(logo.data(), whole, &image)) ++whole;
    EXPECT_GE(whole + 4, logo.size());
    EXPECT_LT(whole, logo.size());
}

}  // namespace
}  // namespace sorvane::ui
