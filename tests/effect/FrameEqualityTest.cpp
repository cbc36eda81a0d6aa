// WarpEffect: every frame the fast passes draw, on every CPU path, is the one the plain
// per-pixel passes draw, and so is the cache they leave.
#include "TestPlatform.h"
#include "effect/WarpEffect.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BmpFlavours.h"
#include "ColorPrinter.h"
#include "ScratchDir.h"
#include "SurfaceDifference.h"
#include "SurfaceLoan.h"
#include "effect/ScreenRows.h"

namespace {

const int kWidth = WarpEffect::kWidth;
const int kHeight = WarpEffect::kHeight;

struct FrameSetup {
    const char* name;
    int screenBits;  // 32 and 16 are the screens the SDL 1.2 layer gives; 24 and 8 tests
    int pictureBits; // the bundled picture is 24-bit; an 8-bit one reads raw indices
    CpuPath path;    // of the effect under test; the other one draws plain
    // A screen of another layout lent to the App, when its masks are given.
    Uint32 rMask = 0, gMask = 0, bMask = 0;
};

// The fast passes cover 16- and 32-bit screens; on 24- and 8-bit ones the effect chooses
// the plain passes whatever its path.
const FrameSetup kSetups[] = {
    {"Screen32Avx512", 32, 24, CpuPath::Avx512},
    {"Screen32Avx2", 32, 24, CpuPath::Avx2},
    {"Screen32Baseline", 32, 24, CpuPath::Baseline},
    {"Screen16Avx512", 16, 24, CpuPath::Avx512},
    {"Screen16Avx2", 16, 24, CpuPath::Avx2},
    {"Screen16Baseline", 16, 24, CpuPath::Baseline},
    {"Screen32Picture8Avx512", 32, 8, CpuPath::Avx512},
    {"Screen16Picture8Baseline", 16, 8, CpuPath::Baseline},
    // Red in the top byte, where the products cannot be masked into place directly.
    {"Screen32RedOnTopAvx512", 32, 24, CpuPath::Avx512, 0xFF000000, 0xFF0000, 0xFF00},
    {"Screen32RedOnTopBaseline", 32, 24, CpuPath::Baseline, 0xFF000000, 0xFF0000, 0xFF00},
    {"Screen15Avx2", 15, 24, CpuPath::Avx2, 0x7C00, 0x03E0, 0x001F},
    {"Screen24", 24, 24, CpuPath::Avx512},
    {"Screen8Palette", 8, 24, CpuPath::Avx512},
    {"Screen8PalettePicture8", 8, 8, CpuPath::Baseline},
};

void PrintTo(const FrameSetup& setup, std::ostream* os) {
    *os << setup.name;
}

// A palette with every kind of entry, so that the nearest-colour search matters.
void GivePalette(SDL_Surface* screen) {
    SDL_Color colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {Uint8((i & 7) * 36), Uint8((i >> 3 & 7) * 36), Uint8((i >> 6) * 85), 0};
    SDL_SetColors(screen, colours, 0, 256);
}

std::string CacheDifference(const Color* ours, const Color* plain) {
    for (int i = 0; i < WarpEffect::kPixels; ++i) {
        if (ours[i] != plain[i]) {
            std::ostringstream text;
            text << "cache entry " << i << ": ours " << ours[i] << ", plain " << plain[i];
            return text.str();
        }
    }
    return "";
}

// Two effects on one App: the one under test draws on the screen, the plain one on a copy
// of it lent to the App for its frames. Each keeps a factor of its own.
class FrameEquality : public testing::TestWithParam<FrameSetup> {
protected:
    void SetUp() override {
        if (!CpuRuns(GetParam().path)) GTEST_SKIP() << "this CPU does not run the path";
        const FrameSetup& setup = GetParam();
        const bool lent = setup.rMask != 0;
        app = std::make_unique<App>(TestPlatform::Get(), "Prismwarp", kWidth, kHeight,
                                    lent ? 32 : setup.screenBits, false);
        if (lent) {
            ownScreen.surface =
                SDL_CreateRGBSurface(SDL_SWSURFACE, kWidth, kHeight, setup.screenBits, setup.rMask,
                                     setup.gMask, setup.bMask, 0);
            ASSERT_NE(ownScreen.surface, nullptr) << SDL_GetError();
            loan = std::make_unique<SurfaceLoan>(app->screen, ownScreen.surface);
        }
        SDL_Surface* screen = app->screen.surface;
        ASSERT_EQ(screen->format->BitsPerPixel, GetParam().screenBits);
        if (screen->format->palette) GivePalette(screen);

        const auto flavour =
            setup.pictureBits == 8 ? bmpflavours::Flavour::Pal8 : bmpflavours::Flavour::Bgr24;
        dir.Enter();
        ASSERT_TRUE(bmpflavours::SaveFile("lsd.bmp", bmpflavours::Write(flavour, kWidth, kHeight)));
        ours = std::make_unique<WarpEffect>();
        plain = std::make_unique<WarpEffect>();
        ours->app = app.get();
        ours->path = GetParam().path;
        plain->app = app.get();
        plain->path = CpuPath::Plain;

        plainScreen.surface = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
        ASSERT_NE(plainScreen.surface, nullptr) << SDL_GetError();
    }

    void Start(float factor) {
        ourFactor = factor;
        plainFactor = factor;
    }

