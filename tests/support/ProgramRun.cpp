// ProgramRun: fork and exec with both output streams on pipes, read until both close.
#include "ProgramRun.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The caller's environment without a display, with the dummy video driver.
std::vector<std::string> HeadlessEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string var = *e;
        if (var.rfind("DISPLAY=", 0) == 0 || var.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
            var.rfind("SDL_VIDEODRIVER=", 0) == 0)
            continue;
        env.push_back(var);
    }
    env.push_back("SDL_VIDEODRIVER=dummy");
    return env;
}

// Applies "NAME=value" (set) and "NAME" (remove) to the environment.
void Change(std::vector<std::string>& env, const std::string& change) {
    const std::string name = change.substr(0, change.find('='));
    for (auto it = env.begin(); it != env.end();)
        it = it->compare(0, name.size() + 1, name + "=") == 0 ? env.erase(it) : it + 1;
    if (change.find('=') != std::string::npos) env.push_back(change);
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv, int killAfterSeconds) {
    return RunProgram(argv, killAfterSeconds, ProgramOptions());
}

ProgramResult RunProgram(const std::vector<std::string>& argv, int killAfterSeconds,
                         const ProgramOptions& options) {
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");

    std::vector<std::string> args = argv;
    std::vector<std::string> env = HeadlessEnvironment();
    for (const std::string& change : options.environment)
        Change(env, change);
    const std::vector<char*> argp = Pointers(args), envp = Pointers(env);

    const pid_t pid = fork();
    if (pid == 0) {
        // Only calls that are safe between fork and exec from here on.
        const int null = open("/dev/null", O_RDONLY);
        if (null < 0 || dup2(null, 0) < 0 || dup2(outPipe[1], 1) < 0 || dup2(errPipe[1], 2) < 0)
            _exit(126);
        for (int fd : {null, outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            if (fd > 2) close(fd);
        for (int fd : options.closed)
            close(fd);
        // Signals as a fresh login would have them, whatever the test runner ignores.
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGCHLD})
            signal(s, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (options.memoryLimit) {
            const rlimit limit = {rlim_t(options.memoryLimit), rlim_t(options.memoryLimit)};
            if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
        }
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        throw std::runtime_error("cannot run " + args[0] + ": " + std::strerror(errno));
    }

    ProgramResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(killAfterSeconds);
    bool signalled = !options.signalWhen;
    bool ended = false;
    int status = 0;
    rusage usage = {};
    for (int open = 2;;) {
        if (!signalled && options.signalWhen()) {
            kill(pid, options.signal);
            signalled = true;
        }
        // Once its output is closed (or was closed from the start), the program's end is
        // looked for every 20 ms.
        if (open == 0 && wait4(pid, &status, WNOHANG, &usage) == pid) {
            ended = true;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        int wait = left.count() > 0 ? int(left.count()) : 0;
        if ((!signalled || open == 0) && wait > 20) wait = 20;
        const int ready = poll(fds, 2, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) break;
        if (ready == 0 && std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, size_t(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& fd : fds)
        if (fd.fd >= 0) close(fd.fd);

    while (!ended && wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.peakKiB = usage.ru_maxrss;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}
