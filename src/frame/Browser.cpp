// Browser: the desktop's screen layout on a canvas, and frames at the browser's pace.
#include "frame/Browser.h"

#include <emscripten.h>
#include <emscripten/eventloop.h>

#include <algorithm>
#include <cstring>

#include "frame/App.h"
#include "main/ErrorMsg.h"

namespace {

// The page's screen, and whether this frame's pixels are in the canvas's layout already.
SDL_Surface* pageScreen = nullptr;
bool inCanvasLayout = false;

// Gives `f` 8-bit red, green and blue at bits r, g and b, and 8 bits of alpha at bit 24 or
// none, under SDL's name for the layout.
void Lay(SDL_PixelFormat& f, Uint32 name, int r, int g, int b, bool alpha) {
    f.format = name;
    f.Rmask = 0xFFu << r;
    f.Gmask = 0xFFu << g;
    f.Bmask = 0xFFu << b;
    f.Amask = alpha ? 0xFF000000 : 0;
    f.Rshift = Uint8(r);
    f.Gshift = Uint8(g);
    f.Bshift = Uint8(b);
    f.Ashift = alpha ? 24 : 0;
    f.Rloss = f.Gloss = f.Bloss = 0;
    f.Aloss = alpha ? 0 : 8;
}

// Red, green, blue and alpha from the lowest byte.
SDL_PixelFormat CanvasFormat() {
    SDL_PixelFormat f{};
    f.BitsPerPixel = 32;
    f.BytesPerPixel = 4;
    Lay(f, SDL_PIXELFORMAT_ABGR8888, 0, 8, 16, true);
    return f;
}

EM_JS(void, LockWithoutReading, (), {
    SDL.defaults.discardOnLock = true;
    SDL.defaults.opaqueFrontBuffer = false;
});

[[noreturn]] void End(const ErrorMsg& error) {
    error.Show();
    emscripten_force_exit(1);
    __builtin_unreachable();
}

// main has returned to the page long before: an error that leaves a frame is shown here, as
// main shows those that come before the first.
void DrawFrame(void* arg) {
    App& app = *static_cast<App*>(arg);
    try {
        app.Frame();
    } catch (...) {
        // main's text for running out of memory once the picture has been loaded
        End(ErrorMsg::Caught("Unable to Load Image make sure its in the directory!\n"));
    }
    // The page is being closed.
    if (!app.running) emscripten_force_exit(0);
}

} // namespace

void Browser::UseDesktopLayout(SDL_Surface* screen) {
    pageScreen = screen;
    Lay(*screen->format, SDL_PIXELFORMAT_RGB888, 16, 8, 0, false);
}

void Browser::Lock(SDL_Surface* screen) {
    SDL_LockSurface(screen);
}

void Browser::Clear(SDL_Surface* screen, const SDL_Rect& rect) {
    const int x0 = std::max(rect.x, 0);
    const int y0 = std::max(rect.y, 0);
    const int x1 = std::min(rect.x + rect.w, screen->w);
    const int y1 = std::min(rect.y + rect.h, screen->h);
    auto* pixels = static_cast<Uint8*>(screen->pixels);
    for (int y = y0; y < y1 && x0 < x1; ++y)
        std::memset(pixels + y * screen->pitch + x0 * 4, 0, std::size_t(x1 - x0) * 4);
}

const SDL_PixelFormat& Browser::CanvasLayout() {
    static const SDL_PixelFormat canvas = CanvasFormat();
    return canvas;
}

bool Browser::DrawInCanvasLayout(SDL_Surface* surface, int width, int height) {
    if (surface != pageScreen || surface->w != width || surface->h != height ||
        surface->format->BytesPerPixel != 4)
        return false;
    inCanvasLayout = true;
    return true;
}

void Browser::Present(SDL_Surface* screen) {
    if (!inCanvasLayout) {
        // The screen's fields in locals: the stores could change them, as far as the
        // compiler knows, which would keep it from taking the pixels four at a time.
        const int width = screen->w, height = screen->h, pitch = screen->pitch;
        auto* row = static_cast<Uint8*>(screen->pixels);
        for (int y = 0; y < height; ++y, row += pitch) {
            auto* pixel = reinterpret_cast<Uint32*>(row);
            for (int x = 0; x < width; ++x) {
                // 0x00RRGGBB becomes the bytes red, green, blue, 255.
                const Uint32 v = pixel[x];
                pixel[x] = (v >> 16 & 0xFF) | (v & 0xFF00) | (v & 0xFF) << 16 | 0xFF000000;
            }
        }
    }
    inCanvasLayout = false;
    SDL_UnlockSurface(screen);
}

void Browser::Run(App& app) {
    // Every picture has been read by now, so a lock need no longer copy the canvas back into
    // memory: each frame is drawn whole on a cleared screen. Present makes the pixels opaque
    // itself. Reading the canvas back would cost more than drawing the frame; set before the
    // picture is loaded, it would wipe the picture, which is read through a lock as well.
    LockWithoutReading();
    emscripten_set_main_loop_arg(DrawFrame, &app, 0, 0);
    // Frames as fast as the browser runs them, as on the desktop, rather than at the display's
    // rate: the factor steps once per pixel drawn, so the frame rate is the animation's speed.
    emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
    emscripten_unwind_to_js_event_loop();
}