    // One frame of each, cleared first as App::Run clears; false once they differ. The
    // caches are compared when `cache` is set, which the fast pass works out on demand.
    bool Frame(int frame, bool cache) {
        SDL_FillRect(app->screen.surface, nullptr, 0);
        SDL_FillRect(plainScreen.surface, nullptr, 0);

        warpFactor = ourFactor;
        ours->Update();
        ourFactor = warpFactor;
        {
            SurfaceLoan loan(app->screen, plainScreen.surface);
            warpFactor = plainFactor;
            plain->Update();
            plainFactor = warpFactor;
        }

        const std::string pixel = FirstDifference(app->screen.surface, plainScreen.surface);
        const std::string entry = cache ? CacheDifference(ours->Cache(), plain->Cache()) : "";
        EXPECT_EQ(pixel, "") << "frame " << frame;
        EXPECT_EQ(entry, "") << "frame " << frame;
        EXPECT_EQ(ourFactor, plainFactor) << "frame " << frame;
        return pixel.empty() && entry.empty() && ourFactor == plainFactor;
    }

    void Press(SDLKey key) {
        ours->OnKeyDown(key);
        plain->OnKeyDown(key);
    }

    ScratchDir dir;
    std::unique_ptr<App> app;
    Image ownScreen;
    std::unique_ptr<SurfaceLoan> loan; // before the effects, so that it ends after them
    std::unique_ptr<WarpEffect> ours;
    std::unique_ptr<WarpEffect> plain;
    Image plainScreen;
    float ourFactor = 0.0f;
    float plainFactor = 0.0f;
};

// From the program's start: the factor resets in frames 12, 25, 39, 52 and 65, and the
// overlay goes on and off at odd frames, twice on in a row once. The caches are compared
// every few frames, so that the fast pass catches up over several at once. Where the fast
// pass draws, the frames go on past the 64 its ring has room for.
TEST_P(FrameEquality, FramesFromTheStartWithTheOverlayToggled) {
    const std::map<int, SDLKey> presses = {
        {2, SDLK_UP},  {5, SDLK_DOWN},  {11, SDLK_UP}, {12, SDLK_UP},   {14, SDLK_DOWN},
        {17, SDLK_UP}, {26, SDLK_DOWN}, {31, SDLK_UP}, {38, SDLK_DOWN}, {50, SDLK_UP}};
    const bool fits = ScreenRows::Fit(app->Target(), WarpEffect::kWidth, WarpEffect::kHeight);
    // Where the screen fits them the fast passes draw, and are the ones compared: a start-up
    // check that failed would leave the plain passes drawing both sides.
    warpFactor = 1.0f;
    ASSERT_EQ(ours->DrawsOver({0, 0, kWidth, kHeight}), fits);
    const int frames = fits ? 70 : 40;
    Start(1.0f);
    for (int frame = 0; frame < frames; ++frame) {
        // Keys are handled after a frame's Update, so they show from the next frame on.
        if (!Frame(frame, frame % 7 == 6 || frame == frames - 1)) return;
        const auto press = presses.find(frame);
        if (press != presses.end()) Press(press->second);
    }
}

// Factors the program does not start from: the cycle's start, one on neither of the
// factor's courses, the last value before a reset, values from which a reset comes within
// the first frame, a factor below 2^-8, factors set from outside above 10 up to the largest
// the fast pass covers (below 2^24, reset after their first pixel), ones it leaves to the
// plain one (below 0, 2^24, whose products all end in eight 0 bits, and the float after it,
// whose do not) and the program's own start.
TEST_P(FrameEquality, FramesFromOtherFactors) {
    const float starts[] = {0.0f,        4.2f,    9.99999046f, 9.5f,        0.00005f,   3.14159f,
                            12.0f,       16.0f,   100.5f,      4097.25f,    1048575.0f, 8388607.0f,
                            16777215.0f, -0.001f, 16777216.0f, 16777218.0f, 1.0f};
    for (const float start : starts) {
        SCOPED_TRACE("starting from " + std::to_string(start));
        Start(start);
        Press(start > 5.0f ? SDLK_UP : SDLK_DOWN);
        for (int frame = 0; frame < 3; ++frame)
            if (!Frame(frame, true)) return;
    }
}

// A cache changed from outside between frames is drawn from in the next one.
TEST_P(FrameEquality, ChangedCacheIsDrawnFrom) {
    Start(1.0f);
    ASSERT_TRUE(Frame(0, false));
    for (WarpEffect* effect : {ours.get(), plain.get()}) {
        Color* cache = effect->EditCache();
        for (int d = 0; d < WarpEffect::kPixels; d += 7)
            cache[d] = Color(Uint8(d), Uint8(d >> 3), 200, Uint32(d));
    }
    for (int frame = 1; frame < 4; ++frame)
        if (!Frame(frame, true)) return;
}

// The ring's step carries all but 2,060 of the 76,800 positions. A wrong step would leave the
// frames exact, with the moves doing its work one position at a time: only this shows it.
TEST(FastWarpPlan, TheStepCarriesAllButAFewPositions) {
    EXPECT_EQ(FastWarp::OffStepPositions(), 2060);
}

INSTANTIATE_TEST_SUITE_P(Screens, FrameEquality, testing::ValuesIn(kSetups),
                         [](const testing::TestParamInfo<FrameSetup>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
