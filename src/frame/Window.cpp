// Window: opening the video mode, and the frames one after the other.
#include "frame/Window.h"

#include <cstdlib>
#include <cstring>

#include "frame/App.h"

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

} // namespace

SDL_Surface* Window::Open(int width, int height, int bpp, bool fullscreen) {
    if (DisplayUnseen()) return nullptr;
    return SDL_SetVideoMode(width, height, ScreenDepth(bpp), fullscreen ? SDL_FULLSCREEN : 0);
}

const SDL_PixelFormat* Window::Begin(SDL_Surface* screen, SDL_Rect clear, bool) {
    SDL_FillRect(screen, &clear, 0);
    return screen->format;
}

bool Window::NextEvent(SDL_Event& event, bool wait) {
    return (wait ? SDL_WaitEvent(&event) : SDL_PollEvent(&event)) != 0;
}

void Window::Present(SDL_Surface* screen, int width, int height) {
    SDL_UpdateRect(screen, 0, 0, Uint32(width), Uint32(height));
}

void Window::Run(App& app) {
    do {
        app.Frame();
    } while (app.running);
}
