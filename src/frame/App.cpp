// App: starting SDL video, the frame loop and pixel access.
#include "frame/App.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "main/ErrorMsg.h"

// Unix desktops but macOS: SDL 1.2 there is sdl12-compat over SDL 2, on X11 or Wayland.
#if defined(__unix__) && !defined(__APPLE__) && !defined(__EMSCRIPTEN__)
#define PRISMWARP_UNIX_DESKTOP 1
#include <csignal>
#include <dlfcn.h>
#endif

#ifdef __EMSCRIPTEN__
#include "frame/Browser.h"
#endif

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

// The SDL 1.2 layer presents through SDL 2's first renderer that works: on X11 that is
// OpenGL, which without a graphics card is Mesa rasterising a textured quad on threads of
// its own, several times the cost of drawing a frame, and a GLX error there ends the
// process through Xlib's handler. SDL's software renderer copies the frame into the
// window's shared-memory image instead, with the same pixels. Where these two settings have
// no window framebuffer to use (Wayland), SDL goes on to the next renderer as before. A
// user's own setting, even an empty one, stays.
void PreferSoftwarePresenting() {
#ifdef PRISMWARP_UNIX_DESKTOP
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
#endif
}

// SDL 2 does not check every allocation it makes while it starts and opens the window, and
// Xlib ends the process when it cannot grow its buffers: with too little memory left, the
// program would crash there or end in Xlib's words. Both together take under 3 MiB.
bool RoomToOpenTheWindow() {
    const std::unique_ptr<char[]> room(new (std::nothrow) char[4 << 20]);
    return room != nullptr;
}

#ifdef PRISMWARP_UNIX_DESKTOP
// The X connection is a socket: a write to it after the server has gone raises SIGPIPE,
// which would end the program there and then, without a word. With SIGPIPE ignored the
// write fails instead, and Xlib's IO error handler reports the loss. It is ignored from
// SDL's start until the window is closed, and then given back its former handling, so that
// SIGPIPE still ends an error box as every ending signal does.
struct sigaction pipeBefore;
bool pipeSet = false;

void IgnoreBrokenConnection() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    pipeSet = sigaction(SIGPIPE, &ignore, &pipeBefore) == 0;
}

void RestoreBrokenConnection() {
    if (pipeSet) sigaction(SIGPIPE, &pipeBefore, nullptr);
    pipeSet = false;
}

// Xlib ends the process through handlers of its own when the display fails it: an error
// the server reports that SDL does not expect (a GLX context the server refuses, where the
// user has chosen OpenGL), or a connection that breaks (memory gone, the server gone).
// Those print Xlib's words; these give the program's own, in the box too, and end it with
// status 1 as Xlib's would. (Xlib's Display and XErrorEvent are passed as pointers, which
// these take as void*: the program does not build against Xlib's headers.)
[[noreturn]] void DisplayFailed() {
    RestoreBrokenConnection();
    ErrorMsg("Couldnt Set Display Mode!\n").Show();
    std::exit(1);
}

int OnXlibError(void*, void*) {
    DisplayFailed();
}

int OnXlibIOError(void*) {
    DisplayFailed();
}
#endif

// Once SDL has connected to an X server (and so loaded Xlib), its failures are reported as
// the program's own.
void ReportDisplayFailures() {
#ifdef PRISMWARP_UNIX_DESKTOP
    void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!xlib) return;
    using SetErrorHandler = void* (*)(int (*)(void*, void*));
    using SetIOErrorHandler = void* (*)(int (*)(void*));
    if (const auto set = reinterpret_cast<SetErrorHandler>(dlsym(xlib, "XSetErrorHandler")))
        set(OnXlibError);
    if (const auto set = reinterpret_cast<SetIOErrorHandler>(dlsym(xlib, "XSetIOErrorHandler")))
        set(OnXlibIOError);
    dlclose(xlib); // SDL keeps it loaded
#endif
}

