// Browser: the desktop's screen layout on a canvas, and frames at the browser's pace.
#include "frame/Browser.h"

#include <emscripten.h>
#include <emscripten/eventloop.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "frame/App.h"
#include "main/ErrorMsg.h"

namespace {

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
    } catch (const ErrorMsg& error) {
        End(error);
    } catch (const std::bad_alloc&) {
        // main's text for running out of memory once the picture has been loaded
        End(ErrorMsg("Unable to Load Image make sure its in the directory!\n"));
    }
    // The page is being closed.
    if (!app.running) emscripten_force_exit(0);
}

} // namespace

void Browser::UseDesktopLayout(SDL_Surface* screen) {
    SDL_PixelFormat& f = *screen->format;
    f.format = SDL_PIXELFORMAT_RGB888;
    f.Rmask = 0xFF0000;
    f.Gmask = 0x00FF00;
    f.Bmask = 0x0000FF;
    f.Amask = 0;
    f.Rshift = 16;
    f.Gshift = 8;
    f.Bshift = 0;
    f.Ashift = 0;
    f.Rloss = f.Gloss = f.Bloss = 0;
    f.Aloss = 8;
}

void Browser::Clear(SDL_Surface* screen, const SDL_Rect& rect) {
    SDL_LockSurface(screen);
    const int x0 = std::max(rect.x, 0);
    const int y0 = std::max(rect.y, 0);
    const int x1 = std::min(rect.x + rect.w, screen->w);
    const int y1 = std::min(rect.y + rect.h, screen->h);
    auto* pixels = static_cast<Uint8*>(screen->pixels);
    for (int y = y0; y < y1 && x0 < x1; ++y)
        std::memset(pixels + y * screen->pitch + x0 * 4, 0, std::size_t(x1 - x0) * 4);
}

void Browser::Present(SDL_Surface* screen) {
    auto* row = static_cast<Uint8*>(screen->pixels);
    for (int y = 0; y < screen->h; ++y, row += screen->pitch) {
        auto* pixel = reinterpret_cast<Uint32*>(row);
        for (int x = 0; x < screen->w; ++x) {
            // 0x00RRGGBB becomes the bytes red, green, blue, 255.
            const Uint32 v = pixel[x];
            pixel[x] = (v >> 16 & 0xFF) | (v & 0xFF00) | (v & 0xFF) << 16 | 0xFF000000;
        }
    }
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
