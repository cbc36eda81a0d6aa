// Upscale: the frame blown up by a whole factor, each pixel a block of its own value.
#include "frame/Upscale.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frame/Image.h"

namespace {

struct FactorCase {
    int width, height; // of the screen
    int factor;        // for a 320 x 240 frame
};

// The largest factor that fits: the display's own size full screen, a window the window
// manager has made larger, and screens too small to hold the frame once.
const FactorCase kFactors[] = {
    {1024, 768, 3}, {1280, 1024, 4}, {1920, 1080, 4}, {3840, 2160, 9}, {2560, 1440, 6},
    {640, 479, 1},  {639, 480, 1},   {320, 240, 1},   {319, 240, 0},   {320, 239, 0},
};

TEST(UpscaleFactor, IsTheLargestWholeOneThatFits) {
    for (const FactorCase& c : kFactors)
        EXPECT_EQ(Upscale::Factor(320, 240, c.width, c.height), c.factor)
            << "on " << c.width << "x" << c.height;
}

struct BlockCase {
    const char* name;
    int bits;
    Uint32 rmask, gmask, bmask;
    int k;      // the factor
    int x0, y0; // where the frame's corner goes
};

std::ostream& operator<<(std::ostream& out, const BlockCase& c) {
    return out << c.name;
}

// Every size of pixel, the factors written out and one beyond them, and corners that are
// not aligned.
const BlockCase kBlocks[] = {
    {"Xrgb8888By1", 32, 0xFF0000, 0xFF00, 0xFF, 1, 3, 2},
    {"Xrgb8888By2", 32, 0xFF0000, 0xFF00, 0xFF, 2, 0, 0},
    {"Xrgb8888By3", 32, 0xFF0000, 0xFF00, 0xFF, 3, 5, 1},
    {"Xrgb8888By4", 32, 0xFF0000, 0xFF00, 0xFF, 4, 1, 3},
    {"Xrgb8888By6", 32, 0xFF0000, 0xFF00, 0xFF, 6, 2, 2},
    {"Xrgb8888By7", 32, 0xFF0000, 0xFF00, 0xFF, 7, 1, 0},
    {"Rgb565By2", 16, 0xF800, 0x07E0, 0x001F, 2, 1, 1},
    {"Rgb565By5", 16, 0xF800, 0x07E0, 0x001F, 5, 3, 4},
    {"Rgb565By9", 16, 0xF800, 0x07E0, 0x001F, 9, 0, 7},
    {"Rgb888By3", 24, 0xFF0000, 0xFF00, 0xFF, 3, 1, 2},
    {"Palette8By4", 8, 0, 0, 0, 4, 3, 3},
};

class UpscaleBlocks : public testing::TestWithParam<BlockCase> {};

TEST_P(UpscaleBlocks, EachPixelIsABlockOfItsValueAndNothingElseIsWritten) {
    const BlockCase& c = GetParam();
    const int w = 13, h = 7; // odd sizes: no row is a whole number of vectors
    Image frame, screen;
    frame.surface = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, c.bits, c.rmask, c.gmask, c.bmask, 0);
    const int sw = c.x0 + w * c.k + 3, sh = c.y0 + h * c.k + 2;
    screen.surface =
        SDL_CreateRGBSurface(SDL_SWSURFACE, sw, sh, c.bits, c.rmask, c.gmask, c.bmask, 0);
    ASSERT_TRUE(frame.surface && screen.surface) << SDL_GetError();
    const int n = frame.surface->format->BytesPerPixel;
    // Every byte of every frame pixel differs from the others and from the background.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int i = 0; i < n; ++i)
                static_cast<Uint8*>(frame.surface->pixels)[y * frame.surface->pitch + x * n + i] =
                    Uint8(1 + (y * w + x) * n + i);
    const Uint8 kBackground = 0xEE;
    std::memset(screen.surface->pixels, kBackground, std::size_t(screen.surface->pitch) * sh);

    Upscale::Draw(frame.surface, screen.surface, c.k, c.x0, c.y0);

    const auto* in = static_cast<const Uint8*>(frame.surface->pixels);
    const auto* out = static_cast<const Uint8*>(screen.surface->pixels);
    for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < screen.surface->pitch / n; ++x) {
            const bool inside = x >= c.x0 && x < c.x0 + w * c.k && y >= c.y0 && y < c.y0 + h * c.k;
            for (int i = 0; i < n; ++i) {
                const Uint8 got = out[y * screen.surface->pitch + x * n + i];
                const Uint8 want =
                    inside ? in[(y - c.y0) / c.k * frame.surface->pitch + (x - c.x0) / c.k * n + i]
                           : kBackground;
                ASSERT_EQ(int(got), int(want)) << "at " << x << "," << y << ", byte " << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, UpscaleBlocks, testing::ValuesIn(kBlocks),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
