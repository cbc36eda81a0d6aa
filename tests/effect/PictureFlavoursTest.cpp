// PictureFlavours: every BMP layout SDL reads, from 1x1 to thousands of pixels each way,
// fills the colour cache from the surface it gives, and the fast passes draw a frame with the
// overlay on from it as the plain passes do.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <tuple>

#include "BmpFlavours.h"
#include "ColorPrinter.h"
#include "ScratchDir.h"
#include "SurfaceDifference.h"
#include "SurfaceLoan.h"
#include "TestPlatform.h"
#include "effect/ScreenRows.h"
#include "effect/WarpEffect.h"

using bmpflavours::Flavour;

namespace bmpflavours {
static void PrintTo(Flavour flavour, std::ostream* out) {
    *out << Name(flavour);
}
} // namespace bmpflavours

namespace {

struct Size {
    int width, height;
};

std::ostream& operator<<(std::ostream& out, const Size& size) {
    return out << size.width << "x" << size.height;
}

const Size kSizes[] = {
    {1, 1},       // a single pixel
    {333, 1},     // a single row, wider than the screen
    {1, 250},     // a single column, taller than the screen
    {7, 5},       // odd sizes: row padding and half-filled bytes
    {320, 240},   // exactly the screen
    {3001, 2503}, // thousands of pixels each way
};

// The colour SDL decoded at (x, y), through the surface's own format.
bmpflavours::Rgb Decoded(const Image& image, int x, int y) {
    const SDL_Surface* s = image.surface;
    const int n = s->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * n;
    Uint32 v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = v << 8 | p[SDL_BYTEORDER == SDL_LIL_ENDIAN ? i : n - 1 - i];
    bmpflavours::Rgb c{};
    SDL_GetRGB(v, s->format, &c.r, &c.g, &c.b);
    return c;
}

class PictureFlavours : public testing::TestWithParam<std::tuple<Flavour, Size>> {
protected:
    // A 32-bit screen, which the fast passes draw on.
    static void SetUpTestSuite() {
        app = new App(TestPlatform::Get(), "Prismwarp", 320, 240, 32, false);
    }
    static void TearDownTestSuite() {
        delete app;
        app = nullptr;
    }
    void SetUp() override { scratch.Enter(); }

    static App* app;
    ScratchDir scratch;
};

App* PictureFlavours::app = nullptr;

TEST_P(PictureFlavours, CacheHoldsThePictureAndBlackOutside) {
    const auto [flavour, size] = GetParam();
    ASSERT_TRUE(
        bmpflavours::SaveFile("lsd.bmp", bmpflavours::Write(flavour, size.width, size.height)));

    // SDL reads the layout as written: every colour of the screen-sized corner, and the
    // picture's far corners.
    Image picture;
    ASSERT_TRUE(picture.Load("lsd.bmp")) << SDL_GetError();
    ASSERT_EQ(picture.surface->w, size.width);
    ASSERT_EQ(picture.surface->h, size.height);
    const int w = std::min(size.width, WarpEffect::kWidth);
    const int h = std::min(size.height, WarpEffect::kHeight);
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            ASSERT_EQ(Decoded(picture, x, y), bmpflavours::Expected(flavour, x, y))
                << "at (" << x << ", " << y << ")";
    const int right = size.width - 1, bottom = size.height - 1;
    EXPECT_EQ(Decoded(picture, right, bottom), bmpflavours::Expected(flavour, right, bottom));
    EXPECT_EQ(Decoded(picture, right, 0), bmpflavours::Expected(flavour, right, 0));
    EXPECT_EQ(Decoded(picture, 0, bottom), bmpflavours::Expected(flavour, 0, bottom));

    // The effect's cache is GetPixel of that surface inside it, all zero outside.
    auto effect = std::make_unique<WarpEffect>();
    for (int x = 0; x < WarpEffect::kWidth; ++x) {
        for (int y = 0; y < WarpEffect::kHeight; ++y) {
            const Color cached = effect->Cache()[x * WarpEffect::kHeight + y];
            const Color expected = x < w && y < h ? App::GetPixel(picture, x, y) : Color();
            ASSERT_EQ(cached, expected) << "at (" << x << ", " << y << ")";
        }
    }

    // A frame with the overlay on: the fast passes on the screen, the plain ones on a copy.
    SDL_Surface* screen = app->screen.surface;
    ASSERT_TRUE(ScreenRows::Fit(app->Target(), WarpEffect::kWidth, WarpEffect::kHeight));
    auto plain = std::make_unique<WarpEffect>();
    plain->path = CpuPath::Plain;
    Image plainScreen;
    plainScreen.surface = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
    ASSERT_NE(plainScreen.surface, nullptr) << SDL_GetError();
    for (WarpEffect* drawing : {effect.get(), plain.get()}) {
        drawing->app = app;
        drawing->OnKeyDown(SDLK_UP);
    }
    warpFactor = 1.0f;
    effect->Update();
    {
        const SurfaceLoan loan(app->screen, plainScreen.surface);
        warpFactor = 1.0f;
        plain->Update();
    }
    EXPECT_EQ(FirstDifference(screen, plainScreen.surface), "");
}

std::string CaseName(const testing::TestParamInfo<std::tuple<Flavour, Size>>& info) {
    const auto [flavour, size] = info.param;
    return bmpflavours::Name(flavour) + "_" + std::to_string(size.width) + "x" +
           std::to_string(size.height);
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, PictureFlavours,
                         testing::Combine(testing::ValuesIn(bmpflavours::AllFlavours()),
                                          testing::ValuesIn(kSizes)),
                         CaseName);

} // namespace
