// PresentHook: preloaded into the program under test (or the benchmark's), it wraps
// SDL_UpdateRect to watch, from outside the program's code, the frames it presents. What it
// does is chosen by variables, each on its own:
//
//   PRISMWARP_PRESENT_LOG=FILE   appends one byte to FILE for every present, so that a test
//                                can count frames
//   PRISMWARP_PRESS_UP=1         queues a press of Up after the first present: the overlay
//                                is on from the third frame
//   PRISMWARP_PRESS_F11=1        queues a press of F11 after the first present: full screen
//                                from the third frame
//   PRISMWARP_QUIT_AFTER=N       queues a quit after present N; with
//   PRISMWARP_FRAME_TIMES=FILE   it first writes to FILE, for each of the N presents, the
//                                monotonic clock and the process's CPU time (ns) at its
//                                return, a line each; and with
//   PRISMWARP_XSERVER_PID=PID,   a last line "server A B": the CPU time (ns) the X server
//   PRISMWARP_FROM=K             PID had used by present K and by present N
//   PRISMWARP_STOP_AT=K[,K...]   stops the process (SIGSTOP) before its first present, so
//                                that a test can wait for the window to be shown, and again
//                                after each present K, having written the surface that K
//                                showed to
//   PRISMWARP_SURFACE_DUMP=FILE  as a line "W H BYTES_PER_PIXEL RMASK GMASK BMASK" and then
//                                its rows, W * BYTES_PER_PIXEL bytes each, in memory order;
//                                "%d" in FILE stands for K
//   PRISMWARP_THROW_AT=K         throws from present K, as a fault inside a frame would: a
//   PRISMWARP_THROW=TYPE         std::runtime_error "thrown by the present hook", or with
//                                TYPE "int" an int, an exception of no class at all
#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Events.h"

namespace {

long Number(const char* variable) {
    const char* value = std::getenv(variable);
    return value ? std::atol(value) : 0;
}

// A list of numbers, split by commas.
std::vector<long> Numbers(const char* variable) {
    std::vector<long> numbers;
    for (const char* p = std::getenv(variable); p && *p;) {
        char* end = nullptr;
        numbers.push_back(std::strtol(p, &end, 10));
        if (end == p) break;
        p = *end == ',' ? end + 1 : end;
    }
    return numbers;
}

const char* Path(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value ? value : nullptr;
}

int64_t Now(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The CPU time a process has used, user and system, from /proc; -1 where it cannot be read.
int64_t ProcessCpu(long pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    FILE* file = std::fopen(path, "r");
    if (!file) return -1;
    char stat[1024] = {};
    const size_t n = std::fread(stat, 1, sizeof stat - 1, file);
    std::fclose(file);
    stat[n] = '\0';
    // The fields after the command name, which is in parentheses and may hold spaces:
    // user and system time are the 12th and 13th of them, in clock ticks.
    const char* rest = std::strrchr(stat, ')');
    unsigned long long user = 0, system = 0;
    if (!rest || std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
                             &user, &system) != 2)
        return -1;
    return int64_t(user + system) * 1000000000 / sysconf(_SC_CLK_TCK);
}

void Dump(const SDL_Surface* screen, const char* pattern, long present) {
    std::string path = pattern;
    if (const std::size_t at = path.find("%d"); at != std::string::npos)
        path.replace(at, 2, std::to_string(present));
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    const SDL_PixelFormat* f = screen->format;
    std::fprintf(file, "%d %d %d %u %u %u\n", screen->w, screen->h, int(f->BytesPerPixel),
                 unsigned(f->Rmask), unsigned(f->Gmask), unsigned(f->Bmask));
    for (int y = 0; y < screen->h; ++y)
        std::fwrite(static_cast<const Uint8*>(screen->pixels) + y * screen->pitch, f->BytesPerPixel,
                    size_t(screen->w), file);
    std::fclose(file);
}

struct Settings {
    int log = -1;
    bool pressUp = Number("PRISMWARP_PRESS_UP") != 0;
    bool pressF11 = Number("PRISMWARP_PRESS_F11") != 0;
    long quitAfter = Number("PRISMWARP_QUIT_AFTER");
    const char* frameTimes = Path("PRISMWARP_FRAME_TIMES");
    long server = Number("PRISMWARP_XSERVER_PID");
    long from = Number("PRISMWARP_FROM");
    std::vector<long> stopAt = Numbers("PRISMWARP_STOP_AT");
    const char* surfaceDump = Path("PRISMWARP_SURFACE_DUMP");
    long throwAt = Number("PRISMWARP_THROW_AT");
    bool throwInt = Path("PRISMWARP_THROW") && std::string(Path("PRISMWARP_THROW")) == "int";
    std::vector<int64_t> times; // monotonic clock, CPU time, for each present
    int64_t serverFrom = -1, serverEnd = -1;

    Settings() {
        if (const char* path = Path("PRISMWARP_PRESENT_LOG"))
            log = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (frameTimes && quitAfter > 0) times.reserve(2 * size_t(quitAfter));
    }

    void Time(long present) {
        times.push_back(Now(CLOCK_MONOTONIC));
        times.push_back(Now(CLOCK_PROCESS_CPUTIME_ID));
        if (server > 0 && present == from) serverFrom = ProcessCpu(server);
        if (server > 0 && present == quitAfter) serverEnd = ProcessCpu(server);
    }

    void WriteTimes() const {
        FILE* file = std::fopen(frameTimes, "w");
        if (!file) return;
        for (size_t i = 0; i + 1 < times.size(); i += 2)
            std::fprintf(file, "%lld %lld\n", static_cast<long long>(times[i]),
                         static_cast<long long>(times[i + 1]));
        if (serverFrom >= 0 && serverEnd >= 0)
            std::fprintf(file, "server %lld %lld\n", static_cast<long long>(serverFrom),
                         static_cast<long long>(serverEnd));
        std::fclose(file);
    }
};

} // namespace

extern "C" void SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h) {
    using UpdateRect = void (*)(SDL_Surface*, Sint32, Sint32, Uint32, Uint32);
    static const auto real = reinterpret_cast<UpdateRect>(dlsym(RTLD_NEXT, "SDL_UpdateRect"));
    static Settings settings;
    static long presented = 0;

    if (!settings.stopAt.empty() && presented == 0) raise(SIGSTOP);
    if (real) real(screen, x, y, w, h);
    ++presented;
    if (settings.frameTimes && presented <= settings.quitAfter) settings.Time(presented);

    if (settings.log >= 0) {
        // A frame that cannot be logged only makes the count short.
        [[maybe_unused]] const ssize_t written = write(settings.log, "f", 1);
    }
    for (const auto& [pressed, key] :
         {std::pair{settings.pressUp, SDLK_UP}, std::pair{settings.pressF11, SDLK_F11}}) {
        if (!pressed || presented != 1) continue;
        SDL_Event down = Key(SDL_KEYDOWN, key);
        SDL_PushEvent(&down);
    }
    if (presented == settings.quitAfter) {
        if (settings.frameTimes) settings.WriteTimes();
        SDL_Event quit = Quit();
        SDL_PushEvent(&quit);
    }
    for (const long stop : settings.stopAt) {
        if (presented != stop) continue;
        if (settings.surfaceDump) Dump(screen, settings.surfaceDump, presented);
        raise(SIGSTOP);
    }
    if (presented == settings.throwAt) {
        if (settings.throwInt) throw 1;
        throw std::runtime_error("thrown by the present hook");
    }
}
