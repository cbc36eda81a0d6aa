// App: opening the window, reading and writing single pixels, and the frame loop.
#include "frame/App.h"
#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ColorPrinter.h"
#include "Events.h"
#include "SurfaceLoan.h"
#include "main/ErrorMsg.h"

namespace {

// Every SDL_UpdateRect, SDL_SetVideoMode, SDL_LockSurface, SDL_UnlockSurface,
// SDL_WaitEvent and SDL_GetVideoInfo of this test program lands here first (linked with
// --wrap), so the tests see which frames were presented and in what order, when the loop
// waited, what mode the window was asked for, and how often a surface was locked; so that
// a video mode or a lock can be refused; and so that the display can seem of another depth.
std::vector<std::string>* presentLog = nullptr;
std::vector<std::string> videoModes;
bool refuseVideoMode = false;
int locks = 0;
int unlocks = 0;
bool refuseLock = false;
// The events that come while the loop waits, one list for each wait.
std::vector<std::vector<SDL_Event>> waits;
size_t waited = 0;
// The depth the display is said to have; -1 for the one SDL reports.
int displayDepth = -1;

} // namespace

extern "C" const SDL_VideoInfo* __real_SDL_GetVideoInfo();

extern "C" const SDL_VideoInfo* __wrap_SDL_GetVideoInfo() {
    const SDL_VideoInfo* real = __real_SDL_GetVideoInfo();
    if (displayDepth < 0 || !real || !real->vfmt) return real;
    static SDL_VideoInfo info;
    static SDL_PixelFormat format;
    info = *real;
    format = *real->vfmt;
    format.BitsPerPixel = Uint8(displayDepth);
    info.vfmt = &format;
    return &info;
}

extern "C" int __real_SDL_WaitEvent(SDL_Event* event);

// Nothing else would ever come under the dummy driver: a wait with no events planned for it
// gets a quit, so that the loop ends and the log shows the surplus wait.
extern "C" int __wrap_SDL_WaitEvent(SDL_Event* event) {
    std::vector<SDL_Event> coming = {Quit()};
    if (waited < waits.size()) coming = waits[waited];
    if (presentLog) presentLog->push_back(waited < waits.size() ? "wait" : "unplanned wait");
    ++waited;
    for (SDL_Event e : coming)
        SDL_PushEvent(&e);
    return __real_SDL_WaitEvent(event);
}

extern "C" SDL_Surface* __real_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags);

extern "C" SDL_Surface* __wrap_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags) {
    char call[64];
    std::snprintf(call, sizeof call, "%dx%d bpp %d flags 0x%08x", width, height, bpp, flags);
    videoModes.push_back(call);
    return refuseVideoMode ? nullptr : __real_SDL_SetVideoMode(width, height, bpp, flags);
}

extern "C" void __real_SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h);

extern "C" void __wrap_SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h) {
    if (presentLog)
        presentLog->push_back("present " + std::to_string(x) + "," + std::to_string(y) + " " +
                              std::to_string(w) + "x" + std::to_string(h));
    __real_SDL_UpdateRect(screen, x, y, w, h);
}

extern "C" int __real_SDL_LockSurface(SDL_Surface* surface);

extern "C" int __wrap_SDL_LockSurface(SDL_Surface* surface) {
    if (refuseLock) return -1;
    ++locks;
    return __real_SDL_LockSurface(surface);
}

extern "C" void __real_SDL_UnlockSurface(SDL_Surface* surface);

extern "C" void __wrap_SDL_UnlockSurface(SDL_Surface* surface) {
    ++unlocks;
    __real_SDL_UnlockSurface(surface);
}

