// Xlib: dlopen and dlsym on libX11.
#include "frame/Xlib.h"

#if defined(__unix__) && !defined(__APPLE__) && !defined(__EMSCRIPTEN__)
#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>

namespace {
const char* const kLibrary = "libX11.so.6";
}

Xlib Xlib::Loaded() {
    return Xlib(dlopen(kLibrary, RTLD_LAZY | RTLD_NOLOAD));
}

Xlib Xlib::Load() {
    return Xlib(dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL));
}

Xlib::~Xlib() {
    if (handle) dlclose(handle);
}

bool Xlib::ShowsFullScreen() const {
    // SDL_GetWMInfo's record on X11, as SDL 1.2 lays it out for good (SDL_syswm.h, which would
    // need Xlib's headers): SDL's X connection and its window.
    struct WMInfo {
        SDL_version version;
        int subsystem; // 0: X11
        void* display;
        unsigned long window;
        void (*lock)();
        void (*unlock)();
        unsigned long fullscreenWindow, managerWindow;
        void* graphicsDisplay;
    } info = {};
    SDL_VERSION(&info.version);
    using GetWMInfo = int (*)(WMInfo*);
    const auto getWMInfo = reinterpret_cast<GetWMInfo>(dlsym(RTLD_DEFAULT, "SDL_GetWMInfo"));
    if (!getWMInfo || getWMInfo(&info) != 1 || info.subsystem != 0 || !info.display) return false;

    using InternAtom = unsigned long (*)(void*, const char*, int);
    using GetWindowProperty =
        int (*)(void*, unsigned long, unsigned long, long, long, int, unsigned long, unsigned long*,
                int*, unsigned long*, unsigned long*, unsigned char**);
    using Free = int (*)(void*);
    const auto internAtom = Find<InternAtom>("XInternAtom");
    const auto getWindowProperty = Find<GetWindowProperty>("XGetWindowProperty");
    const auto free = Find<Free>("XFree");
    if (!internAtom || !getWindowProperty || !free) return false;

    // Xlib's None, True, False, Success and XA_ATOM.
    const unsigned long kNone = 0, kAtomType = 4;
    const int kTrue = 1, kFalse = 0, kSuccess = 0;
    const unsigned long state = internAtom(info.display, "_NET_WM_STATE", kTrue);
    const unsigned long fullscreen = internAtom(info.display, "_NET_WM_STATE_FULLSCREEN", kTrue);
    if (state == kNone || fullscreen == kNone) return false;
    unsigned long type = kNone, count = 0, after = 0;
    int format = 0;
    unsigned char* data = nullptr;
    if (getWindowProperty(info.display, info.window, state, 0, 64, kFalse, kAtomType, &type,
                          &format, &count, &after, &data) != kSuccess)
        return false;
    bool found = false;
    if (data && type == kAtomType && format == 32) {
        // Xlib hands 32-bit items over as longs.
        const auto* atoms = reinterpret_cast<const unsigned long*>(data);
        found = std::find(atoms, atoms + count, fullscreen) != atoms + count;
    }
    if (data) free(data);
    return found;
}

void* Xlib::Symbol(const char* name) const {
    return handle ? dlsym(handle, name) : nullptr;
}
#endif