// The SDL 1.2 layer names the display's pixel format only where it has one of its own for
// it; for any other depth (a deep-colour display of 30 bits) it reports 0, and bpp 0 then
// gets a 16-bit screen. Such a display gets 32 bits, as a 24-bit display does.
int ScreenDepth(int bpp) {
    if (bpp != 0) return bpp;
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    return info && info->vfmt && info->vfmt->BitsPerPixel == 0 ? 32 : 0;
}

// The next event: waited for while the window is hidden, taken if there is one while it
// is drawn. A web page has nothing to wait with: its frames are the browser's to schedule.
bool NextEvent(SDL_Event& event, bool wait) {
#ifndef __EMSCRIPTEN__
    if (wait) return SDL_WaitEvent(&event) != 0;
#endif
    return SDL_PollEvent(&event) != 0;
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
    PreferSoftwarePresenting();
#ifdef PRISMWARP_UNIX_DESKTOP
    IgnoreBrokenConnection();
#endif
    try {
        if (!RoomToOpenTheWindow()) throw ErrorMsg("Couldnt Set Display Mode!\n");
        if (SDL_Init(SDL_INIT_VIDEO) < 0) throw ErrorMsg("Error Couldnt Initalize SDL!\n");
        if (DisplayUnseen()) throw ErrorMsg("Couldnt Set Display Mode!\n");
        ReportDisplayFailures();

        screen.surface =
            SDL_SetVideoMode(width, height, ScreenDepth(bpp), fullscreen ? SDL_FULLSCREEN : 0);
        if (!screen.surface) throw ErrorMsg("Couldnt Set Display Mode!\n");
#ifdef __EMSCRIPTEN__
        Browser::UseDesktopLayout(screen.surface);
#endif
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
#ifdef __EMSCRIPTEN__
    Browser::Run(*this);
#else
    do {
        Frame();
    } while (running);
#endif
}

void App::Frame() {
    // The clear rectangle is taken once, at the first frame of the process.
    static SDL_Rect clear = {0, 0, Uint16(width), Uint16(height)};
    // A hidden window is not drawn: its frame waits for the next event instead, and the
    // animation takes up where it stopped once the window is shown again.
    const bool drawing = shown;
    if (drawing) {
#ifdef __EMSCRIPTEN__
        // There the clear costs a pass over the screen, which a handler that draws over the
        // whole of it would only overwrite unseen.
        Browser::Lock(screen.surface);
        if (!handler->DrawsOver(clear)) Browser::Clear(screen.surface, clear);
#else
        SDL_FillRect(screen.surface, &clear, 0);
#endif
        handler->Update();
    }

    SDL_Event event;
    bool waiting = !drawing;
    while (NextEvent(event, waiting)) {
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

    if (!drawing) return;
#ifdef __EMSCRIPTEN__
    Browser::Present(screen.surface);
#else
    SDL_UpdateRect(screen.surface, 0, 0, width, height);
#endif
}

void App::CloseWindow() {
    // Marked in use meanwhile: should Xlib end the process from inside (the X server gone),
    // the exit-time SDL_Quit must not run into the dead connection a second time.
    sdlInUse = true;
    SDL_Quit();
    sdlInUse = false;
#ifdef PRISMWARP_UNIX_DESKTOP
    RestoreBrokenConnection();
#endif
}

void App::Blend(Image& a, Image& b, int x0, int y0, int x1, int y1, float alpha) {
    // Each position is read before it is drawn and no other position is drawn at that
    // step, so reading a from the screen being drawn on sees the warp frame.
    for (int x = x0; x < x1; ++x) {
        const float w = 1.0f - alpha;
        for (int y = y0; y < y1; ++y) {
            const Color pa = GetPixel(a, x, y);
            const Color pb = GetPixel(b, x, y);
            PutPixel(x, y,
                     Color(screen, Mix(pa.r, pb.r, alpha, w), Mix(pa.g, pb.g, alpha, w),
                           Mix(pa.b, pb.b, alpha, w)));
        }
    }
}