namespace {

class AppTest : public ::testing::Test {
protected:
    App app{TestPlatform::Get(), "Prismwarp", 320, 240, 0, false};
};

// --- Opening the window ------------------------------------------------------------------

struct InitCase {
    const char* name;
    bool fullscreen;
    bool refused; // SDL_SetVideoMode returns null
    const char* mode;
    int displayDepth = -1; // the depth SDL reports for the display; -1: as it is
};

std::ostream& operator<<(std::ostream& out, const InitCase& c) {
    return out << c.name;
}

const InitCase kInits[] = {
    {"Windowed", false, false, "320x240 bpp 0 flags 0x00000000"},
    {"Fullscreen", true, false, "320x240 bpp 0 flags 0x80000000"},
    {"NoVideoMode", false, true, "320x240 bpp 0 flags 0x00000000"},
    // The display's depth is asked for where SDL names it: 16 bits stay 16, 24 give 32.
    {"Display16Bit", false, false, "320x240 bpp 0 flags 0x00000000", 16},
    {"Display32Bit", false, false, "320x240 bpp 0 flags 0x00000000", 32},
    // A depth SDL has no format for (30 bits: deep colour) gets 32 bits, not 16.
    {"DisplayOfAnUnnamedDepth", false, false, "320x240 bpp 32 flags 0x00000000", 0},
};

class AppInit : public ::testing::TestWithParam<InitCase> {};

TEST_P(AppInit, AsksForTheModeAndCaptionsTheWindow) {
    const InitCase& c = GetParam();
    videoModes.clear();
    refuseVideoMode = c.refused;
    displayDepth = c.displayDepth;
    try {
        App app(TestPlatform::Get(), "Prismwarp", 320, 240, 0, c.fullscreen);
        EXPECT_FALSE(c.refused) << "no error without a video mode";
        EXPECT_EQ(app.width, 320);
        EXPECT_EQ(app.height, 240);
        char* title = nullptr;
        char* icon = nullptr;
        SDL_WM_GetCaption(&title, &icon);
        EXPECT_STREQ(title, "Prismwarp");
        EXPECT_STREQ(icon, "Prismwarp");
    } catch (const ErrorMsg& error) {
        EXPECT_TRUE(c.refused) << error.message;
        EXPECT_EQ(error.message, "Couldnt Set Display Mode!\n");
    }
    refuseVideoMode = false;
    displayDepth = -1;
    EXPECT_EQ(videoModes, std::vector<std::string>{c.mode});
}

INSTANTIATE_TEST_SUITE_P(Modes, AppInit, ::testing::ValuesIn(kInits),
                         [](const auto& info) { return std::string(info.param.name); });

// The App owns the handler it is given: the handler goes with it.
TEST(AppHandler, GoesWithTheApp) {
    class Watched : public EventHandler {
    public:
        explicit Watched(bool& gone) : gone(gone) {}
        ~Watched() override { gone = true; }

    private:
        bool& gone;
    };
    bool gone = false;
    {
        App app(TestPlatform::Get(), "Prismwarp", 320, 240, 0, false);
        app.handler = new Watched(gone);
        EXPECT_FALSE(gone);
    }
    EXPECT_TRUE(gone);
}

#ifndef _WIN32
// --- Presenting -------------------------------------------------------------------------

// Before SDL starts, the Platform asks for SDL's software renderer and the window's own
// image, each only where the user has not set it; an empty value is the user's too (SDL's
// own default). Windows, with SDL 1.2 itself, is left as it is.
struct PresentingCase {
    const char* name;
    const char* driver;       // SDL_RENDER_DRIVER before, null for unset
    const char* acceleration; // SDL_FRAMEBUFFER_ACCELERATION before
    const char* driverAfter;
    const char* accelerationAfter;
};

std::ostream& operator<<(std::ostream& out, const PresentingCase& c) {
    return out << c.name;
}

const PresentingCase kPresentings[] = {
    {"Unset", nullptr, nullptr, "software", "0"},
    {"UserChoseOpenGL", "opengl", nullptr, "opengl", "0"},
    {"UserChoseAcceleration", nullptr, "1", "software", "1"},
    {"UserChoseSdlDefault", "", "", "", ""},
};

class PlatformPresenting : public ::testing::TestWithParam<PresentingCase> {};

TEST_P(PlatformPresenting, ChoosesSoftwareOnlyWhereTheUserHasNot) {
    const PresentingCase& c = GetParam();
    const auto set = [](const char* name, const char* value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    };
    set("SDL_RENDER_DRIVER", c.driver);
    set("SDL_FRAMEBUFFER_ACCELERATION", c.acceleration);
    {
        const Platform platform([](std::exception_ptr) {});
        const char* driver = std::getenv("SDL_RENDER_DRIVER");
        const char* acceleration = std::getenv("SDL_FRAMEBUFFER_ACCELERATION");
        EXPECT_STREQ(driver, c.driverAfter);
        EXPECT_STREQ(acceleration, c.accelerationAfter);
    }
    unsetenv("SDL_RENDER_DRIVER");
    unsetenv("SDL_FRAMEBUFFER_ACCELERATION");
}

INSTANTIATE_TEST_SUITE_P(Settings, PlatformPresenting, ::testing::ValuesIn(kPresentings),
                         [](const auto& info) { return std::string(info.param.name); });
#endif

// --- Pixel access -----------------------------------------------------------------------

struct SurfaceCase {
    const char* name;
    int depth;
    Uint32 rmask, gmask, bmask, amask;
    Color read;       // what GetPixel gives back after PutPixel stored kStored
    Uint32 flags = 0; // SDL_HWSURFACE: a surface that must be locked for writing
};

// Every byte differs, so each one shows where it went.
constexpr Uint32 kStored = 0xA5C3E1F7;

std::ostream& operator<<(std::ostream& out, const SurfaceCase& c) {
    return out << c.name;
}

// For 1, 2 and 4 bytes a pixel the channels are the low three bytes of the raw value,
// whatever the masks say; for 3 they are the bytes the shifts point at, mapped again.
const SurfaceCase kSurfaces[] = {
    {"Palette8", 8, 0, 0, 0, 0, {0xF7, 0, 0, 0xF7}},
    {"Rgb332", 8, 0xE0, 0x1C, 0x03, 0, {0xF7, 0, 0, 0xF7}},
    {"Rgb565", 16, 0xF800, 0x07E0, 0x001F, 0, {0xF7, 0xE1, 0, 0xE1F7}},
    {"Bgr565", 16, 0x001F, 0x07E0, 0xF800, 0, {0xF7, 0xE1, 0, 0xE1F7}},
    {"Rgb555", 15, 0x7C00, 0x03E0, 0x001F, 0, {0xF7, 0xE1, 0, 0xE1F7}},
    // Red at p + 2: the byte written third.
    {"Rgb888", 24, 0xFF0000, 0x00FF00, 0x0000FF, 0, {0xC3, 0xE1, 0xF7, 0xC3E1F7}},
    // Red at p: the byte written first.
    {"Bgr888", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, {0xF7, 0xE1, 0xC3, 0xC3E1F7}},
    // Red in bits 16-23 reads back in b, blue in r; mapped is the raw value.
    {"Xrgb8888", 32, 0xFF0000, 0x00FF00, 0x0000FF, 0, {0xF7, 0xE1, 0xC3, kStored}},
    {"Abgr8888", 32, 0x0000FF, 0x00FF00, 0xFF0000, 0xFF000000, {0xF7, 0xE1, 0xC3, kStored}},
    {"Rgba8888", 32, 0xFF000000, 0xFF0000, 0xFF00, 0xFF, {0xF7, 0xE1, 0xC3, kStored}},
    // Written between a lock and an unlock, one pair for each pixel.
    {"MustLockXrgb8888", 32, 0xFF0000, 0xFF00, 0xFF, 0, {0xF7, 0xE1, 0xC3, kStored}, SDL_HWSURFACE},
};

constexpr int kW = 5;
constexpr int kH = 4;
constexpr Uint8 kUntouched = 0x5A;

class PixelAccess : public AppTest, public ::testing::WithParamInterface<SurfaceCase> {
protected:
    void SetUp() override {
        const SurfaceCase& c = GetParam();
        image.surface = SDL_CreateRGBSurface(SDL_SWSURFACE, kW, kH, c.depth, c.rmask, c.gmask,
                                             c.bmask, c.amask);
        ASSERT_NE(image.surface, nullptr) << SDL_GetError();
        // The SDL 1.2 compatibility layer keeps every surface in system memory and leaves
        // SDL_HWSURFACE out of its flags, so the flag is set here; SDL_MUSTLOCK reads only
        // the flags and the offset.
        image.surface->flags |= c.flags;
        ASSERT_EQ(bool(SDL_MUSTLOCK(image.surface)), c.flags != 0);
        locks = unlocks = 0;
        // Includes the row padding, which must stay untouched as well.
        std::memset(image.surface->pixels, kUntouched, Bytes());
    }

