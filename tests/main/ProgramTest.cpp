// The program as a whole: build/prismwarp started in a scratch folder, headless, with every
// presented frame counted by the present hook preloaded into it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BmpWriter.h"
#include "ProgramRun.h"
#include "ScratchDir.h"

namespace {

Rgb Stripes(int x, int y) {
    return {uint8_t(x * 7), uint8_t(y * 11), uint8_t((x + y) * 3 + 1)};
}

// The program started in `folder` under the given video driver, with the present hook
// library preloaded to count its frames into a file of its own, and with the hook's further
// `settings`. The minute it is given to start or to end only keeps a broken program from
// hanging the test.
class Program {
public:
    Program(const ScratchDir& folder, const std::string& driver,
            const std::vector<std::string>& settings = {})
        : presented(logs.File("presented")),
          run({PRISMWARP_PROGRAM}, Options(folder, driver, presented, settings)) {}

    ProgramRun& Run() { return run; }

    long Frames() const {
        struct stat info;
        return stat(presented.c_str(), &info) == 0 ? long(info.st_size) : 0;
    }

private:
    static ProgramOptions Options(const ScratchDir& folder, const std::string& driver,
                                  const std::string& presented, std::vector<std::string> settings) {
        ProgramOptions options;
        options.folder = folder.Path();
        settings.push_back("PRISMWARP_PRESENT_LOG=" + presented);
        options.environment = WithPresentHook(settings);
        options.environment.push_back("SDL_VIDEODRIVER=" + driver);
        return options;
    }

    // In this order: the run writes into the folder.
    ScratchDir logs;
    std::string presented;
    ProgramRun run;
};

// A run that fails: without the picture, or under a video driver SDL does not have, before
// any frame; and after an exception of a type that is not the program's own, thrown while it
// draws (here from its second present, by the hook), which is reported as the program's
// errors are, never let out of main to end the program without a word.
struct FailureCase {
    const char* name;
    const char* driver;
    bool picture;
    std::vector<std::string> settings; // of the present hook
    const char* err;
    long frames; // presented before the failure
};

std::ostream& operator<<(std::ostream& out, const FailureCase& c) {
    return out << c.name;
}

const FailureCase kFailures[] = {
    {"NoPicture",
     "dummy",
     false,
     {},
     "Unhandled Exception: Unable to Load Image make sure its in the directory!\n"
     "There is no lsd.bmp in FOLDER.\n\n",
     0},
    {"NoVideoDriver",
     "prismwarp-no-such-driver",
     true,
     {},
     "Unhandled Exception: Error Couldnt Initalize SDL!\n\n",
     0},
    {"StandardException",
     "dummy",
     true,
     {"PRISMWARP_THROW_AT=2", "PRISMWARP_THROW=runtime_error"},
     "Unhandled Exception: thrown by the present hook\n\n",
     2},
    {"NoClass",
     "dummy",
     true,
     {"PRISMWARP_THROW_AT=2", "PRISMWARP_THROW=int"},
     "Unhandled Exception: Unknown exception\n\n",
     2},
};

class ProgramFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ProgramFailure, ReportsOnStderrAndExitsWithStatus1) {
    const FailureCase& c = GetParam();
    ScratchDir folder;
    if (c.picture) WriteBmp24(folder.File("lsd.bmp"), 320, 240, Stripes);

    Program program(folder, c.driver, c.settings);
    ProgramRun& run = program.Run();
    ASSERT_TRUE(run.AwaitExit(60)) << "still running after a minute";
    ASSERT_LT(run.Status(), 128) << "ended by signal " << run.Status() - 128
                                 << ", stderr: " << run.Err();
    EXPECT_EQ(run.Status(), 1);
    std::string err = c.err;
    if (const std::size_t at = err.find("FOLDER"); at != std::string::npos)
        err.replace(at, 6, folder.Path());
    EXPECT_EQ(run.Err(), err);
    EXPECT_EQ(run.Out(), "");
    EXPECT_EQ(program.Frames(), c.frames);
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
