// App: starting SDL video, the frame loop and pixel access.
#include "frame/App.h"

#include <cstdlib>
#include <cstring>

#include "main/ErrorMsg.h"

App::App(const std::string& caption, int width, int height, int bpp, bool fullscreen) {
    Init(caption, width, height, bpp, fullscreen);
}

namespace {

// True while an App has SDL started and is not yet destroyed. Xlib ends the process with
// exit() when it loses the X server, from inside whichever SDL call noticed; SDL_Quit
// would then wait on the dead connection for ever. So at exit SDL is shut down only once
// the window object is gone, as on every normal ending and after every error.
bool sdlInUse = false;

void QuitSdlAtExit() {
    if (!sdlInUse) SDL_Quit();
}

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

App::~App() {
    delete handler;
    sdlInUse = false;
}

void App::Init(const std::string& caption, int width, int height, int bpp, bool fullscreen) {
    // SDL shuts down when the process exits, after every window object is gone.
    std::atexit(QuitSdlAtExit);
    sdlInUse = true;
    try {
        if (SDL_Init(SDL_INIT_VIDEO) < 0) throw ErrorMsg("Error Couldnt Initalize SDL!\n");
        if (DisplayUnseen()) throw ErrorMsg("Couldnt Set Display Mode!\n");

        screen.surface =
            SDL_SetVideoMode(width, height, ScreenDepth(bpp), fullscreen ? SDL_FULLSCREEN : 0);
        if (!screen.surface) throw ErrorMsg("Couldnt Set Display Mode!\n");
    } catch (...) {
        // The destructor does not run for an App whose constructor failed.
        sdlInUse = false;
        throw;
    }

    SDL_WM_SetCaption(caption.c_str(), caption.c_str());
    this->width = width;
    this->height = height;
}

void App::Run() {
    running = true;
    handler->app = this;

    // The clear rectangle is taken once, at the first frame of the process.
    static SDL_Rect clear = {0, 0, Uint16(width), Uint16(height)};
    do {
        // A hidden window is not drawn: its frame waits for the next event instead, and the
        // animation takes up where it stopped once the window is shown again.
        const bool drawing = shown;
        if (drawing) {
            SDL_FillRect(screen.surface, &clear, 0);
            handler->Update();
        }

        SDL_Event event;
        bool waiting = !drawing;
        while (waiting ? SDL_WaitEvent(&event) : SDL_PollEvent(&event)) {
            waiting = false;
            handler->OnEvent(&event);
            switch (event.type) {
            case SDL_KEYDOWN: handler->OnKeyDown(event.key.keysym.sym); break;
            case SDL_KEYUP: handler->OnKeyUp(event.key.keysym.sym); break;
            case SDL_MOUSEMOTION:
                mouseX = event.motion.x;
                mouseY = event.motion.y;
                handler->OnMouseMove(mouseX, mouseY);
                break;
            case SDL_MOUSEBUTTONDOWN:
                mouseX = event.button.x;
                mouseY = event.button.y;
                mouseButton = event.button.button;
                handler->OnMouseButton(mouseX, mouseY, mouseButton);
                break;
            // Minimised or unmapped, and shown again; focus comes and goes without it.
            case SDL_ACTIVEEVENT:
                if (event.active.state & SDL_APPACTIVE) shown = event.active.gain != 0;
                break;
            // Closing the window ends the loop after this frame; the events behind
            // the quit are still handled and the frame is still presented.
            case SDL_QUIT: running = false; break;
            }
        }

        if (drawing) SDL_UpdateRect(screen.surface, 0, 0, width, height);
    } while (running);
}

void App::CloseWindow() {
    // Marked in use meanwhile: should Xlib end the process from inside (the X server gone),
    // the exit-time SDL_Quit must not run into the dead connection a second time.
    sdlInUse = true;
    SDL_Quit();
    sdlInUse = false;
}

void App::Blend(Image& a, Image& b, int x0, int y0, int x1, int y1, float alpha) {
    // Each position is read before it is drawn and no other position is drawn at that
    // step, so reading a from the screen being drawn on sees the warp frame.
    for (int x = x0; x < x1; ++x) {
        const float w = 1.0f - alpha;
        for (int y = y0; y < y1; ++y) {
            const Color pa = GetPixel(a, x, y);
            const Color pb = GetPixel(b, x, y);
            // Each product is exact in double; the sum is rounded once.
            const auto mix = [&](Uint8 ca, Uint8 cb) {
                const double v = ca * double(alpha) + cb * double(w);
                return Uint8(int(v > 255.0 ? 255.0 : v));
            };
            PutPixel(x, y, Color(screen, mix(pa.r, pb.r), mix(pa.g, pb.g), mix(pa.b, pb.b)));
        }
    }
}
