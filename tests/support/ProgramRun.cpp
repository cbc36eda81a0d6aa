// ProgramRun: fork and exec with the output streams on files, and waiting by polling.
#include "ProgramRun.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

// Applies "NAME=value" (set) and "NAME" (remove) to the environment.
void Change(std::vector<std::string>& env, const std::string& change) {
    const std::string name = change.substr(0, change.find('='));
    for (auto it = env.begin(); it != env.end();)
        it = it->compare(0, name.size() + 1, name + "=") == 0 ? env.erase(it) : it + 1;
    if (change.find('=') != std::string::npos) env.push_back(change);
}

// The caller's environment without a display and with the dummy video driver, then the
// changes asked for.
std::vector<std::string> Environment(const std::vector<std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.push_back(*e);
    for (const char* change : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER=dummy"})
        Change(env, change);
    for (const std::string& change : changes)
        Change(env, change);
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ProgramRun::ProgramRun(const std::vector<std::string>& argv, const ProgramOptions& options) {
    const std::string outPath = output.File("stdout"), errPath = output.File("stderr");
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (out < 0 || err < 0 || null < 0) throw std::runtime_error("cannot open the output files");
    // A pipe whose reading end is closed here, before the program starts.
    int broken[2] = {-1, -1};
    if (!options.brokenPipes.empty()) {
        if (pipe2(broken, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
        close(broken[0]);
    }

    std::vector<std::string> args = argv;
    std::vector<std::string> env = Environment(options.environment);
    const std::vector<char*> argp = Pointers(args), envp = Pointers(env);
    const char* folder = options.folder.empty() ? nullptr : options.folder.c_str();

    pid = fork();
    if (pid == 0) {
        // Only calls that are safe between fork and exec from here on. dup2 clears the
        // close-on-exec flag of the copies alone.
        if (dup2(null, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
        for (int fd : options.brokenPipes)
            if (dup2(broken[1], fd) < 0) _exit(126);
        for (int fd : options.closed)
            close(fd);
        // Signals as a fresh login would have them, whatever the test runner ignores, and
        // then those asked for ignored.
        for (int s = 1; s < NSIG; ++s)
            if (s != SIGKILL && s != SIGSTOP) signal(s, SIG_DFL);
        for (int s : options.ignored)
            signal(s, SIG_IGN);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (options.memoryLimit) {
            const rlimit limit = {rlim_t(options.memoryLimit), rlim_t(options.memoryLimit)};
            if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
        }
        if (folder && chdir(folder) != 0) _exit(126);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    const int forkError = errno;
    for (int fd : {out, err, null, broken[1]})
        if (fd >= 0) close(fd);
    if (pid < 0)
        throw std::runtime_error("cannot run " + args[0] + ": " + std::strerror(forkError));
}

ProgramRun::~ProgramRun() {
    if (!Exited()) {
        kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

bool ProgramRun::Exited() {
    if (status >= 0) return true;
    int raw = 0;
    rusage usage = {};
    if (wait4(pid, &raw, WNOHANG, &usage) != pid) return false;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    peakKiB = usage.ru_maxrss;
    return true;
}

bool ProgramRun::AwaitExit(int seconds) {
    return Await([this] { return Exited(); }, seconds);
}

std::string ProgramRun::Out() const {
    return ReadFile(output.File("stdout"));
}

std::string ProgramRun::Err() const {
    return ReadFile(output.File("stderr"));
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> WithPresentHook(const std::vector<std::string>& settings) {
    // A sanitized program would refuse a library loaded ahead of the sanitizers' runtime.
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::vector<std::string> changes = {std::string("LD_PRELOAD=") + PRISMWARP_PRESENT_HOOK,
                                        "ASAN_OPTIONS=" + (asan ? std::string(asan) + ":" : "") +
                                            "verify_asan_link_order=0"};
    changes.insert(changes.end(), settings.begin(), settings.end());
    return changes;
}

bool Await(const std::function<bool()>& condition, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

ProgramResult RunProgram(const std::vector<std::string>& argv, int killAfterSeconds,
                         const ProgramOptions& options) {
    ProgramRun run(argv, options);
    bool signalled = !options.signalWhen;
    const auto ended = [&] {
        if (!signalled && options.signalWhen()) {
            kill(run.Pid(), options.signal);
            signalled = true;
        }
        return run.Exited();
    };
    if (!Await(ended, killAfterSeconds)) {
        kill(run.Pid(), SIGKILL);
        run.AwaitExit(killAfterSeconds);
    }
    return {run.Status(), run.Out(), run.Err(), run.PeakKiB()};
}
