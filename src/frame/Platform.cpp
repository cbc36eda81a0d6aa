// Platform: starting and shutting down SDL, and ending the program on a fatal error.
#include "frame/Platform.h"

#include <SDL.h>

#include <cstdlib>

#include "main/ErrorMsg.h"

// Unix desktops but macOS: SDL 1.2 there is sdl12-compat over SDL 2, on X11 or Wayland.
#if defined(__unix__) && !defined(__APPLE__) && !defined(__EMSCRIPTEN__)
#define PRISMWARP_UNIX_DESKTOP 1
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "frame/Xlib.h"
#endif

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#ifndef _WIN32
#include <csignal>
#include <pthread.h>
#endif

Platform* Platform::current = nullptr;

namespace {

#ifdef PRISMWARP_UNIX_DESKTOP
// A descriptor among 0-2 that was closed when we were started would go to the next file
// opened: the X connection or the picture, which our error text or a library's
// diagnostics would then be written into. /dev/null takes their place.
void OpenClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        // The lowest free descriptor: `fd` itself, since the ones below it are open.
        if (opened > 2) close(opened);
    }
}

// The SDL 1.2 layer presents through SDL 2's first renderer that works: on X11 that is
// OpenGL, which without a graphics card is Mesa rasterising a textured quad on threads of
// its own, several times the cost of drawing a frame, and a GLX error there ends the
// process through Xlib's handler. SDL's software renderer copies the frame into the
// window's shared-memory image instead, with the same pixels. Where these two settings have
// no window framebuffer to use (Wayland), SDL goes on to the next renderer as before. A
// user's own setting, even an empty one, stays.
void PreferSoftwarePresenting() {
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
}

// Xlib ends the process through handlers of its own when the display fails it: an error
// the server reports that SDL does not expect (a GLX context the server refuses, where the
// user has chosen OpenGL), or a connection that breaks (memory gone, the server gone).
// Those print Xlib's words; the program's own replace them, once SDL has connected to an
// X server and so loaded Xlib.
template <typename Handler> void SetHandler(const Xlib& xlib, const char* setter, Handler handler) {
    using Setter = void* (*)(Handler);
    if (const auto set = xlib.Find<Setter>(setter)) set(handler);
}
#endif

// The end of the process, with `status`. A web page's program leaves the browser's frames.
[[noreturn]] void Exit(int status) {
#ifdef __EMSCRIPTEN__
    emscripten_force_exit(status);
    __builtin_unreachable();
#else
    std::exit(status);
#endif
}

} // namespace

#ifdef PRISMWARP_UNIX_DESKTOP
// While SDL starts and the window opens, SIGINT and SIGTERM are held back from the thread that
// does it and waited for by a thread of this one's, which ends the process by the signal, as
// the signal's default would. Once the window is open they reach SDL's own handler, which
// turns them into a quit event: SDL installs it as it starts, since their handling is the
// default then.
class Platform::StartWatch {
public:
    // The watcher is made with the signals it waits for held back, kWake among them, so that
    // none can come before it waits.
    StartWatch() {
        sigemptyset(&waited);
        sigaddset(&waited, SIGINT);
        sigaddset(&waited, SIGTERM);
        sigaddset(&waited, kWake);
        pthread_sigmask(SIG_BLOCK, &waited, &before);
        // A small stack: the watch needs next to nothing, and the program may run under a
        // limit on its address space. Where no thread can be had, the signals are SDL's.
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        pthread_attr_setstacksize(&attributes, 64 * 1024);
        running = pthread_create(&watcher, &attributes, Watch, this) == 0;
        pthread_attr_destroy(&attributes);
        if (!running) pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }

    // The watcher is woken by kWake, sent to it alone, and ends before the signals are let
    // through to SDL's handler.
    ~StartWatch() {
        if (!running) return;
        pthread_kill(watcher, kWake);
        pthread_join(watcher, nullptr);
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }

    StartWatch(const StartWatch&) = delete;
    StartWatch& operator=(const StartWatch&) = delete;

private:
    // A signal that ends nothing by default. Only the one this process sends the watcher
    // wakes it; one sent from elsewhere is passed over, as it would be ignored.
    static constexpr int kWake = SIGURG;

    static void* Watch(void* self) {
        const sigset_t& waited = static_cast<StartWatch*>(self)->waited;
        for (;;) {
            siginfo_t info;
            const int signal = sigwaitinfo(&waited, &info);
            if (signal == SIGINT || signal == SIGTERM) EndBy(signal);
            if (signal == kWake && info.si_pid == getpid()) break;
        }
        return nullptr;
    }

    sigset_t waited, before;
    pthread_t watcher;
    bool running = false;
};
#elif !defined(_WIN32)
// A web page has no signals to watch.
class Platform::StartWatch {};
#endif

Platform::Platform(Report report) : report(report) {
#ifdef PRISMWARP_UNIX_DESKTOP
    OpenClosedStandardStreams();
    PreferSoftwarePresenting();
    brokenPipe = std::make_unique<SignalIgnored>(SIGPIPE);
#endif
    current = this;
}

Platform::~Platform() {
    Close();
    if (current == this) current = nullptr;
}

bool Platform::StartVideo() {
#ifdef PRISMWARP_UNIX_DESKTOP
    startWatch = std::make_unique<StartWatch>();
#endif
    if (SDL_Init(SDL_INIT_VIDEO) < 0) return false;
    started = true;
#ifdef PRISMWARP_UNIX_DESKTOP
    if (const Xlib xlib = Xlib::Loaded()) {
        SetHandler(
            xlib, "XSetErrorHandler", +[](void*, void*) -> int { DisplayFailed(); });
        SetHandler(
            xlib, "XSetIOErrorHandler", +[](void*) -> int { DisplayFailed(); });
    }
#endif
    return true;
}

void Platform::WindowOpen() {
#ifdef PRISMWARP_UNIX_DESKTOP
    startWatch.reset();
#endif
}

void Platform::Close() {
    WindowOpen();
    // Marked first: should the display fail while SDL shuts down, Xlib's handler must not
    // shut it down a second time through the broken connection.
    const bool quit = started && !displayLost;
    started = false;
    if (quit) SDL_Quit();
#ifndef _WIN32
    brokenPipe.reset();
#endif
}

void Platform::Fail(std::exception_ptr error) {
#ifndef _WIN32
    Close();
#endif
    report(error);
    Close();
    Exit(1);
}

#ifndef _WIN32
void Platform::EndBy(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(signal);
    std::_Exit(128 + signal);
}
#endif

void Platform::DisplayFailed() {
    if (!current) Exit(1);
    current->displayLost = true;
    current->Fail(std::make_exception_ptr(ErrorMsg("Couldnt Set Display Mode!\n")));
}
