// Window: the frame in a window of its size; full screen and in a larger window, blown up by
// the largest whole factor that fits, centred on black; the keys and requests that switch.
#include "frame/Window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Events.h"
#include "TestPicture.h"
#include "TestPlatform.h"
#include "effect/WarpEffect.h"
#include "frame/App.h"

namespace {

// Every SDL_SetVideoMode and SDL_ShowCursor of this test program lands here first (linked
// with --wrap): the modes asked for are written down, a full-screen one can be refused, and
// the pointer's state is kept.
std::vector<std::string> modes;
bool refuseFullScreen = false;
int cursor = SDL_ENABLE;

} // namespace

extern "C" SDL_Surface* __real_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags);

extern "C" SDL_Surface* __wrap_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags) {
    char call[64];
    std::snprintf(call, sizeof call, "%dx%d%s", width, height,
                  flags & SDL_FULLSCREEN ? " full screen" : "");
    modes.push_back(call);
    if (refuseFullScreen && (flags & SDL_FULLSCREEN)) return nullptr;
    return __real_SDL_SetVideoMode(width, height, bpp, flags);
}

extern "C" int __real_SDL_ShowCursor(int toggle);

extern "C" int __wrap_SDL_ShowCursor(int toggle) {
    if (toggle != SDL_QUERY) cursor = toggle;
    return __real_SDL_ShowCursor(toggle);
}

namespace {

SDL_Event KeyWith(SDLKey sym, SDLMod mod) {
    SDL_Event e = Key(SDL_KEYDOWN, sym);
    e.key.keysym.mod = mod;
    return e;
}

SDL_Event Resize(int w, int h) {
    SDL_Event e{};
    e.resize = {SDL_VIDEORESIZE, w, h};
    return e;
}

// Draws a frame of its own each frame, every pixel of another value, and pushes that frame's
// events; writes down the keys it is given, to show that the switching keys reach it too.
class Painter : public EventHandler {
public:
    explicit Painter(std::vector<std::vector<SDL_Event>> frames) : frames(std::move(frames)) {}

    static Uint32 Value(int x, int y, int frame) {
        return Uint32(x * 7 + y * 1031 + frame * 65537) & 0xFFFFFF;
    }

    void Update() override {
        for (int y = 0; y < app->height; ++y)
            for (int x = 0; x < app->width; ++x)
                app->PutPixel(x, y, Color(0, 0, 0, Value(x, y, frame)));
        drawn = app->screen.surface;
        for (SDL_Event e : frame < frames.size() ? frames[frame] : std::vector<SDL_Event>{Quit()})
            SDL_PushEvent(&e);
        ++frame;
    }
    void OnKeyDown(SDLKey sym) override { keys.push_back(sym); }

