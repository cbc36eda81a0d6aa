// ProgramRun: posix_spawn with the output streams on files, and waiting by polling.
#include "ProgramRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

std::string Name(const std::string& var) {
    return var.substr(0, var.find('='));
}

// The caller's environment without a display and with the dummy video driver, then `env`
// in place of the caller's entries of the same names.
std::vector<std::string> HeadlessEnvironment(const std::vector<std::string>& env) {
    std::vector<std::string> replaced = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
    for (const std::string& var : env)
        replaced.push_back(Name(var));

    std::vector<std::string> result;
    for (char** e = environ; *e; ++e) {
        const std::string var = *e;
        if (std::find(replaced.begin(), replaced.end(), Name(var)) == replaced.end())
            result.push_back(var);
    }
    const auto driver = [](const std::string& var) { return Name(var) == "SDL_VIDEODRIVER"; };
    if (std::none_of(env.begin(), env.end(), driver)) result.push_back("SDL_VIDEODRIVER=dummy");
    result.insert(result.end(), env.begin(), env.end());
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

ProgramRun::ProgramRun(const std::vector<std::string>& argv, const std::string& folder,
                       const std::vector<std::string>& env) {
    const std::string out = output.File("stdout"), err = output.File("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    std::vector<std::string> args = argv;
    std::vector<std::string> environment = HeadlessEnvironment(env);
    const int spawned = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, Pointers(args).data(),
                                    Pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid = -1;
        throw std::runtime_error("cannot run " + args[0] + ": " + std::strerror(spawned));
    }
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
    if (waitpid(pid, &raw, WNOHANG) != pid) return false;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
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

bool Await(const std::function<bool()>& condition, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

ProgramResult RunProgram(const std::vector<std::string>& argv, int killAfterSeconds) {
    ProgramRun run(argv);
    if (!run.AwaitExit(killAfterSeconds)) {
        kill(run.Pid(), SIGKILL);
        run.AwaitExit(killAfterSeconds);
    }
    return {run.Status(), run.Out(), run.Err()};
}
