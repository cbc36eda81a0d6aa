// Color::Map and ChannelLayout::Pack: the inline mappings give what SDL_MapRGB gives, for
// every colour.
#include "frame/Color.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

struct Format {
    const char* name;
    int bits;
    Uint32 rmask, gmask, bmask, amask;
};

// The screens the SDL 1.2 layer gives (16 and 32 bits), the 24-bit layouts of pictures
// and test screens, and neighbours with other shifts, losses and an alpha mask.
const Format kTrueColour[] = {
    {"RGB565", 16, 0xF800, 0x07E0, 0x001F, 0},
    {"BGR565", 16, 0x001F, 0x07E0, 0xF800, 0},
    {"RGB555", 15, 0x7C00, 0x03E0, 0x001F, 0},
    {"ARGB1555", 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {"RGB24", 24, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {"BGR24", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0},
    {"XRGB8888", 32, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {"XBGR8888", 32, 0x0000FF, 0x00FF00, 0xFF0000, 0},
    {"ARGB8888", 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000},
    {"RGBA8888", 32, 0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF},
};

void PrintTo(const Format& format, std::ostream* os) {
    *os << format.name;
}

class MapRGB : public testing::TestWithParam<Format> {
protected:
    void SetUp() override {
        const Format& f = GetParam();
        image.surface =
            SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, f.bits, f.rmask, f.gmask, f.bmask, f.amask);
        ASSERT_NE(image.surface, nullptr) << SDL_GetError();
        ASSERT_EQ(image.surface->format->palette, nullptr);
    }

    Image image;
};

// Both the mapping of one colour and the layout the fast passes pack screen rows with.
TEST_P(MapRGB, TrueColourArithmeticEqualsSdlForAllChannelValues) {
    const SDL_PixelFormat* format = image.surface->format;
    long mismatches = 0;
    std::string first;
    const auto check = [&](const char* how, int r, int g, int b, Uint32 ours) {
        const Uint32 sdl = SDL_MapRGB(format, Uint8(r), Uint8(g), Uint8(b));
        if (ours == sdl) return;
        if (mismatches++ == 0) {
            char text[120];
            std::snprintf(text, sizeof text, "%s (%d, %d, %d): SDL_MapRGB 0x%08X, ours 0x%08X", how,
                          r, g, b, unsigned(sdl), unsigned(ours));
            first = text;
        }
    };
    const ChannelLayout layout(*format);
    for (int r = 0; r < 256; ++r) {
        for (int g = 0; g < 256; ++g) {
            for (int b = 0; b < 256; ++b) {
                check("colour", r, g, b, Color(image, Uint8(r), Uint8(g), Uint8(b)).mapped);
                check("row", r, g, b, layout.Pack(Uint32(r), Uint32(g), Uint32(b)));
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << "first at " << first;
}

INSTANTIATE_TEST_SUITE_P(Formats, MapRGB, testing::ValuesIn(kTrueColour),
                         [](const testing::TestParamInfo<Format>& info) {
                             return std::string(info.param.name);
                         });

// A palette is searched by SDL itself; the mapping hands it on unchanged.
TEST(MapRGBPalette, PalettizedSurfacesKeepSdlsNearestColour) {
    Image image;
    image.surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 8, 0, 0, 0, 0);
    ASSERT_NE(image.surface, nullptr) << SDL_GetError();
    SDL_Color colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {Uint8(i * 37), Uint8(255 - i), Uint8(i * 11), 0};
    SDL_SetColors(image.surface, colours, 0, 256);

    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15)
                ASSERT_EQ(Color(image, Uint8(r), Uint8(g), Uint8(b)).mapped,
                          SDL_MapRGB(image.surface->format, Uint8(r), Uint8(g), Uint8(b)))
                    << "(" << r << ", " << g << ", " << b << ")";
}

} // namespace
