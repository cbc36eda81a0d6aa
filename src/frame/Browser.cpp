// Browser: the desktop's screen layout on a canvas, and frames at the browser's pace.
#include "frame/Browser.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstring>
#include <exception>

#include "frame/App.h"

namespace {

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

// The canvas's layout: red, green, blue and alpha from the lowest byte, alpha 255.
const SDL_PixelFormat& CanvasLayout() {
    static const SDL_PixelFormat canvas = [] {
        SDL_PixelFormat f{};
        f.BitsPerPixel = 32;
        f.BytesPerPixel = 4;
        Lay(f, SDL_PIXELFORMAT_ABGR8888, 0, 8, 16, true);
        return f;
    }();
    return canvas;
}

EM_JS(void, LockWithoutReading, (), {
    SDL.defaults.discardOnLock = true;
    SDL.defaults.opaqueFrontBuffer = false;
});

// The entry has returned to the page long before: an error that leaves a frame ends the
// program as the entry would end it.
void DrawFrame(void* arg) {
    App& app = *static_cast<App*>(arg);
    try {
        app.Frame();
    } catch (...) {
        app.platform.Fail(std::current_exception());
    }
    // The page is being closed.
    if (!app.running) emscripten_force_exit(0);
}

void Clear(SDL_Surface* screen, const SDL_Rect& rect) {
    const int x0 = std::max(int(rect.x), 0);
    const int y0 = std::max(int(rect.y), 0);
    const int x1 = std::min(rect.x + rect.w, screen->w);
    const int y1 = std::min(rect.y + rect.h, screen->h);
    auto* pixels = static_cast<Uint8*>(screen->pixels);
    for (int y = y0; y < y1 && x0 < x1; ++y)
        std::memset(pixels + y * screen->pitch + x0 * 4, 0, std::size_t(x1 - x0) * 4);
}

} // namespace

SDL_Surface* Browser::Open(int width, int height, int bpp, bool fullscreen) {
    SDL_Surface* screen = SDL_SetVideoMode(width, height, bpp, fullscreen ? SDL_FULLSCREEN : 0);
    if (screen) Lay(*screen->format, SDL_PIXELFORMAT_RGB888, 16, 8, 0, false);
    return screen;
}

const SDL_PixelFormat* Browser::Begin(SDL_Surface* screen, SDL_Rect clear, bool covered) {
    SDL_LockSurface(screen);
    // A frame that covers the whole screen may store its pixels in the canvas's layout; the
    // clear it would overwrite is left out.
    inCanvasLayout = covered && clear.x <= 0 && clear.y <= 0 && clear.x + clear.w >= screen->w &&
                     clear.y + clear.h >= screen->h && screen->format->BytesPerPixel == 4;
    if (inCanvasLayout) return &CanvasLayout();
    if (!covered) Clear(screen, clear);
    return screen->format;
}

bool Browser::NextEvent(SDL_Event& event, bool) {
    return SDL_PollEvent(&event) != 0;
}

void Browser::Present(Image& image, int, int) {
    SDL_Surface* screen = image.surface;
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

void Browser::Follow(bool hidden) {
    if (hidden == paused) return;
    paused = hidden;
    if (hidden)
        emscripten_pause_main_loop();
    else
        emscripten_resume_main_loop();
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
    // A hidden page draws nothing: the browser does not slow immediate frames down there, as
    // it does timers and animation frames. The change of visibility is an event of its own,
    // between two frames, so no frame is drawn hidden; SDL's events of the change wait in
    // its queue for the first frame after it. A page opened hidden draws its first frame
    // once shown.
    emscripten_set_visibilitychange_callback(
        this, false, +[](int, const EmscriptenVisibilityChangeEvent* change, void* self) {
            static_cast<Browser*>(self)->Follow(change->hidden);
            return EM_FALSE;
        });
    EmscriptenVisibilityChangeEvent now{};
    if (emscripten_get_visibility_status(&now) == EMSCRIPTEN_RESULT_SUCCESS) Follow(now.hidden);
    // Returns to the page with the runtime held alive: a paused loop lets go of the runtime
    // it holds, which without this hold would end the program, with nothing wrong, the
    // first time the page is hidden.
    emscripten_exit_with_live_runtime();
}
