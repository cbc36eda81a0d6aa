// Window: the video modes, the keys that switch them, and the frame blown up to fill a
// screen larger than itself.
#include "frame/Window.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "frame/App.h"
#include "frame/Upscale.h"
#include "main/ErrorMsg.h"

#include "frame/Xlib.h"

namespace {

// SDL falls back to a driver that draws into memory alone when it reaches no display (no
// DISPLAY, no server behind it, no descriptor left for the connection). Unless the user
// asked for such a driver through SDL_VIDEODRIVER, as the headless tests do, a window
// that nobody can see is no window at all.
bool DisplayUnseen() {
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    if (chosen && *chosen) return false;
    char name[32] = {};
    if (!SDL_VideoDriverName(name, sizeof name)) return false;
    return std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0;
}

// The SDL 1.2 layer names the display's pixel format only where it has one of its own for
// it; for any other depth (a deep-colour display of 30 bits) it reports 0, and bpp 0 then
// gets a 16-bit screen. Such a display gets 32 bits, as a 24-bit display does.
int ScreenDepth(int bpp) {
    if (bpp != 0) return bpp;
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    return info && info->vfmt && info->vfmt->BitsPerPixel == 0 ? 32 : 0;
}

// A surface for the frame in the display's pixel format, palette included.
SDL_Surface* FrameSurface(const SDL_Surface* display, int width, int height) {
    const SDL_PixelFormat* f = display->format;
    SDL_Surface* frame = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, f->BitsPerPixel,
                                              f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (frame && f->palette && frame->format->palette)
        SDL_SetColors(frame, f->palette->colors, 0, f->palette->ncolors);
    return frame;
}

// Whether the window manager shows the window full screen; false where that cannot be told.
bool ManagerFullScreen() {
#if defined(__unix__) && !defined(__APPLE__) && !defined(__EMSCRIPTEN__)
    return Xlib::Loaded().ShowsFullScreen();
#else
    return false;
#endif
}

} // namespace

Window::~Window() {
    if (full) SDL_ShowCursor(SDL_ENABLE);
}

SDL_Surface* Window::Open(int width, int height, int bpp, bool fullscreen) {
    if (DisplayUnseen()) return nullptr;
    // Before any mode is set, the current mode is the desktop's.
    if (const SDL_VideoInfo* info = SDL_GetVideoInfo()) {
        desktopWidth = info->current_w;
        desktopHeight = info->current_h;
    }
    frameWidth = windowWidth = width;
    frameHeight = windowHeight = height;
    this->bpp = ScreenDepth(bpp);
    display = SDL_SetVideoMode(width, height, this->bpp, fullscreen ? SDL_FULLSCREEN : 0);
    return display;
}

const SDL_PixelFormat* Window::Begin(SDL_Surface* screen, SDL_Rect clear, bool) {
    SDL_FillRect(screen, &clear, 0);
    return screen->format;
}

bool Window::NextEvent(SDL_Event& event, bool wait) {
    return (wait ? SDL_WaitEvent(&event) : SDL_PollEvent(&event)) != 0;
}

void Window::Notice(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
        switch (event.key.keysym.sym) {
        case SDLK_F11: wantFull = !wantFull; break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            if (event.key.keysym.mod & KMOD_ALT) wantFull = !wantFull;
            break;
        case SDLK_ESCAPE: wantFull = false; break;
        default: break;
        }
        break;
    // A window manager that sizes windows as it likes (a tiling one) has made the window
    // another size. Full screen, the window's size is the display's, whatever it says.
    case SDL_VIDEORESIZE:
        if (!full && !wantFull) {
            windowWidth = event.resize.w;
            windowHeight = event.resize.h;
        }
        break;
    // The window manager shows the window full screen, or no longer does.
    case SDL_VIDEOEXPOSE: FollowManager(); break;
    default: break;
    }
}

void Window::Present(Image& screen, int width, int height) {
    if (screen.surface == display) {
        SDL_UpdateRect(display, 0, 0, Uint32(width), Uint32(height));
    } else {
        const bool lock = SDL_MUSTLOCK(display);
        if (!lock || SDL_LockSurface(display) == 0) {
            // The black around the frame is drawn once, with the first frame of the mode.
            if (bare) SDL_FillRect(display, nullptr, 0);
            Upscale::Draw(screen.surface, display, factor, x0, y0);
            if (lock) SDL_UnlockSurface(display);
            // Presented whole: the SDL 1.2 layer puts an update of part of the screen on it
            // only now and then, and the frames between would never be seen.
            SDL_UpdateRect(display, 0, 0, 0, 0);
            bare = false;
        }
    }
    // The window manager may say it only after the expose its change brought: it is asked
    // again a few times a second, one round trip to the X server each time.
    if (SDL_GetTicks() - managerAsked >= kManagerInterval) FollowManager();
    const bool resized = !wantFull && (display->w != std::max(windowWidth, frameWidth) ||
                                       display->h != std::max(windowHeight, frameHeight));
    if (wantFull != full || resized) Change(screen);
}

void Window::FollowManager() {
    managerAsked = SDL_GetTicks();
    // Only a change counts: the program's own switch makes the window manager say the same a
    // little later.
    const bool now = ManagerFullScreen();
    if (now != managerFull) wantFull = managerFull = now;
}

void Window::Change(Image& screen) {
    // The frame's own surface is ours; the display surface is SDL's, and the mode about to be
    // set ends it.
    if (screen.surface != display) SDL_FreeSurface(screen.surface);
    screen.surface = nullptr;
    if (wantFull) {
        windowWidth = frameWidth;
        windowHeight = frameHeight;
    }
    display = SetMode();
    if (!display && wantFull) {
        wantFull = false;
        display = SetMode();
    }
    if (!display) throw ErrorMsg("Couldnt Set Display Mode!\n");
    full = wantFull;
    // The pointer would stand over the frame; in a window it is the user's.
    SDL_ShowCursor(full ? SDL_DISABLE : SDL_ENABLE);

    if (display->w == frameWidth && display->h == frameHeight) {
        screen.surface = display;
        return;
    }
    factor = std::max(1, Upscale::Factor(frameWidth, frameHeight, display->w, display->h));
    x0 = (display->w - frameWidth * factor) / 2;
    y0 = (display->h - frameHeight * factor) / 2;
    bare = true;
    screen.surface = FrameSurface(display, frameWidth, frameHeight);
    if (!screen.surface) throw ErrorMsg("Couldnt Set Display Mode!\n");
}

SDL_Surface* Window::SetMode() {
    // A display too small to hold the frame once is not taken full screen.
    if (wantFull && Upscale::Factor(frameWidth, frameHeight, desktopWidth, desktopHeight) > 0)
        return SDL_SetVideoMode(desktopWidth, desktopHeight, bpp, SDL_FULLSCREEN);
    if (wantFull) return nullptr;
    return SDL_SetVideoMode(std::max(windowWidth, frameWidth), std::max(windowHeight, frameHeight),
                            bpp, 0);
}

void Window::Run(App& app) {
    do {
        app.Frame();
    } while (app.running);
}
