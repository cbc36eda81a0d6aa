// The program as a whole: build/prismwarp started in a scratch folder, headless, with every
// presented frame counted by the present hook preloaded into it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "BmpWriter.h"
#include "ProgramRun.h"
#include "ScratchDir.h"

namespace {

Rgb Stripes(int x, int y) {
    return {uint8_t(x * 7), uint8_t(y * 11), uint8_t((x + y) * 3 + 1)};
}

// The program started in `folder` under the given video driver, with the present hook
// library preloaded to count its frames into a file of its own. The minute it is given
// to start or to end only keeps a broken program from hanging the test.
class Program {
public:
    Program(const ScratchDir& folder, const std::string& driver)
        : presented(logs.File("presented")),
          run({PRISMWARP_PROGRAM}, Options(folder, driver, presented)) {}

    ProgramRun& Run() { return run; }

    long Frames() const {
        struct stat info;
        return stat(presented.c_str(), &info) == 0 ? long(info.st_size) : 0;
    }

private:
    static ProgramOptions Options(const ScratchDir& folder, const std::string& driver,
                                  const std::string& presented) {
        ProgramOptions options;
        options.folder = folder.Path();
        options.environment = {"SDL_VIDEODRIVER=" + driver,
                               std::string("LD_PRELOAD=") + PRISMWARP_PRESENT_LOG_LIB,
                               "PRISMWARP_PRESENT_LOG=" + presented, SanitizerOptions()};
        return options;
    }

    // A sanitized build would otherwise refuse a library loaded ahead of its runtime.
    static std::string SanitizerOptions() {
        const char* given = std::getenv("ASAN_OPTIONS");
        return std::string("ASAN_OPTIONS=") + (given ? std::string(given) + ":" : "") +
               "verify_asan_link_order=0";
    }

    // In this order: the run writes into the folder.
    ScratchDir logs;
    std::string presented;
    ProgramRun run;
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

    Program program(folder, c.driver);
    ProgramRun& run = program.Run();
    ASSERT_TRUE(run.AwaitExit(60)) << "still running after a minute";
    ASSERT_LT(run.Status(), 128) << "ended by signal " << run.Status() - 128;
    EXPECT_EQ(run.Status(), 1);
    EXPECT_EQ(run.Err(), c.err);
    EXPECT_EQ(run.Out(), "");
    EXPECT_EQ(program.Frames(), 0);
}

INSTANTIATE_TEST_SUITE_P(Program, ProgramFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

struct RunCase {
    int width, height; // of the picture
    int signal;        // that tells the program to quit
    const char* name;
};

std::ostream& operator<<(std::ostream& out, const RunCase& c) {
    return out << c.name;
}

class ProgramRuns : public ::testing::TestWithParam<RunCase> {};

// The program draws until it is told to quit; SDL turns SIGTERM and SIGINT into the same
// quit event that closing the window sends, so the run ends the normal way, with status 0.
TEST_P(ProgramRuns, DrawsFramesUntilQuitThenExitsWithStatus0) {
    const auto [width, height, signal, name] = GetParam();
    ScratchDir folder;
    WriteBmp24(folder.File("lsd.bmp"), width, height, Stripes);

    Program program(folder, "dummy");
    ProgramRun& run = program.Run();
    ASSERT_TRUE(Await([&] { return program.Frames() >= 3 || run.Exited(); }, 60))
        << "no frame presented after a minute";
    ASSERT_FALSE(run.Exited()) << "ended on its own, status " << run.Status()
                               << ", stderr: " << run.Err();

    ASSERT_EQ(kill(run.Pid(), signal), 0);
    ASSERT_TRUE(run.AwaitExit(60)) << "did not quit on signal " << signal;
    ASSERT_LT(run.Status(), 128) << "ended by signal " << run.Status() - 128;
    EXPECT_EQ(run.Status(), 0);
    EXPECT_EQ(run.Err(), "");
}

INSTANTIATE_TEST_SUITE_P(Program, ProgramRuns,
                         ::testing::Values(RunCase{320, 240, SIGTERM, "Picture320x240Term"},
                                           RunCase{100, 50, SIGINT, "Picture100x50Int"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