    void TearDown() override { refuseLock = false; }

    bool MustLock() const { return GetParam().flags != 0; }

    size_t Bytes() const { return size_t(image.surface->pitch) * kH; }

    std::vector<Uint8> Pixels() const {
        const Uint8* p = static_cast<const Uint8*>(image.surface->pixels);
        return std::vector<Uint8>(p, p + Bytes());
    }

    Image image;
};

TEST_P(PixelAccess, PutStoresLowBytesInOrderAndGetReadsThemBack) {
    const int n = image.surface->format->BytesPerPixel;
    const int positions[][2] = {{0, 0}, {3, 2}, {kW - 1, kH - 1}};
    for (const auto& pos : positions) {
        const int x = pos[0], y = pos[1];
        SCOPED_TRACE("at " + std::to_string(x) + "," + std::to_string(y));
        std::vector<Uint8> expected = Pixels();
        for (int i = 0; i < n; ++i)
            expected[size_t(y * image.surface->pitch + x * n + i)] = Uint8(kStored >> (8 * i));

        {
            SurfaceLoan loan(app.screen, image.surface);
            app.PutPixel(x, y, Color(1, 2, 3, kStored));
        }
        EXPECT_EQ(Pixels(), expected);
        EXPECT_EQ(App::GetPixel(image, x, y), GetParam().read);
    }
    const int pairs = MustLock() ? 3 : 0;
    EXPECT_EQ(locks, pairs);
    EXPECT_EQ(unlocks, pairs);
}

// A surface that must be locked and cannot be is not written: that pixel is skipped, and
// nothing is unlocked. A surface that needs no lock never asks for one.
TEST_P(PixelAccess, AFailedLockSkipsThePixel) {
    std::vector<Uint8> expected = Pixels();
    const int n = image.surface->format->BytesPerPixel;
    if (!MustLock())
        for (int i = 0; i < n; ++i)
            expected[size_t(image.surface->pitch + n + i)] = Uint8(kStored >> (8 * i));

    refuseLock = true;
    {
        SurfaceLoan loan(app.screen, image.surface);
        app.PutPixel(1, 1, Color(1, 2, 3, kStored));
    }
    EXPECT_EQ(Pixels(), expected);
    EXPECT_EQ(unlocks, 0);
}

TEST_P(PixelAccess, PositionsOutsideReadBlackAndAreNeverWritten) {
    const std::vector<Uint8> before = Pixels();
    const int outside[][2] = {{-1, 0},      {0, -1},      {kW, 0},    {0, kH},
                              {kW, kH - 1}, {-100000, 1}, {1, 100000}};
    for (const auto& pos : outside) {
        SCOPED_TRACE("at " + std::to_string(pos[0]) + "," + std::to_string(pos[1]));
        EXPECT_EQ(App::GetPixel(image, pos[0], pos[1]), Color(0, 0, 0, 0));
        SurfaceLoan loan(app.screen, image.surface);
        app.PutPixel(pos[0], pos[1], Color(255, 255, 255, 0xFFFFFFFF));
    }
    EXPECT_EQ(Pixels(), before);
}

INSTANTIATE_TEST_SUITE_P(Surfaces, PixelAccess, ::testing::ValuesIn(kSurfaces),
                         [](const auto& info) { return std::string(info.param.name); });

// No SDL call makes a surface with 5 bytes a pixel, so this one is made by hand.
TEST_F(AppTest, UnknownBytesPerPixelReadsWhiteAndRefusesWrites) {
    SDL_PixelFormat format{};
    format.BitsPerPixel = 40;
    format.BytesPerPixel = 5;
    Uint8 pixels[2 * 10];
    std::memset(pixels, kUntouched, sizeof pixels);
    SDL_Surface fake{};
    fake.format = &format;
    fake.w = 2;
    fake.h = 2;
    fake.pitch = 10;
    fake.pixels = pixels;

    Image image;
    SurfaceLoan picture(image, &fake);
    EXPECT_EQ(App::GetPixel(image, 1, 1), Color(255, 255, 255, 0xFFFFFFFF));

    SurfaceLoan screen(app.screen, &fake);
    try {
        app.PutPixel(1, 1, Color(0, 0, 0, 0));
        ADD_FAILURE() << "PutPixel wrote a 5-byte pixel";
    } catch (const ErrorMsg& error) {
        EXPECT_EQ(error.message, "Unknown BitDepth");
    }
    for (Uint8 byte : pixels)
        EXPECT_EQ(byte, kUntouched);
}

// --- Frame loop ------------------------------------------------------------------------

// Pushes each frame's events from its Update and writes down every call it receives.
class Recorder : public EventHandler {
public:
    explicit Recorder(std::vector<std::vector<SDL_Event>> frames) : frames(std::move(frames)) {}

