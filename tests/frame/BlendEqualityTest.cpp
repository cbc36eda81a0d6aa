// App::Blend: any rectangle and weight blends as the plain per-pixel pass blends.
#include "frame/App.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "ReferencePass.h"
#include "SurfaceDifference.h"

namespace {

struct Case {
    const char* name;
    int x0, y0, x1, y1;
};

// The whole screen, rectangles reaching past every edge, a column longer than the runs
// the blend works in, empty ones, and rows that end at the largest int, where stepping a
// whole run past the end would overflow.
const Case kCases[] = {
    {"WholeScreen", 0, 0, 320, 240},
    {"PastEveryEdge", -7, -5, 333, 250},
    {"TallColumn", 100, -300, 101, 700},
    {"InnerBlock", 13, 17, 29, 241},
    {"EmptyWidth", 50, 0, 50, 240},
    {"Reversed", 200, 200, 10, 10},
    {"RowsUpToTheLargestInt", 7, std::numeric_limits<int>::max() - 647, 8,
     std::numeric_limits<int>::max()},
};

// Weights as the factor has them (0 to 10), one exactly 1, and one below 0.
const float kAlphas[] = {0.0f, 1.0f, 0.4f, 2.0f, 9.99999f, -0.5f};

class BlendEquality : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        app = std::make_unique<App>("Prismwarp", 320, 240, GetParam(), false);
        // A 24-bit picture, as the bundled one loads.
        picture.surface =
            SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
        ASSERT_NE(picture.surface, nullptr) << SDL_GetError();
        Paint(picture.surface);
    }

    // Something to blend: raw pixel values whose bytes run through every value.
    static void Paint(SDL_Surface* screen) {
        const int n = screen->format->BytesPerPixel;
        for (int y = 0; y < screen->h; ++y) {
            for (int x = 0; x < screen->w; ++x) {
                const Uint32 v = Uint32(x * 0x9E3779B1u ^ y * 0x85EBCA77u);
                std::memcpy(static_cast<Uint8*>(screen->pixels) + y * screen->pitch + x * n, &v, n);
            }
        }
    }

    std::unique_ptr<App> app;
    Image picture;
};

TEST_P(BlendEquality, RectanglesAndWeightsAsThePlainPass) {
    SDL_Surface* screen = app->screen.surface;
    Image plain;
    plain.surface = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
    ASSERT_NE(plain.surface, nullptr) << SDL_GetError();

    for (const Case& c : kCases) {
        for (const float alpha : kAlphas) {
            SCOPED_TRACE(std::string(c.name) + ", alpha " + std::to_string(alpha));
            Paint(screen);
            Paint(plain.surface);
            app->Blend(app->screen, picture, c.x0, c.y0, c.x1, c.y1, alpha);
            reference::Blend(plain.surface, plain.surface, picture.surface, c.x0, c.y0, c.x1, c.y1,
                             alpha);
            ASSERT_EQ(FirstDifference(screen, plain.surface), "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, BlendEquality, testing::Values(32, 16),
                         [](const testing::TestParamInfo<int>& info) {
                             return "Screen" + std::to_string(info.param);
                         });

} // namespace
