// FastBlend: on every CPU path, the overlay's rows blend as App::Blend blends the screen.
#include "TestPlatform.h"
#include "effect/FastBlend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BlendWeights.h"
#include "SurfaceDifference.h"
#include "SurfaceLoan.h"
#include "frame/App.h"

namespace {

struct BlendSetup {
    const char* name;
    int screenBits;
    int pictureBits; // 24 as the bundled picture loads, 32 for raw-byte channels
    int pictureWidth, pictureHeight;
    CpuPath path;
    int width; // of the blend, from the screen's left edge
};

// Pictures of the screen's size, and one smaller, read as black outside it. The blend covers
// the screen's width, a whole number of vectors on every path, or 317 pixels, which leave 13,
// 5 and 1 after the last whole vector of 16, 8 and 4, for the loop that mixes pixel by pixel.
const BlendSetup kSetups[] = {
    {"Screen32Avx512", 32, 24, 320, 240, CpuPath::Avx512, 320},
    {"Screen32Avx2", 32, 24, 320, 240, CpuPath::Avx2, 320},
    {"Screen32Baseline", 32, 24, 320, 240, CpuPath::Baseline, 320},
    {"Screen16Avx512", 16, 24, 320, 240, CpuPath::Avx512, 320},
    {"Screen16Avx2", 16, 24, 320, 240, CpuPath::Avx2, 320},
    {"Screen16Baseline", 16, 24, 320, 240, CpuPath::Baseline, 320},
    {"Screen32Picture32SmallAvx512", 32, 32, 100, 70, CpuPath::Avx512, 320},
    {"Screen16Picture32SmallBaseline", 16, 32, 100, 70, CpuPath::Baseline, 320},
    {"Screen32Width317Avx512", 32, 24, 320, 240, CpuPath::Avx512, 317},
    {"Screen16Width317Avx2", 16, 24, 320, 240, CpuPath::Avx2, 317},
    {"Screen32Width317Baseline", 32, 24, 320, 240, CpuPath::Baseline, 317},
};

void PrintTo(const BlendSetup& setup, std::ostream* os) {
    *os << setup.name;
}

// Weights as the factor has them (0 to 10), one exactly 1, one that rounds 1 - alpha, and
// one below 0.
const std::vector<float> kAlphas = {0.0f, 1.0f, 0.1f, 0.4f, 2.0f, 4.2f, 9.99999f, -0.5f};

// Raw pixel values whose bytes run through every value.
void Paint(SDL_Surface* s) {
    const int n = s->format->BytesPerPixel;
    for (int y = 0; y < s->h; ++y) {
        for (int x = 0; x < s->w; ++x) {
            const Uint32 v = Uint32(x * 0x9E3779B1u ^ y * 0x85EBCA77u);
            std::memcpy(static_cast<Uint8*>(s->pixels) + y * s->pitch + x * n, &v, size_t(n));
        }
    }
}

// Raw pixel values whose first 65,536 pair every value of the low byte with every value of
// the next: on the screen the byte the overlay reads as red is i's low byte, on the picture
// its high byte, and the other way round for green. (A 3-byte picture is read as red from
// its third byte, a 4-byte one from its first: both are given the same.)
void PaintPairs(SDL_Surface* s, bool picture) {
    const int n = s->format->BytesPerPixel;
    for (int y = 0; y < s->h; ++y) {
        for (int x = 0; x < s->w; ++x) {
            const Uint32 i = Uint32(y * s->w + x), low = i & 255, high = i >> 8 & 255;
            const Uint32 v =
                picture ? high | low << 8 | high << 16 : low | high << 8 | (i * 97 & 255) << 16;
            std::memcpy(static_cast<Uint8*>(s->pixels) + y * s->pitch + x * n, &v, size_t(n));
        }
    }
}

// The fast rows on the screen and App::Blend on a copy of it, from the same pixels, for
// each weight.
class BlendEquality : public testing::TestWithParam<BlendSetup> {
protected:
    void Expect(void (*paint)(SDL_Surface*, bool), const std::vector<float>& alphas) {
        const BlendSetup& setup = GetParam();
        if (!CpuRuns(setup.path)) GTEST_SKIP() << "this CPU does not run the path";
        App app(TestPlatform::Get(), "Prismwarp", 320, 240, setup.screenBits, false);
        SDL_Surface* screen = app.screen.surface;
        ASSERT_EQ(screen->format->BitsPerPixel, setup.screenBits);
        Image picture;
        picture.surface =
            SDL_CreateRGBSurface(SDL_SWSURFACE, setup.pictureWidth, setup.pictureHeight,
                                 setup.pictureBits, 0xFF0000, 0x00FF00, 0x0000FF, 0);
        ASSERT_NE(picture.surface, nullptr) << SDL_GetError();
        paint(picture.surface, true);
        const FastBlend fast(picture, setup.width, 240);

        Image plain;
        plain.surface = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
        ASSERT_NE(plain.surface, nullptr) << SDL_GetError();
        for (const float alpha : alphas) {
            SCOPED_TRACE("alpha " + std::to_string(alpha) + " (" + std::to_string(alpha * 0x1p26) +
                         " / 2^26)");
            paint(screen, false);
            paint(plain.surface, false);
            const ScreenRows rows(screen);
            for (int y = 0; y < 240; ++y)
                fast.Row(rows.Row<Uint8>(y), y, alpha, setup.path, rows);
            {
                SurfaceLoan loan(app.screen, plain.surface);
                app.Blend(app.screen, picture, 0, 0, setup.width, 240, alpha);
            }
            ASSERT_EQ(FirstDifference(screen, plain.surface), "");
        }
    }
};

TEST_P(BlendEquality, RowsBlendAsThePlainPass) {
    Expect([](SDL_Surface* s, bool) { Paint(s); }, kAlphas);
}

// The fast rows mix in whole numbers where the weight allows it. That they give the double
// mix's bits for every pair of channels follows from both being exact up to the hold and the
// truncation (FastBlend.cpp); this holds them to it for every pair, at the weights where
// the whole numbers' ranges end, and at weights from all over the factor's course.
TEST_P(BlendEquality, EveryPairOfChannelsAtTheFactorsWeights) {
    Expect(PaintPairs, FactorWeights());
}

INSTANTIATE_TEST_SUITE_P(Screens, BlendEquality, testing::ValuesIn(kSetups),
                         [](const testing::TestParamInfo<BlendSetup>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