    std::vector<SDLKey> keys;
    const SDL_Surface* drawn = nullptr; // the surface the last frame was drawn on
    std::size_t frame = 0;

private:
    std::vector<std::vector<SDL_Event>> frames;
};

// What the display shows after the last frame: `factor` 0 for the frame itself as the
// display, at its own size; otherwise the frame blown up on a display of the given size.
struct Shown {
    int width, height;
    int factor;
};

struct SwitchCase {
    const char* name;
    std::vector<std::vector<SDL_Event>> frames; // the events of each frame but the last
    std::vector<std::string> modes;             // asked for after the first
    Shown shown;
    bool full;           // the pointer hidden and FullScreen() true
    bool refuse = false; // no full-screen mode can be had
};

std::ostream& operator<<(std::ostream& out, const SwitchCase& c) {
    return out << c.name;
}

// The dummy driver's display is 1024 x 768, which holds the frame 3 times.
const std::string kFull = "1024x768 full screen";
const Shown kInFull = {1024, 768, 3};
const Shown kItself = {320, 240, 0};

const SwitchCase kSwitches[] = {
    {"F11GoesFullScreen", {{Key(SDL_KEYDOWN, SDLK_F11)}}, {kFull}, kInFull, true},
    {"AltEnterGoesFullScreen", {{KeyWith(SDLK_RETURN, KMOD_LALT)}}, {kFull}, kInFull, true},
    {"AltKeypadEnterToo", {{KeyWith(SDLK_KP_ENTER, KMOD_RALT)}}, {kFull}, kInFull, true},
    {"EnterAloneDoesNothing", {{Key(SDL_KEYDOWN, SDLK_RETURN)}}, {}, kItself, false},
    {"EscapeInTheWindowDoesNothing", {{Key(SDL_KEYDOWN, SDLK_ESCAPE)}}, {}, kItself, false},
    {"ReleasingF11DoesNothing", {{Key(SDL_KEYUP, SDLK_F11)}}, {}, kItself, false},
    {"EscapeLeavesFullScreen",
     {{Key(SDL_KEYDOWN, SDLK_F11)}, {Key(SDL_KEYDOWN, SDLK_ESCAPE)}},
     {kFull, "320x240"},
     kItself,
     false},
    {"F11AgainLeavesFullScreen",
     {{Key(SDL_KEYDOWN, SDLK_F11)}, {}, {Key(SDL_KEYDOWN, SDLK_F11)}},
     {kFull, "320x240"},
     kItself,
     false},
    // Two presses in one frame cancel: the switch is made once the frame is presented.
    {"TwoPressesInAFrame",
     {{Key(SDL_KEYDOWN, SDLK_F11), KeyWith(SDLK_RETURN, KMOD_LALT)}},
     {},
     kItself,
     false},
    // A window manager that sizes the window as it likes: the frame is blown up in it.
    {"LargerWindowIsFilled", {{Resize(800, 600)}}, {"800x600"}, {800, 600, 2}, false},
    {"OddSizedWindowIsCentred", {{Resize(1001, 731)}}, {"1001x731"}, {1001, 731, 3}, false},
    {"WindowOfTheFramesSizeAgain",
     {{Resize(800, 600)}, {Resize(320, 240)}},
     {"800x600", "320x240"},
     kItself,
     false},
    // Smaller than the frame, the window keeps the frame's size.
    {"SmallerWindowKeepsTheFrame", {{Resize(200, 100)}}, {}, kItself, false},
    // Full screen, the window's size is the display's; leaving, it is the frame's.
    {"ResizeWhileFullScreenIsIgnored",
     {{Key(SDL_KEYDOWN, SDLK_F11)}, {Resize(800, 600)}, {Key(SDL_KEYDOWN, SDLK_ESCAPE)}},
     {kFull, "320x240"},
     kItself,
     false},
    {"FromALargerWindowToFullScreenAndBack",
     {{Resize(800, 600)}, {Key(SDL_KEYDOWN, SDLK_F11)}, {Key(SDL_KEYDOWN, SDLK_F11)}},
     {"800x600", kFull, "320x240"},
     kItself,
     false},
    // Where full screen cannot be had, the window stays.
    {"NoFullScreenMode", {{Key(SDL_KEYDOWN, SDLK_F11)}}, {kFull, "320x240"}, kItself, false, true},
};

class WindowSwitch : public testing::TestWithParam<SwitchCase> {
protected:
    void TearDown() override { refuseFullScreen = false; }
};

TEST_P(WindowSwitch, ShowsTheFrameItselfOrBlownUpCentredOnBlack) {
    const SwitchCase& c = GetParam();
    App app(TestPlatform::Get(), "Prismwarp", 320, 240, 32, false);
    ASSERT_EQ(app.screen.surface, SDL_GetVideoSurface());
    modes.clear();
    refuseFullScreen = c.refuse;
    auto* painter = new Painter(c.frames);
    app.handler = painter;
    app.Run();

    EXPECT_EQ(modes, c.modes);
    EXPECT_EQ(cursor, c.full ? SDL_DISABLE : SDL_ENABLE);
    // The keys reach the handler as well.
    std::size_t pressed = 0;
    for (const auto& frame : c.frames)
        for (const SDL_Event& e : frame)
            pressed += e.type == SDL_KEYDOWN;
    EXPECT_EQ(painter->keys.size(), pressed);

    // The frame is drawn at its own size whatever the display; the last frame is presented.
    const SDL_Surface* display = SDL_GetVideoSurface();
    ASSERT_EQ(display->w, c.shown.width);
    ASSERT_EQ(display->h, c.shown.height);
    ASSERT_EQ(painter->drawn->w, 320);
    ASSERT_EQ(painter->drawn->h, 240);
    const int last = int(painter->frame) - 1;
    if (c.shown.factor == 0) {
        EXPECT_EQ(painter->drawn, display);
        return;
    }
    EXPECT_NE(painter->drawn, display);
    const int k = c.shown.factor;
    const int x0 = (display->w - 320 * k) / 2, y0 = (display->h - 240 * k) / 2;
    for (int y = 0; y < display->h; ++y) {
        const auto* row = reinterpret_cast<const Uint32*>(
            static_cast<const Uint8*>(display->pixels) + y * display->pitch);
        for (int x = 0; x < display->w; ++x) {
            const bool inside = x >= x0 && x < x0 + 320 * k && y >= y0 && y < y0 + 240 * k;
            const Uint32 want = inside ? Painter::Value((x - x0) / k, (y - y0) / k, last) : 0;
            ASSERT_EQ(row[x] & 0xFFFFFF, want) << "at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, WindowSwitch, testing::ValuesIn(kSwitches),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// The effect's frames full screen are those its plain passes draw in the window, blown up:
// scaling is presenting alone. Frame 12 comes after the factor's first reset, with the
// overlay on.
class Frames : public WarpEffect {
public:
    Frames(int count, SDLKey first) : count(count), first(first) {}

    void Update() override {
        if (drawn == 1) {
            SDL_Event press = Key(SDL_KEYDOWN, first);
            SDL_PushEvent(&press);
            OnKeyDown(SDLK_UP);
        }
        WarpEffect::Update();
        if (++drawn == count) {
            SDL_Event quit = Quit();
            SDL_PushEvent(&quit);
        }
    }

    const int count;
    const SDLKey first;
    int drawn = 0;
};

// The last frame's pixels, as the display shows them: the frame itself, or the block of each
// of its pixels at `k` times its size, centred.
std::vector<Uint32> ShownFrame(int k) {
    const SDL_Surface* display = SDL_GetVideoSurface();
    const int x0 = (display->w - 320 * k) / 2, y0 = (display->h - 240 * k) / 2;
    std::vector<Uint32> pixels;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            for (int i = 0; i < k * k; ++i) {
                const int dx = x0 + x * k + i % k, dy = y0 + y * k + i / k;
                const Uint32 v = reinterpret_cast<const Uint32*>(
                    static_cast<const Uint8*>(display->pixels) + dy * display->pitch)[dx];
                if (i == 0) pixels.push_back(v);
                if (v != pixels.back()) return {};
            }
    return pixels;
}

TEST(WindowFrames, FullScreenShowsThePlainFramesBlownUp) {
    TestPicture picture;
    TestPicture::Scope here(picture);
    std::vector<Uint32> shown[2];
    for (const bool full : {false, true}) {
        warpFactor = 1.0f;
        App app(TestPlatform::Get(), "Prismwarp", 320, 240, 32, false);
        auto* effect = new Frames(12, full ? SDLK_F11 : SDLK_LEFT);
        if (!full) effect->path = CpuPath::Plain;
        app.handler = effect;
        app.Run();
        shown[full] = ShownFrame(full ? 3 : 1);
        ASSERT_FALSE(shown[full].empty()) << "a pixel of the frame is not one block";
    }
    EXPECT_TRUE(shown[0] == shown[1]) << "the full-screen frame is not the window's";
}

} // namespace
