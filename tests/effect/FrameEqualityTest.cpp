// WarpEffect: every frame the program draws is the one the plain per-pixel pass draws.
#include "effect/WarpEffect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ReferencePass.h"
#include "SurfaceDifference.h"
#include "TestPicture.h"

namespace {

const int kWidth = WarpEffect::kWidth;
const int kHeight = WarpEffect::kHeight;

struct Setup {
    const char* name;
    int screenBits;  // 32 and 16 are the screens the SDL 1.2 layer gives; 24 and 8 tests
    int pictureBits; // the bundled picture is 24-bit; an 8-bit one reads raw indices
};

const Setup kSetups[] = {
    {"Screen32", 32, 24},      {"Screen16", 16, 24},        {"Screen24", 24, 24},
    {"Screen8Palette", 8, 24}, {"Screen32Picture8", 32, 8}, {"Screen16Picture8", 16, 8},
};

void PrintTo(const Setup& setup, std::ostream* os) {
    *os << setup.name;
}

// A palette with every kind of entry, so that the nearest-colour search matters.
void GivePalette(SDL_Surface* screen) {
    SDL_Color colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {Uint8((i & 7) * 36), Uint8((i >> 3 & 7) * 36), Uint8((i >> 6) * 85), 0};
    SDL_SetColors(screen, colours, 0, 256);
}

std::string CacheDifference(const Color* ours, const std::vector<Color>& plain) {
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const Color& a = ours[i];
        const Color& b = plain[i];
        if (a.r != b.r || a.g != b.g || a.b != b.b || a.mapped != b.mapped)
            return "cache entry " + std::to_string(i) + ": ours (" + std::to_string(a.r) + ", " +
                   std::to_string(a.g) + ", " + std::to_string(a.b) + ", " +
                   std::to_string(a.mapped) + "), plain (" + std::to_string(b.r) + ", " +
                   std::to_string(b.g) + ", " + std::to_string(b.b) + ", " +
                   std::to_string(b.mapped) + ")";
    }
    return "";
}

// The program's App and effect next to the plain pass, each with a screen, a cache and
// a factor of its own, started alike.
class FrameEquality : public testing::TestWithParam<Setup> {
protected:
    void SetUp() override {
        app = std::make_unique<App>("Prismwarp", kWidth, kHeight, GetParam().screenBits, false);
        SDL_Surface* screen = app->screen.surface;
        ASSERT_EQ(screen->format->BitsPerPixel, GetParam().screenBits);
        if (screen->format->palette) GivePalette(screen);

        {
            TestPicture::Scope here(picture);
            effect = new WarpEffect();
        }
        app->handler = effect;
        effect->app = app.get();

        plainScreen.surface = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
        ASSERT_NE(plainScreen.surface, nullptr) << SDL_GetError();
        plainCache.assign(effect->colorCache, effect->colorCache + WarpEffect::kPixels);
    }

    void Start(float factor) {
        warpFactor = factor;
        plainFactor = factor;
    }

    // One frame of each, cleared first as App::Run clears; false once they differ.
    bool Frame(int frame) {
        SDL_FillRect(app->screen.surface, nullptr, 0);
        SDL_FillRect(plainScreen.surface, nullptr, 0);

        effect->Update();
        reference::Warp(plainScreen.surface, plainCache.data(), plainFactor);
        if (plainBlend)
            reference::Blend(plainScreen.surface, plainScreen.surface, effect->image.surface, 0, 0,
                             kWidth, kHeight, plainFactor);

        const std::string pixel = FirstDifference(app->screen.surface, plainScreen.surface);
        const std::string cache = CacheDifference(effect->colorCache, plainCache);
        EXPECT_EQ(pixel, "") << "frame " << frame;
        EXPECT_EQ(cache, "") << "frame " << frame;
        EXPECT_EQ(warpFactor, plainFactor) << "frame " << frame;
        return pixel.empty() && cache.empty() && warpFactor == plainFactor;
    }

    void Press(SDLKey key) {
        effect->OnKeyDown(key);
        if (key == SDLK_UP) plainBlend = true;
        if (key == SDLK_DOWN) plainBlend = false;
    }

    TestPicture picture{GetParam().pictureBits};
    std::unique_ptr<App> app;
    WarpEffect* effect = nullptr; // owned by the app
    Image plainScreen;
    std::vector<Color> plainCache;
    float plainFactor = 0.0f;
    bool plainBlend = false;
};

// From the program's start over 40 frames: the factor resets in frames 12, 25 and 39,
// and the overlay goes on and off at odd frames, twice on in a row once.
TEST_P(FrameEquality, FortyFramesFromTheStartWithTheOverlayToggled) {
    const std::map<int, SDLKey> presses = {{2, SDLK_UP},    {5, SDLK_DOWN},  {11, SDLK_UP},
                                           {12, SDLK_UP},   {14, SDLK_DOWN}, {17, SDLK_UP},
                                           {26, SDLK_DOWN}, {31, SDLK_UP},   {38, SDLK_DOWN}};
    Start(1.0f);
    for (int frame = 0; frame < 40; ++frame) {
        // Keys are handled after a frame's Update, so they show from the next frame on.
        if (!Frame(frame)) return;
        const auto press = presses.find(frame);
        if (press != presses.end()) Press(press->second);
    }
}

// Factors the program does not start from: the table's cycle, a value it does not hold,
// the last value before a reset, and a run that resets within its first frame.
TEST_P(FrameEquality, FramesFromOtherFactors) {
    const float starts[] = {0.0f, 0.00005f, 3.14159f, 9.99999046f, 9.5f, 1.0f};
    for (const float start : starts) {
        SCOPED_TRACE("starting from " + std::to_string(start));
        Start(start);
        Press(start > 5.0f ? SDLK_UP : SDLK_DOWN);
        for (int frame = 0; frame < 3; ++frame)
            if (!Frame(frame)) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, FrameEquality, testing::ValuesIn(kSetups),
                         [](const testing::TestParamInfo<Setup>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
