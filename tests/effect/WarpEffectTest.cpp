// WarpEffect: the warp pass and the blend overlay, drawn by a real App under the dummy
// driver from a generated lsd.bmp whose every pixel tells where it came from.
#include "effect/WarpEffect.h"
#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BmpWriter.h"
#include "ColorPrinter.h"
#include "Events.h"
#include "ScratchDir.h"
#include "SurfaceDifference.h"
#include "SurfaceLoan.h"
#include "effect/Factor.h"
#include "main/ErrorMsg.h"

namespace {

constexpr int kW = WarpEffect::kWidth;
constexpr int kH = WarpEffect::kHeight;
constexpr int kPixels = WarpEffect::kPixels;

// The picture's pixel (x, y) spells its own cache index x * 240 + y in red, green and the
// low bits of blue. Blue is never 0, so no picture pixel is black.
Rgb Picture(int x, int y) {
    const int i = x * kH + y;
    return {Uint8(i), Uint8(i >> 8), Uint8(0x40 | (i >> 16))};
}

// The cache entry the effect makes of the picture's pixel (x, y): a 24-bit BMP loads with red
// in the high byte, and a pixel of 3 bytes keeps its components and their value in that layout.
Color Cached(int x, int y) {
    const Rgb c = Picture(x, y);
    return Color(c.r, c.g, c.b, Uint32(c.r << 16 | c.g << 8 | c.b));
}

Uint32 RawPixel(const SDL_Surface* s, int x, int y) {
    const int n = s->format->BytesPerPixel;
    Uint32 v = 0;
    std::memcpy(&v, static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * n, size_t(n));
    return v;
}

// The pixel value SDL_MapRGB gives, cut to the bytes a pixel of the surface holds.
Uint32 Mapped(const SDL_Surface* s, Uint8 r, Uint8 g, Uint8 b) {
    const Uint32 v = SDL_MapRGB(s->format, r, g, b);
    return s->format->BytesPerPixel == 4 ? v : v & ((1u << (8 * s->format->BytesPerPixel)) - 1);
}

// Compares every screen pixel with the expected value and reports the first difference.
template <typename Expected> void ExpectScreen(const SDL_Surface* s, Expected expected) {
    int wrong = 0;
    for (int x = 0; x < kW; ++x) {
        for (int y = 0; y < kH; ++y) {
            const Uint32 want = expected(x, y);
            const Uint32 got = RawPixel(s, x, y);
            if (got != want && wrong++ == 0)
                ADD_FAILURE() << "at " << x << "," << y << ": got " << Decoded(s->format, got)
                              << ", want " << Decoded(s->format, want);
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels differ";
}

// A screen of `bits` of the test's own, whatever the video driver gives (under Wine, SDL
// 1.2's dummy driver gives one the fast passes do not draw on): 32 as the desktop's, 16 as
// RGB565, 8 palettized.
SDL_Surface* OwnScreen(int bits, int w = kW, int h = kH) {
    switch (bits) {
    case 32: return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    case 16: return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, 0xF800, 0x07E0, 0x001F, 0);
    default: return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
    }
}

class WarpTest : public ::testing::Test {
protected:
    void SetUp() override {
        warpFactor = 1.0f;
        WriteBmp24(dir.File("lsd.bmp"), kW, kH, Picture);
        dir.Enter();
        effect = std::make_unique<WarpEffect>();
        effect->app = &app;
        // The plain pass, checked here on worked values; the fast passes are held against
        // it frame by frame in FrameEqualityTest.
        effect->path = CpuPath::Plain;
    }

    SDL_Surface* Screen() const { return app.screen.surface; }

    // Lends the App a screen of `bits` of the test's own (OwnScreen) for the rest of the test.
    void LendScreen(int bits, int w = kW, int h = kH) {
        ownScreen.surface = OwnScreen(bits, w, h);
        ASSERT_NE(ownScreen.surface, nullptr) << SDL_GetError();
        loan.emplace(app.screen, ownScreen.surface);
        ASSERT_EQ(Screen()->format->BitsPerPixel, bits);
    }

    ScratchDir dir;
    App app{TestPlatform::Get(), "Prismwarp", 320, 240, 0, false};
    Image ownScreen;
    std::optional<SurfaceLoan> loan; // ends before the screen and the App it was lent to
    std::unique_ptr<WarpEffect> effect;
};

// --- The warp pass ---------------------------------------------------------------------

// The factor's course from a start to its next reset, stepped pixel by pixel: how many steps
// it takes, and the last factor before it.
TEST(FactorCourse, EndsOnTheStepPastTen) {
    const struct {
        const char* name;
        float start;
        long steps;
        float last;
    } courses[] = {
        // From the program's start the first reset comes after pixel 908,766, in the twelfth
        // frame.
        {"from the start", 1.0f, 908766, 9.99999142f},
        // From 0 a cycle lasts 1,008,667 steps.
        {"the cycle", 0.0f, 1008667, 9.99999046f},
    };
    for (const auto& c : courses) {
        SCOPED_TRACE(c.name);
        float f = c.start;
        float last = f;
        long steps = 0;
        do {
            last = f;
            f = Factor::Advance(f);
            ++steps;
        } while (f != 0.0f && steps < 2000000);
        EXPECT_EQ(steps, c.steps);
        EXPECT_EQ(last, c.last);
    }
}

// The cycle's last factor plus the step is exactly 10.000000463..., which rounds to 10.0f:
// the reset must come from the exact sum, not from the sum rounded to a float.
TEST(FactorReset, ComesFromTheExactSum) {
    const float last = 9.99999046f;
    ASSERT_EQ(last + Factor::kStep, 10.0f) << "the sum no longer rounds to 10: pick another";
    EXPECT_EQ(Factor::Advance(last), 0.0f);
}

// Worked values of frames: after `frames` frames from the factor `start`, screen position
// (x, y) shows the picture's pixel (fromX, fromY), which its cache entry x * 240 + y holds,
// drawn in `drawn`: that colour times the factor the position was drawn with, each channel
// truncated to its low 8 bits. In a frame the entry read is s = 240 * y + x + 241, already
// rewritten in this frame when x - y >= 2. Every pixel steps the factor once, and the run
// ends on `after`.
struct PixelShown {
    int x, y;
    int fromX, fromY;
    Rgb drawn;
};

struct FramesCase {
    const char* name;
    float start;
    int frames;
    float after;
    std::vector<PixelShown> pixels;
};

std::ostream& operator<<(std::ostream& out, const FramesCase& c) {
    return out << c.name;
}

const FramesCase kFramesCases[] = {
    // A frame from 1.0 ends 76,800 steps on, as a sum of float steps.
    {"FirstFrame",
     1.0f,
     1,
     1.76904296875f,
     {
         // d = 0, s = 241; the factor is 1.
         {0, 0, 1, 1, {241, 0, 64}},
         // d = 240, s = 242; (242, 0, 64) times 1.00240326 is 242.58, 0, 64.15.
         {1, 0, 1, 2, {242, 0, 64}},
         // d = 1, s = 481; (225, 1, 64) times 1.00001001 is 225.002, 1.00001, 64.0006.
         {0, 1, 2, 1, {225, 1, 64}},
         // d = 1,200, s = 246, which was rewritten at d = 246 with entry 1,682, pixel (7, 2):
         // (146, 6, 64) times 1.01201630 is 147.75, 6.07, 64.77.
         {5, 0, 7, 2, {147, 6, 64}},
         // d = 76,799, s = 57,920, rewritten in turn from 19,682, from 803, from 20,164:
         // (196, 78, 64) times 1.76903296 is 346.73, 137.98, 113.22, and 346 keeps its low 8
         // bits, 90.
         {319, 239, 84, 4, {90, 137, 113}},
     }},
    // The first reset, after pixel 908,766: position (266, 125) is drawn with the last factor
    // before it, 9.99999142, (195, 141, 64) giving 1949.998, 1409.999, 639.9995, whose low 8
    // bits are 157, 129, 127; position (266, 126) with 0, black although its colour is not.
    // The twelve frames end 12 * 76,800 - 908,766 = 12,834 steps after the reset.
    {"TwelveFrames",
     1.0f,
     12,
     0.128327757f,
     {
         {266, 125, 151, 51, {157, 129, 127}},
         {266, 126, 152, 51, {0, 0, 0}},
     }},
    // From the cycle's last factor: (0, 0) is drawn with it, (0, 1) with 0, (0, 2) one step
    // on. (241, 0, 64) times 9.99999046 is 2409.998, 0, 639.9994, whose low 8 bits are 105, 0,
    // 127; (225, 1, 64) and (209, 2, 64) times 0.00001 are below 0.003. The frame ends 76,799
    // steps from 0.
    {"FrameFromTheCycleEnd",
     9.99999046f,
     1,
     0.768665075f,
     {
         {0, 0, 1, 1, {105, 0, 127}},
         {0, 1, 2, 1, {0, 0, 0}},
         {0, 2, 3, 1, {0, 0, 0}},
     }},
};

class WarpFrames : public WarpTest, public ::testing::WithParamInterface<FramesCase> {};

TEST_P(WarpFrames, ShowTheCachedColoursTimesTheSteppedFactor) {
    const FramesCase& c = GetParam();
    warpFactor = c.start;
    for (int frame = 0; frame < c.frames; ++frame)
        effect->Update();
    EXPECT_EQ(warpFactor, c.after);
    for (const PixelShown& p : c.pixels) {
        SCOPED_TRACE("position " + std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_EQ(effect->Cache()[p.x * kH + p.y], Cached(p.fromX, p.fromY));
        EXPECT_EQ(Decoded(Screen()->format, RawPixel(Screen(), p.x, p.y)),
                  Decoded(Screen()->format, Mapped(Screen(), p.drawn.r, p.drawn.g, p.drawn.b)));
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, WarpFrames, ::testing::ValuesIn(kFramesCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct ScaleCase {
    const char* name;
    Rgb cached;
    float factor;
    Rgb drawn;
};

std::ostream& operator<<(std::ostream& out, const ScaleCase& c) {
    return out << c.name;
}

const ScaleCase kScales[] = {
    {"FactorOneDrawsTheColour", {17, 34, 51}, 1.0f, {17, 34, 51}},
    {"Wraps255TimesOneAndAHalf", {255, 255, 255}, 1.5f, {126, 126, 126}}, // 382.5
    {"Wraps200TimesFive", {200, 100, 3}, 5.0f, {232, 244, 15}},           // 1000, 500
    {"TruncatesThenWraps", {255, 128, 1}, 2.5f, {125, 64, 2}},            // 637.5, 320, 2.5
    {"FactorZeroDrawsBlack", {200, 100, 3}, 0.0f, {0, 0, 0}},
};

class WarpScale : public WarpTest, public ::testing::WithParamInterface<ScaleCase> {};

// Position (0, 0) is drawn first, from entry 241, with the factor as it stands.
TEST_P(WarpScale, DrawsLowBitsOfTheProductAndCachesTheCopy) {
    const ScaleCase& c = GetParam();
    const Color copied(c.cached.r, c.cached.g, c.cached.b, 0x12345678);
    effect->EditCache()[241] = copied;
    warpFactor = c.factor;
    effect->Update();
    EXPECT_EQ(effect->Cache()[0], copied);
    EXPECT_EQ(Decoded(Screen()->format, RawPixel(Screen(), 0, 0)),
              Decoded(Screen()->format, Mapped(Screen(), c.drawn.r, c.drawn.g, c.drawn.b)));
}

INSTANTIATE_TEST_SUITE_P(Channels, WarpScale, ::testing::ValuesIn(kScales),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WarpEffectPicture, MissingPictureIsAnError) {
    ScratchDir dir;
    dir.Enter();
    try {
        WarpEffect effect;
        ADD_FAILURE() << "built without lsd.bmp";
    } catch (const ErrorMsg& error) {
        EXPECT_EQ(error.message, "Unable to Load Image make sure its in the directory!\n"
                                 "There is no lsd.bmp in " +
                                     dir.Path() + ".\n");
    }
}

// Positions the picture does not have are cached as black.
TEST(WarpEffectPicture, SmallerPictureLeavesTheRestBlack) {
    ScratchDir dir;
    WriteBmp24(dir.File("lsd.bmp"), 100, 50, Picture);
    dir.Enter();
    auto effect = std::make_unique<WarpEffect>();
    EXPECT_EQ(effect->Cache()[99 * kH + 49], Cached(99, 49));
    for (int i : {100 * kH, 50, 99 * kH + 50, kPixels - 1})
        EXPECT_EQ(effect->Cache()[i], Color(0, 0, 0, 0)) << "entry " << i;
}

// --- The blend overlay -----------------------------------------------------------------

struct Rect {
    int x0, y0, x1, y1;
};

struct BlendCase {
    const char* name;
    Rgb a, b;
    float alpha;
    Rect rect;
    Rgb drawn;
};

std::ostream& operator<<(std::ostream& out, const BlendCase& c) {
    return out << c.name;
}

const Rect kSome = {1, 1, 4, 3};

const BlendCase kBlends[] = {
    {"AlphaOneKeepsA", {10, 200, 255}, {50, 60, 70}, 1.0f, kSome, {10, 200, 255}},
    {"AlphaZeroGivesB", {10, 200, 255}, {50, 60, 70}, 0.0f, kSome, {50, 60, 70}},
    // 400 - 100 = 300 is held at 255; 20 - 100 = -80 is not held and shows as 176.
    {"AlphaTwoClampsOnlyAbove255", {200, 10, 100}, {100, 100, 100}, 2.0f, kSome, {255, 176, 100}},
    // 256.5 - 1 = 255.5 is held at 255.
    {"HalfAbove255IsHeld", {171, 170, 0}, {2, 0, 0}, 1.5f, kSome, {255, 255, 0}},
    // 255 * 0.9f + 254 * (1 - 0.9f) = 254.9 and 100 * 0.9f = 89.99999... are truncated.
    {"FractionIsTruncated", {255, 0, 100}, {254, 0, 0}, 0.9f, kSome, {254, 0, 89}},
    // 1 - 0.1f rounds down to 0.9f, so 200 * 0.1f + 200 * 0.9f falls just short of 200.
    {"WeightIsRoundedToFloat", {200, 200, 200}, {200, 200, 200}, 0.1f, kSome, {199, 199, 199}},
    {"EmptyWhenX0IsX1", {10, 200, 255}, {50, 60, 70}, 0.5f, {3, 1, 3, 3}, {}},
    {"EmptyWhenX0AboveX1", {10, 200, 255}, {50, 60, 70}, 0.5f, {4, 1, 3, 3}, {}},
    {"EmptyWhenY0IsY1", {10, 200, 255}, {50, 60, 70}, 0.5f, {1, 2, 4, 2}, {}},
    {"EmptyWhenY0AboveY1", {10, 200, 255}, {50, 60, 70}, 0.5f, {1, 3, 4, 2}, {}},
};

class BlendTest : public ::testing::TestWithParam<BlendCase> {
protected:
    // A small picture of one colour whose raw bytes are red, green, blue from the lowest,
    // so that the raw-byte channels GetPixel reads are the components.
    static void Fill(Image& image, Rgb c) {
        image.surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 6, 32, 0xFF, 0xFF00, 0xFF0000, 0);
        ASSERT_NE(image.surface, nullptr) << SDL_GetError();
        SDL_FillRect(image.surface, nullptr, Uint32(c.r | c.g << 8 | c.b << 16));
    }

    // A 32-bit screen of the test's own, whatever depth the video driver gives.
    void SetUp() override {
        screen.surface = OwnScreen(32);
        ASSERT_NE(screen.surface, nullptr) << SDL_GetError();
        loan = std::make_unique<SurfaceLoan>(app.screen, screen.surface);
    }

    App app{TestPlatform::Get(), "Prismwarp", 320, 240, 0, false};
    Image screen;
    std::unique_ptr<SurfaceLoan> loan;
};

TEST_P(BlendTest, DrawsTheMixInsideTheRectangleOnly) {
    const BlendCase& c = GetParam();
    Image a, b;
    Fill(a, c.a);
    Fill(b, c.b);
    const Uint32 untouched = 0x00123456;
    SDL_FillRect(app.screen.surface, nullptr, untouched);

    app.Blend(a, b, c.rect.x0, c.rect.y0, c.rect.x1, c.rect.y1, c.alpha);

    const SDL_Surface* s = app.screen.surface;
    const Uint32 drawn = Mapped(s, c.drawn.r, c.drawn.g, c.drawn.b);
    ExpectScreen(s, [&](int x, int y) {
        const bool inside = x >= c.rect.x0 && x < c.rect.x1 && y >= c.rect.y0 && y < c.rect.y1;
        return inside ? drawn : untouched;
    });
}

INSTANTIATE_TEST_SUITE_P(Cases, BlendTest, ::testing::ValuesIn(kBlends),
                         [](const auto& info) { return std::string(info.param.name); });

// A warp effect that pushes the given events after its frame, so that the App's own loop
// delivers them.
class ScriptedWarp : public WarpEffect {
public:
    explicit ScriptedWarp(std::vector<SDL_Event> events) : events(std::move(events)) {}
    void Update() override {
        WarpEffect::Update();
        for (SDL_Event e : events)
            SDL_PushEvent(&e);
    }

private:
    std::vector<SDL_Event> events;
};

struct KeyCase {
    const char* name;
    std::vector<SDL_Event> events;
    int blendEnabled;
};

std::ostream& operator<<(std::ostream& out, const KeyCase& c) {
    return out << c.name;
}

const KeyCase kKeys[] = {
    {"NothingLeavesItOff", {}, 0},
    {"UpTurnsItOn", {Key(SDL_KEYDOWN, SDLK_UP)}, 1},
    {"UpUpDownLeavesItOff",
     {Key(SDL_KEYDOWN, SDLK_UP), Key(SDL_KEYDOWN, SDLK_UP), Key(SDL_KEYDOWN, SDLK_DOWN)},
     0},
    {"ReleasingDownKeepsItOn", {Key(SDL_KEYDOWN, SDLK_UP), Key(SDL_KEYUP, SDLK_DOWN)}, 1},
    {"ReleasingUpKeepsItOff", {Key(SDL_KEYDOWN, SDLK_DOWN), Key(SDL_KEYUP, SDLK_UP)}, 0},
    {"OtherKeysKeepItOn",
     {Key(SDL_KEYDOWN, SDLK_UP), Key(SDL_KEYDOWN, SDLK_LEFT), Key(SDL_KEYDOWN, SDLK_RIGHT),
      Key(SDL_KEYDOWN, SDLK_a), Key(SDL_KEYDOWN, SDLK_ESCAPE)},
     1},
};

class OverlayKeys : public WarpTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(OverlayKeys, UpSwitchesOnAndDownOff) {
    std::vector<SDL_Event> events = GetParam().events;
    events.push_back(Quit());
    auto* scripted = new ScriptedWarp(events);
    app.handler = scripted;
    app.Run();
    EXPECT_EQ(scripted->blendEnabled, GetParam().blendEnabled);
}

INSTANTIATE_TEST_SUITE_P(Keys, OverlayKeys, ::testing::ValuesIn(kKeys),
                         [](const auto& info) { return std::string(info.param.name); });

// Frames on a screen of the test's own of 32 and of 16 bits, which the fast passes draw on.
class OwnScreenFrame : public WarpTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        WarpTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(LendScreen(GetParam()));
    }
};

// With the overlay on, the frame the program draws (an effect on its own path, the fast
// passes on these screens) is the plain warp frame mixed with the picture as App::Blend mixes
// them (its own worked values are BlendTest's), weighing the frame by the factor it ends on.
TEST_P(OwnScreenFrame, WithTheOverlayIsThePlainFrameBlendedWithThePicture) {
    SDL_Surface* s = Screen();

    effect->Update();
    const float alpha = warpFactor;
    Image blended;
    blended.surface = SDL_ConvertSurface(s, s->format, SDL_SWSURFACE);
    ASSERT_NE(blended.surface, nullptr) << SDL_GetError();
    {
        const SurfaceLoan onBlended(app.screen, blended.surface);
        app.Blend(app.screen, effect->image, 0, 0, kW, kH, alpha);
    }

    warpFactor = 1.0f;
    auto overlaid = std::make_unique<WarpEffect>();
    overlaid->app = &app;
    overlaid->OnKeyDown(SDLK_UP);
    overlaid->Update();
    EXPECT_EQ(warpFactor, alpha);
    EXPECT_EQ(FirstDifference(s, blended.surface), "");
}

INSTANTIATE_TEST_SUITE_P(Screens, OwnScreenFrame, ::testing::Values(32, 16),
                         [](const auto& info) { return "Bits" + std::to_string(info.param); });

// --- What a frame draws over -------------------------------------------------------------

// In a web page the frame leaves the screen uncleared where the handler says it draws over
// it: that must hold only while the fast passes are chosen, and only within their area.
// What the effect says it draws over, its frame overwrites: drawn over a screen full of
// something else, with the overlay off and on, the frame is there the one drawn over a
// cleared screen. The cases whose area reaches past the effect's have a screen a column and
// a row larger, whose pixels beyond the effect a frame leaves as they were.
struct DrawsOverCase {
    const char* name;
    int bits;
    CpuPath path;
    float factor;
    SDL_Rect area;
    bool drawsOver;
    int screenW = kW, screenH = kH;
};

std::ostream& operator<<(std::ostream& out, const DrawsOverCase& c) {
    return out << c.name;
}

const DrawsOverCase kDrawsOver[] = {
    {"FastWholeArea", 32, CpuPath::Baseline, 1.0f, {0, 0, kW, kH}, true},
    {"FastPartOfIt", 32, CpuPath::Baseline, 9.5f, {10, 20, 30, 40}, true},
    {"Fast16Bits", 16, CpuPath::Baseline, 1.0f, {0, 0, kW, kH}, true},
    {"FastOneColumnBeyond", 32, CpuPath::Baseline, 1.0f, {0, 0, kW + 1, kH}, false, kW + 1, kH + 1},
    {"FastOneRowBeyond", 32, CpuPath::Baseline, 1.0f, {0, 1, kW, kH}, false, kW + 1, kH + 1},
    {"FastLeftOfIt", 32, CpuPath::Baseline, 1.0f, {-1, 0, 10, 10}, false},
    {"PlainPasses", 32, CpuPath::Plain, 1.0f, {0, 0, kW, kH}, false},
    {"LargestFactorTheFastPassesCover", 32, CpuPath::Baseline, 16777215.0f, {0, 0, kW, kH}, true},
    {"FactorTheFastPassesDoNotCover", 32, CpuPath::Baseline, 16777216.0f, {0, 0, kW, kH}, false},
    {"ScreenTheFastPassesDoNotFit", 8, CpuPath::Baseline, 1.0f, {0, 0, kW, kH}, false},
};

class DrawsOver : public WarpTest, public ::testing::WithParamInterface<DrawsOverCase> {};

TEST_P(DrawsOver, OnlyTheFastPassesAreaWhileTheyAreChosen) {
    const DrawsOverCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(LendScreen(c.bits, c.screenW, c.screenH));
    SDL_Surface* s = Screen();
    bool says = false;
    // The screen after a first frame drawn over one filled with the pixel value `fill`, column
    // by column. The App clears a screen to 0.
    const auto frame = [&](Uint32 fill, bool overlay) {
        SDL_FillRect(s, nullptr, fill);
        warpFactor = c.factor;
        WarpEffect drawn;
        drawn.app = &app;
        drawn.path = c.path;
        if (overlay) drawn.OnKeyDown(SDLK_UP);
        says = drawn.DrawsOver(c.area);
        EXPECT_EQ(says, c.drawsOver);
        drawn.Update();
        std::vector<Uint32> pixels;
        for (int x = 0; x < s->w; ++x)
            for (int y = 0; y < s->h; ++y)
                pixels.push_back(RawPixel(s, x, y));
        return pixels;
    };
    // The first pixel of the area on the screen where the two frames differ; "" for none.
    const auto difference = [&](const std::vector<Uint32>& filled,
                                const std::vector<Uint32>& cleared) -> std::string {
        for (int x = std::max(0, int(c.area.x)); x < std::min(s->w, c.area.x + c.area.w); ++x) {
            for (int y = std::max(0, int(c.area.y)); y < std::min(s->h, c.area.y + c.area.h); ++y) {
                const size_t i = size_t(x * s->h + y);
                if (filled[i] != cleared[i])
                    return "at " + std::to_string(x) + "," + std::to_string(y) +
                           ": over the filled screen " + std::to_string(filled[i]) +
                           ", over the cleared one " + std::to_string(cleared[i]);
            }
        }
        return "";
    };
    for (const bool overlay : {false, true}) {
        SCOPED_TRACE(overlay ? "overlay on" : "overlay off");
        const std::vector<Uint32> overFilled =
            frame(SDL_MapRGB(s->format, 0xA5, 0xFF, 0x3C), overlay);
        const std::vector<Uint32> overCleared = frame(0, overlay);
        if (says) {
            EXPECT_EQ(difference(overFilled, overCleared), "");
        } else if (c.screenW > kW || c.screenH > kH) {
            EXPECT_NE(difference(overFilled, overCleared), "")
                << "the frame drew past the effect's area";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DrawsOver, ::testing::ValuesIn(kDrawsOver),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
