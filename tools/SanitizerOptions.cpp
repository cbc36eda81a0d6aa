// SanitizerOptions: the defaults every sanitized program of ours runs with, wherever it is
// started from: errors end the program, leaks are checked where SDL draws into memory alone,
// and the known leaks inside the SDL libraries are suppressed. Variables such as
// ASAN_OPTIONS still override them.
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The sanitizers ask for their options while the process starts: before the C library has
// set up the environment, and before their own interceptors work, of open and read as of
// every call they check. So the environment is read from /proc/self/environ with plain
// system calls, by code the sanitizers leave alone. An environment too large for the buffer
// is read up to its end.
#define PRISMWARP_UNCHECKED __attribute__((no_sanitize("address", "undefined")))

char environment[256 * 1024]; // "NAME=value" entries, each ended by a 0
long environmentSize = -1;

PRISMWARP_UNCHECKED void ReadEnvironment() {
    environmentSize = 0;
    const long fd = syscall(SYS_openat, AT_FDCWD, "/proc/self/environ", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    // The last byte stays 0, so that a cut entry still ends.
    const long room = long(sizeof environment) - 1;
    while (environmentSize < room) {
        const long n = syscall(SYS_read, fd, environment + environmentSize, room - environmentSize);
        if (n <= 0) break;
        environmentSize += n;
    }
    syscall(SYS_close, fd);
}

// The value of `name` in the environment the process was started with; null when unset.
PRISMWARP_UNCHECKED const char* Variable(const char* name) {
    if (environmentSize < 0) ReadEnvironment();
    for (long entry = 0; entry < environmentSize;) {
        long i = 0;
        while (name[i] != 0 && environment[entry + i] == name[i])
            ++i;
        if (name[i] == 0 && environment[entry + i] == '=') return environment + entry + i + 1;
        while (entry < environmentSize && environment[entry] != 0)
            ++entry;
        ++entry;
    }
    return nullptr;
}

PRISMWARP_UNCHECKED bool IsSet(const char* name) {
    const char* value = Variable(name);
    return value && *value;
}

// True where SDL may show a window on a display: one is named, and the dummy driver, which
// draws into memory alone (the headless tests choose it), is not chosen.
PRISMWARP_UNCHECKED bool OnADisplay() {
    const char* driver = Variable("SDL_VIDEODRIVER");
    const char* dummy = "dummy";
    int i = 0;
    while (driver && dummy[i] != 0 && driver[i] == dummy[i])
        ++i;
    if (driver && dummy[i] == 0 && driver[i] == 0) return false;
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

} // namespace

// Headless, malloc stacks are taken in full, so that the suppressions can see the SDL calls
// they name (SDL is built without frame pointers). On a display SDL may load a GL driver
// whose JIT registers unwind tables of its own; the full unwinding of every malloc then
// deadlocks on libgcc's lock of those tables, so stacks are taken the fast way there. Nor are
// leaks checked there: the driver's come from a library that SDL_Quit has unloaded by then,
// which no suppression can name. Memory errors and undefined behaviour stay fatal on both.
extern "C" PRISMWARP_UNCHECKED const char* __asan_default_options() {
    return OnADisplay() ? "halt_on_error=1:abort_on_error=1:detect_leaks=0:fast_unwind_on_malloc=1"
                        : "halt_on_error=1:abort_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0";
}

extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0:suppressions=" PRISMWARP_LSAN_SUPPRESSIONS;
}

extern "C" const char* __ubsan_default_options() {
    return "halt_on_error=1:print_stacktrace=1";
}
