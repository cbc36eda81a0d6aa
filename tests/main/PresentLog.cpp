// PresentLog: preloaded into the program under test, it appends one byte to the file named
// by PRISMWARP_PRESENT_LOG for every SDL_UpdateRect, so a test can count presented frames
// from outside the process.
#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

extern "C" void SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h) {
    using UpdateRect = void (*)(SDL_Surface*, Sint32, Sint32, Uint32, Uint32);
    static const auto real = reinterpret_cast<UpdateRect>(dlsym(RTLD_NEXT, "SDL_UpdateRect"));
    static const int log = [] {
        const char* path = std::getenv("PRISMWARP_PRESENT_LOG");
        return path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }();
    if (log >= 0) {
        // A frame that cannot be logged only makes the count short.
        [[maybe_unused]] const ssize_t written = write(log, "f", 1);
    }
    if (real) real(screen, x, y, w, h);
}
