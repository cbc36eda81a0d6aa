// The program as a whole: build/prismwarp started in a scratch folder, headless, with every
// presented frame counted by the PresentLog library preloaded into it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BmpWriter.h"
#include "ScratchDir.h"

extern char** environ;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

Rgb Stripes(int x, int y) {
    return {uint8_t(x * 7), uint8_t(y * 11), uint8_t((x + y) * 3 + 1)};
}

// Polls until the condition holds or a minute has passed; true when it held. The limit
// only keeps a broken program from hanging the test.
bool Await(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// One run of the program in `folder`, under the given video driver, without any display
// to show a dialog on. Its stdout, stderr and frame count go to a folder of their own.
class ProgramRun {
public:
    ProgramRun(const ScratchDir& folder, const std::string& driver) {
        std::vector<std::string> env;
        std::string asan = "ASAN_OPTIONS=";
        for (char** e = environ; *e; ++e) {
            const std::string var = *e;
            const std::string name = var.substr(0, var.find('='));
            if (name == "ASAN_OPTIONS")
                asan = var + ":";
            else if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "SDL_VIDEODRIVER" &&
                     name != "LD_PRELOAD" && name != "PRISMWARP_PRESENT_LOG")
                env.push_back(var);
        }
        env.push_back("SDL_VIDEODRIVER=" + driver);
        env.push_back(std::string("LD_PRELOAD=") + PRISMWARP_PRESENT_LOG_LIB);
        env.push_back("PRISMWARP_PRESENT_LOG=" + logs.File("presented"));
        // A sanitized build would otherwise refuse a library loaded ahead of its runtime.
        env.push_back(asan + "verify_asan_link_order=0");

        std::vector<char*> envp;
        for (std::string& var : env)
            envp.push_back(var.data());
        envp.push_back(nullptr);
        char program[] = PRISMWARP_PROGRAM;
        char* argv[] = {program, nullptr};
        const std::string out = logs.File("stdout"), err = logs.File("stderr");

        pid = fork();
        if (pid == 0) {
            // Only calls that are safe between fork and exec from here on.
            const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (chdir(folder.Path().c_str()) != 0 || outFd < 0 || errFd < 0 || dup2(outFd, 1) < 0 ||
                dup2(errFd, 2) < 0)
                _exit(126);
            execve(program, argv, envp.data());
            _exit(127);
        }
    }

    // Ends the program by its pid if it is still running.
    ~ProgramRun() {
        if (pid > 0 && !exited) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }

    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool Started() const { return pid > 0; }

    // True once the program has ended; its status is then in `status`.
    bool Exited() {
        if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
        return exited;
    }

    bool AwaitExit() {
        return Await([this] { return Exited(); });
    }

    long Frames() const {
        struct stat info;
        return stat(logs.File("presented").c_str(), &info) == 0 ? long(info.st_size) : 0;
    }

    std::string Out() const { return ReadFile(logs.File("stdout")); }
    std::string Err() const { return ReadFile(logs.File("stderr")); }

    pid_t pid = -1;
    int status = 0;

private:
    ScratchDir logs;
    bool exited = false;
};

struct FailureCase {
    const char* name;
    const char* driver;
    bool picture;
    const char* err;
};

std::ostream& operator<<(std::ostream& out, const FailureCase& c) {
    return out << c.name;
}

const FailureCase kFailures[] = {
    {"NoPicture", "dummy", false,
     "Unhandled Exception: Unable to Load Image make sure its in the directory!\n\n"},
    {"NoVideoDriver", "prismwarp-no-such-driver", true,
     "Unhandled Exception: Error Couldnt Initalize SDL!\n\n"},
};

class ProgramFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ProgramFailure, ReportsOnStderrAndExitsWithStatus1WithoutAFrame) {
    const FailureCase& c = GetParam();
    ScratchDir folder;
    if (c.picture) WriteBmp24(folder.File("lsd.bmp"), 320, 240, Stripes);

    ProgramRun run(folder, c.driver);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.AwaitExit()) << "still running after a minute";
    ASSERT_TRUE(WIFEXITED(run.status)) << "ended by signal " << WTERMSIG(run.status);
    EXPECT_EQ(WEXITSTATUS(run.status), 1);
    EXPECT_EQ(run.Err(), c.err);
    EXPECT_EQ(run.Out(), "");
    EXPECT_EQ(run.Frames(), 0);
}

INSTANTIATE_TEST_SUITE_P(Program, ProgramFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

class ProgramRuns : public ::testing::TestWithParam<std::pair<int, int>> {};

// The program draws until it is told to quit; SDL turns SIGTERM into the same quit event
// that closing the window sends, so the run ends the normal way, with status 0.
TEST_P(ProgramRuns, DrawsFramesUntilQuitThenExitsWithStatus0) {
    const auto [width, height] = GetParam();
    ScratchDir folder;
    WriteBmp24(folder.File("lsd.bmp"), width, height, Stripes);

    ProgramRun run(folder, "dummy");
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(Await([&] { return run.Frames() >= 3 || run.Exited(); }))
        << "no frame presented after a minute";
    ASSERT_FALSE(run.Exited()) << "ended on its own, status " << run.status
                               << ", stderr: " << run.Err();

    ASSERT_EQ(kill(run.pid, SIGTERM), 0);
    ASSERT_TRUE(run.AwaitExit()) << "did not quit on SIGTERM";
    ASSERT_TRUE(WIFEXITED(run.status)) << "ended by signal " << WTERMSIG(run.status);
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    EXPECT_EQ(run.Err(), "");
}

INSTANTIATE_TEST_SUITE_P(Program, ProgramRuns,
                         ::testing::Values(std::make_pair(320, 240), std::make_pair(100, 50)),
                         [](const auto& info) {
                             return "Picture" + std::to_string(info.param.first) + "x" +
                                    std::to_string(info.param.second);
                         });

} // namespace
