// ScreenDepths: on a screen of 8, 16, 24 or 32 bits a pixel, the warp pass draws each
// cached colour scaled and mapped into the screen's format, and the blend pass runs.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "BmpFlavours.h"
#include "ScratchDir.h"
#include "effect/WarpEffect.h"

using bmpflavours::Flavour;

namespace {

struct Case {
    int depth;
    Flavour flavour;
    int width, height;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.depth << "-bit screen, " << bmpflavours::Name(c.flavour) << " " << c.width << "x"
         << c.height;
}

const Case kCases[] = {
    {8, Flavour::Pal8, 320, 240},    {8, Flavour::Bgr24, 7, 5},
    {16, Flavour::Rgb565, 320, 240}, {16, Flavour::Pal4, 1, 1},
    {24, Flavour::Bgr24, 400, 300},  {24, Flavour::Rgb555, 100, 50},
    {32, Flavour::Bgra32, 320, 240}, {32, Flavour::Rle8, 33, 17},
};

// The screen's pixel value at (x, y), as many low bytes as it stores.
Uint32 Raw(const SDL_Surface* s, int x, int y) {
    const int n = s->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * n;
    Uint32 v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

class ScreenDepths : public testing::TestWithParam<Case> {};

TEST_P(ScreenDepths, WarpPassIsExactAndBlendPassRuns) {
    const Case& c = GetParam();
    ScratchDir scratch;
    scratch.Enter();
    ASSERT_TRUE(bmpflavours::SaveFile("lsd.bmp", bmpflavours::Write(c.flavour, c.width, c.height)));
    App app("Prismwarp", 320, 240, c.depth, false);
    SDL_Surface* screen = app.screen.surface;
    ASSERT_EQ(screen->format->BitsPerPixel, c.depth);

    auto effect = std::make_unique<WarpEffect>();
    effect->app = &app;

    // The pass, worked out on a copy of the cache: each position takes the entry one step
    // down the diagonal of the transposed cache, in place.
    std::vector<Color> cache(effect->colorCache, effect->colorCache + WarpEffect::kPixels);
    std::vector<Uint32> expected(WarpEffect::kPixels);
    const Uint32 keep =
        c.depth == 32 ? 0xFFFFFFFF : (Uint32(1) << (screen->format->BytesPerPixel * 8)) - 1;
    float f = warpFactor;
    for (int x = 0; x < WarpEffect::kWidth; ++x) {
        for (int y = 0; y < WarpEffect::kHeight; ++y) {
            const int d = x * WarpEffect::kHeight + y;
            cache[d] = cache[WarpEffect::kHeight * y + x + WarpEffect::kHeight + 1];
            expected[d] =
                SDL_MapRGB(screen->format, WarpEffect::Scale(cache[d].r, f),
                           WarpEffect::Scale(cache[d].g, f), WarpEffect::Scale(cache[d].b, f)) &
                keep;
            f = WarpEffect::Advance(f);
        }
    }

    effect->Update();
    for (int x = 0; x < WarpEffect::kWidth; ++x)
        for (int y = 0; y < WarpEffect::kHeight; ++y)
            ASSERT_EQ(Raw(screen, x, y), expected[x * WarpEffect::kHeight + y])
                << "at (" << x << ", " << y << ")";

    effect->OnKeyDown(SDLK_UP);
    effect->Update();
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenDepths, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             const Case& c = info.param;
                             return "Depth" + std::to_string(c.depth) + "_" +
                                    bmpflavours::Name(c.flavour) + "_" + std::to_string(c.width) +
                                    "x" + std::to_string(c.height);
                         });

} // namespace