    void Update() override {
        // The loop clears the screen before each Update; this pixel shows if it did not.
        const SDL_Surface* s = app->screen.surface;
        bool clear = true;
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x)
                clear = clear && App::GetPixel(app->screen, x, y).mapped == 0;
        log.push_back(clear ? "update" : "update on an uncleared screen");
        app->PutPixel(7, 7, Color(255, 255, 255, 0xFFFFFF));

        // A frame beyond those planned gets a quit, so that a loop that draws on where it
        // should not ends, and the log shows the surplus frame.
        std::vector<SDL_Event> events = {Quit()};
        if (frame < frames.size())
            events = frames[frame];
        else
            log.push_back("unplanned update");
        for (SDL_Event e : events)
            SDL_PushEvent(&e);
        ++frame;
    }
    void OnEvent(SDL_Event* e) override { log.push_back("event " + std::to_string(e->type)); }
    void OnKeyDown(SDLKey sym) override { log.push_back("key down " + std::to_string(sym)); }
    void OnKeyUp(SDLKey sym) override { log.push_back("key up " + std::to_string(sym)); }
    void OnMouseMove(int x, int y) override {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void OnMouseButton(int x, int y, int button) override {
        log.push_back("button " + std::to_string(x) + "," + std::to_string(y) + " " +
                      std::to_string(button));
    }

    std::vector<std::string> log;

private:
    std::vector<std::vector<SDL_Event>> frames;
    size_t frame = 0;
};

// The mouse fields before the loop runs, values no event gives: a field that an event does
// not set keeps its value.
constexpr int kMouseXBefore = -1;
constexpr int kMouseYBefore = -2;
constexpr int kButtonBefore = -3;

struct LoopCase {
    const char* name;
    std::vector<std::vector<SDL_Event>> frames; // the events pushed during each frame
    std::vector<std::string> log;
    int mouseX, mouseY, mouseButton;                // after the loop
    std::vector<std::vector<SDL_Event>> waits = {}; // the events that end each wait
};

std::ostream& operator<<(std::ostream& out, const LoopCase& c) {
    return out << c.name;
}

const char* const kPresent = "present 0,0 320x240";

const LoopCase kLoops[] = {
    {"QuitThenKeyStillHandledAndPresented",
     {{Quit(), Key(SDL_KEYDOWN, SDLK_x), Key(SDL_KEYUP, SDLK_x)}},
     {"update", "event 12", "event 2", "key down 120", "event 3", "key up 120", kPresent},
     kMouseXBefore,
     kMouseYBefore,
     kButtonBefore},
    {"MotionSetsMouseFields",
     {{Motion(300, 200), Quit()}},
     {"update", "event 4", "move 300,200", "event 12", kPresent},
     300,
     200,
     kButtonBefore},
    {"ButtonReleaseReachesOnEventOnly",
     {{Button(SDL_MOUSEBUTTONUP, 40, 50, 1), Quit()}},
     {"update", "event 6", "event 12", kPresent},
     kMouseXBefore,
     kMouseYBefore,
     kButtonBefore},
    {"ButtonPressThenRelease",
     {{Button(SDL_MOUSEBUTTONDOWN, 7, 9, 3), Button(SDL_MOUSEBUTTONUP, 40, 50, 1), Quit()}},
     {"update", "event 5", "button 7,9 3", "event 6", "event 12", kPresent},
     7,
     9,
     3},
    {"FramesRunUntilQuit",
     {{Key(SDL_KEYDOWN, SDLK_UP)}, {}, {Motion(1, 2), Quit()}},
     {"update", "event 2", "key down 273", kPresent, "update", kPresent, "update", "event 4",
      "move 1,2", "event 12", kPresent},
     1,
     2,
     kButtonBefore},
    // Minimised or unmapped: no frame is drawn or presented until the window is shown.
    {"HiddenWindowWaitsUntilShown",
     {{Active(SDL_APPACTIVE, 0)}, {Quit()}},
     {"update", "event 1", kPresent, "wait", "event 1", "update", "event 12", kPresent},
     kMouseXBefore,
     kMouseYBefore,
     kButtonBefore,
     {{Active(SDL_APPACTIVE, 1)}}},
    // Every event that comes meanwhile is handled; only a showing ends the waiting.
    {"EventsWhileHiddenAreHandled",
     {{Active(SDL_APPACTIVE | SDL_APPINPUTFOCUS, 0)}, {Quit()}},
     {"update", "event 1", kPresent, "wait", "event 4", "move 5,6", "wait", "event 1", "update",
      "event 12", kPresent},
     5,
     6,
     kButtonBefore,
     {{Motion(5, 6)}, {Active(SDL_APPACTIVE, 1)}}},
    // Closing a hidden window quits at once.
    {"QuitWhileHidden",
     {{Active(SDL_APPACTIVE, 0)}},
     {"update", "event 1", kPresent, "wait", "event 12"},
     kMouseXBefore,
     kMouseYBefore,
     kButtonBefore,
     {{Quit()}}},
    // Focus comes and goes while the window stays in view: drawing goes on.
    {"FocusLossKeepsDrawing",
     {{Active(SDL_APPINPUTFOCUS | SDL_APPMOUSEFOCUS, 0)}, {Quit()}},
     {"update", "event 1", kPresent, "update", "event 12", kPresent},
     kMouseXBefore,
     kMouseYBefore,
     kButtonBefore},
};

class FrameLoop : public AppTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(FrameLoop, DispatchesEveryEventAndPresentsEveryFrame) {
    const LoopCase& c = GetParam();
    auto* recorder = new Recorder(c.frames);
    app.handler = recorder;
    app.mouseX = kMouseXBefore;
    app.mouseY = kMouseYBefore;
    app.mouseButton = kButtonBefore;

