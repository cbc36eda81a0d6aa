// FastBlend built for WebAssembly and run under node: its rows, mixed four pixels at a time
// with WebAssembly's 128-bit vectors, mix every pair of channels as App::Blend mixes them, at
// the weights the factor gives, in the desktop's layout, in the canvas's (both with their
// shifts fixed when built) and in one taken from the ChannelLayout as it runs; and a blend
// narrower than the screen, whose last pixels are mixed one at a time. (blend_equality_test holds
// the x86 loops to App::Blend itself; here, where SDL's surfaces need a page, the surfaces are
// plain memory and App::Mix is App::Blend's mix.)
#include "effect/FastBlend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BlendWeights.h"
#include "frame/App.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

struct Layout {
    const char* name;
    SDL_PixelFormat format;
    int width; // of the blend, from each row's start
};

SDL_PixelFormat Format(int r, int g, int b, Uint32 alpha) {
    SDL_PixelFormat f{};
    f.BitsPerPixel = 32;
    f.BytesPerPixel = 4;
    f.Rshift = Uint8(r);
    f.Gshift = Uint8(g);
    f.Bshift = Uint8(b);
    f.Rmask = 255u << r;
    f.Gmask = 255u << g;
    f.Bmask = 255u << b;
    f.Amask = alpha;
    return f;
}

// 318 leaves 2 pixels after the last whole vector of each row.
const Layout kLayouts[] = {
    {"Desktop", Format(16, 8, 0, 0), kWidth},
    {"Canvas", Format(0, 8, 16, 0xFF000000), kWidth},
    {"OpaqueDesktop", Format(16, 8, 0, 0xFF000000), kWidth},
    {"CanvasWidth318", Format(0, 8, 16, 0xFF000000), 318},
};

void PrintTo(const Layout& layout, std::ostream* os) {
    *os << layout.name;
}

// A surface of plain memory, 32 bits a pixel: reading its pixels calls no SDL function.
struct Memory {
    explicit Memory(const SDL_PixelFormat& layout) : format(layout), pixels(kWidth * kHeight) {
        surface.format = &format;
        surface.w = kWidth;
        surface.h = kHeight;
        surface.pitch = kWidth * 4;
        surface.pixels = pixels.data();
    }
    SDL_PixelFormat format;
    SDL_Surface surface{};
    std::vector<Uint32> pixels;
};

// As blend_equality_test pairs them: the first 65,536 pixels pair every value of the row's
// low byte (which the overlay reads as red) with every value of the picture's red, and the
// other way round for green; the row's top byte, which the overlay does not read, varies too.
Uint32 RowPixel(Uint32 i) {
    return (i & 255) | (i >> 8 & 255) << 8 | (i * 97 & 255) << 16 | (i * 31 & 255) << 24;
}
Uint32 PicturePixel(Uint32 i) {
    const Uint32 low = i & 255, high = i >> 8 & 255;
    return high | low << 8 | high << 16;
}

class WasmBlend : public testing::TestWithParam<Layout> {};

TEST_P(WasmBlend, EveryPairOfChannelsAtTheFactorsWeights) {
    const SDL_PixelFormat& layout = GetParam().format;
    const int width = GetParam().width;
    Memory picture(Format(16, 8, 0, 0));
    for (Uint32 i = 0; i < kWidth * kHeight; ++i)
        picture.pixels[i] = PicturePixel(i);
    Image image;
    image.surface = &picture.surface;
    const FastBlend fast(image, width, kHeight);
    image.surface = nullptr;

    Memory screen(layout);
    const ScreenRows rows(&screen.surface);
    for (const float alpha : FactorWeights()) {
        SCOPED_TRACE("alpha " + std::to_string(alpha));
        for (Uint32 i = 0; i < kWidth * kHeight; ++i)
            screen.pixels[i] = RowPixel(i);
        for (int y = 0; y < kHeight; ++y)
            fast.Row(rows.Row<Uint8>(y), y, alpha, CpuPath::Simd128, rows);
        const float w = 1.0f - alpha;
        for (Uint32 i = 0; i < kWidth * kHeight; ++i) {
            const Uint32 a = RowPixel(i), b = PicturePixel(i);
            const auto mix = [&](int shift) {
                return App::Mix(Uint8(a >> shift), Uint8(b >> shift), alpha, w);
            };
            // Pixels right of the blend keep the row's value.
            const Uint32 expected =
                int(i % kWidth) < width
                    ? ChannelLayout(layout).Pack(Uint32(mix(0)), Uint32(mix(8)), Uint32(mix(16)))
                    : a;
            ASSERT_EQ(screen.pixels[i], expected)
                << "pixel " << i << ": row " << std::hex << a << ", picture " << b;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, WasmBlend, testing::ValuesIn(kLayouts),
                         [](const testing::TestParamInfo<Layout>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
