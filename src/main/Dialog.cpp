// Dialog: finding a dialog tool, running it with our own streams kept to ourselves, and
// falling back to the next tool when one cannot run.
#include "main/Dialog.h"

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "frame/Platform.h"
#include "frame/Xlib.h"

extern char** environ;

namespace {

// True when the variable holds a value; an empty DISPLAY names no display.
bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

enum class Outcome { Shown, NotRun, Stopped };

// The signals whose default action ends the process. While the box is up each of them ends
// the box and then the program, as it would have ended the program alone. Those a fault
// raises (SIGSEGV and the like) count only as sent by another process: a fault of our own
// in the short wait for the tool ends the process whatever the signal mask says.
std::vector<int> EndingSignals() {
    std::vector<int> signals = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                                SIGFPE,  SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                                SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGSYS};
#ifdef SIGSTKFLT
    signals.push_back(SIGSTKFLT);
#endif
#ifdef SIGPWR
    signals.push_back(SIGPWR);
#endif
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        signals.push_back(signal);
    return signals;
}

// The depth of the default screen of the X display DISPLAY names; 0 where it cannot be told
// (no display to reach, no Xlib). Xlib is loaded for the question alone, as SDL loads it
// itself. What it says on a refused connection, which SDL's own attempt has already said, is
// kept off stderr.
int XDisplayDepth() {
    const Xlib xlib = Xlib::Load();
    using OpenDisplay = void* (*)(const char*);
    using DefaultScreen = int (*)(void*);
    using DefaultDepth = int (*)(void*, int);
    using CloseDisplay = int (*)(void*);
    const auto openDisplay = xlib.Find<OpenDisplay>("XOpenDisplay");
    const auto defaultScreen = xlib.Find<DefaultScreen>("XDefaultScreen");
    const auto defaultDepth = xlib.Find<DefaultDepth>("XDefaultDepth");
    const auto closeDisplay = xlib.Find<CloseDisplay>("XCloseDisplay");
    if (!openDisplay || !defaultScreen || !defaultDepth || !closeDisplay) return 0;
    const int err = fcntl(2, F_DUPFD_CLOEXEC, 3);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (err >= 0 && null >= 0) dup2(null, 2);
    void* display = openDisplay(nullptr);
    if (err >= 0 && null >= 0) dup2(err, 2);
    for (const int fd : {err, null})
        if (fd >= 0) close(fd);
    if (!display) return 0;
    const int depth = defaultDepth(display, defaultScreen(display));
    closeDisplay(display);
    return depth;
}

// A tool that exits like this never showed its box: the shell's and the loader's "cannot
// execute" and "not found" (a missing library), a crash, and the tool's own error status,
// where it has one that closing the box cannot give (zenity exits with -1 on bad options).
// Closing zenity's or xmessage's box gives 1, as their failing to open the display does,
// so 1 counts as shown.
bool NeverShown(int status, int toolError) {
    if (WIFSIGNALED(status)) {
        switch (WTERMSIG(status)) {
        case SIGABRT:
        case SIGSEGV:
        case SIGBUS:
        case SIGILL:
        case SIGFPE:
        case SIGTRAP: return true;
        default: return false;
        }
    }
    const int code = WEXITSTATUS(status);
    return code == 126 || code == 127 || code == toolError;
}

// Runs the tool at `path` with its standard streams on /dev/null, so that it can never
// wait on our input nor write into our output, and waits until it ends. Every signal that
// would end the process ends the tool instead, and `stop` tells which; the process ends by
// it afterwards.
Outcome Run(const std::string& path, const std::vector<const char*>& argv, int toolError,
            int& stop) {
    // A signal the process was started to ignore (nohup, a background job) stays ignored.
    sigset_t stops, waits, old;
    sigemptyset(&stops);
    for (const int signal : EndingSignals()) {
        struct sigaction action;
        if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN)
            sigaddset(&stops, signal);
    }
    waits = stops;
    sigaddset(&waits, SIGCHLD);
    pthread_sigmask(SIG_BLOCK, &waits, &old);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setsigmask(&attributes, &old);
    posix_spawnattr_setsigdefault(&attributes, &stops);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, &attributes,
                                    const_cast<char* const*>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);

    Outcome outcome = Outcome::NotRun;
    if (spawned == 0) {
        // SIGCHLD wakes the wait when the tool ends; the tick covers a parent that had
        // SIGCHLD ignored, where the kernel sends none.
        const timespec tick = {0, 100 * 1000 * 1000};
        int status = 0;
        for (;;) {
            const pid_t ended = waitpid(pid, &status, WNOHANG);
            if (ended == pid) {
                outcome = NeverShown(status, toolError) ? Outcome::NotRun : Outcome::Shown;
                break;
            }
            if (ended < 0 && errno != EINTR) {
                outcome = Outcome::Shown; // reaped for us: no status to judge by
                break;
            }
            const int signal = sigtimedwait(&waits, nullptr, &tick);
            if (signal > 0 && signal != SIGCHLD) {
                kill(pid, SIGTERM);
                while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
                }
                stop = signal;
                outcome = Outcome::Stopped;
                break;
            }
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return outcome;
}

} // namespace

void Dialog::Show(const std::string& caption, const std::string& text) {
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) return;
    const char* c = caption.c_str();
    const char* t = text.c_str();
    struct Tool {
        const char* name;
        std::vector<const char*> argv;
        int error;    // an exit status that says the box was never shown, beyond the usual
        int minDepth; // the fewest bits a pixel of an X display it draws on
    };
    // zenity draws through GTK, which leaves its box empty on an X display of fewer than 15
    // bits (no TrueColor visual there); xmessage draws at any depth.
    const Tool tools[] = {
        {"zenity",
         {"zenity", "--error", "--no-markup", "--title", c, "--text", t, nullptr},
         255,
         15},
        {"kdialog", {"kdialog", "--title", c, "--error", t, nullptr}, -1, 0},
        {"xmessage", {"xmessage", "-title", c, "-buttons", "OK:0", "-center", t, nullptr}, -1, 0},
    };
    // Wayland has no such depths; the X display's is asked for once, when a tool needs it.
    const bool onX = !IsSet("WAYLAND_DISPLAY");
    int depth = -1;
    for (const Tool& tool : tools) {
        const std::string path = Find(tool.name);
        if (path.empty()) continue;
        if (onX && tool.minDepth > 0) {
            if (depth < 0) depth = XDisplayDepth();
            if (depth > 0 && depth < tool.minDepth) continue;
        }
        int stop = 0;
        const Outcome outcome = Run(path, tool.argv, tool.error, stop);
        if (outcome == Outcome::Stopped) Platform::EndBy(stop);
        if (outcome == Outcome::Shown) return;
    }
}

std::string Dialog::SearchPath() {
    return IsSet("PATH") ? std::getenv("PATH") : "/usr/local/bin:/usr/bin:/bin";
}

std::string Dialog::Find(const std::string& name) {
    std::istringstream folders(SearchPath());
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string file = (folder.empty() ? "." : folder) + "/" + name;
        if (access(file.c_str(), X_OK) == 0) return file;
    }
    return "";
}

#endif