    waits = c.waits;
    waited = 0;
    presentLog = &recorder->log;
    app.Run();
    presentLog = nullptr;

    EXPECT_EQ(recorder->log, c.log);
    EXPECT_FALSE(app.running);
    EXPECT_EQ(waited, c.waits.size());
    EXPECT_EQ(recorder->app, &app);
    EXPECT_EQ(app.mouseX, c.mouseX);
    EXPECT_EQ(app.mouseY, c.mouseY);
    EXPECT_EQ(app.mouseButton, c.mouseButton);
}

// The clear rectangle is taken at the first Run of the process and kept: a screen said to
// have shrunk afterwards is still cleared whole, and presented at its new size.
TEST_F(AppTest, ClearRectangleKeepsTheSizeOfTheFirstRun) {
    auto* recorder = new Recorder({{Quit()}, {Quit()}});
    app.handler = recorder;
    app.Run(); // every App of this program is 320 x 240, so this or an earlier Run was first

    app.width = 10;
    app.height = 10;
    app.PutPixel(319, 239, Color(255, 255, 255, 0xFFFFFF));
    recorder->log.clear();
    presentLog = &recorder->log;
    app.Run();
    presentLog = nullptr;

    EXPECT_EQ(recorder->log, (std::vector<std::string>{"update", "event 12", "present 0,0 10x10"}));
}

INSTANTIATE_TEST_SUITE_P(Events, FrameLoop, ::testing::ValuesIn(kLoops),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
