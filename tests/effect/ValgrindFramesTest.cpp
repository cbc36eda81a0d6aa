// ValgrindFrames: a few frames of the program's loop with the overlay on, under valgrind
// memcheck: no invalid access, nothing definitely lost outside the SDL libraries.
#include <gtest/gtest.h>

#include "BmpFlavours.h"
#include "ProgramRun.h"
#include "ScratchDir.h"

using bmpflavours::Flavour;

namespace {

struct Picture {
    const char* name;
    Flavour flavour;
    int width, height;
};

void PrintTo(const Picture& p, std::ostream* out) {
    *out << p.name;
}

const Picture kPictures[] = {
    {"Palettized", Flavour::Pal8, 400, 300},   // larger than the screen
    {"SixteenBit", Flavour::Rgb565, 200, 150}, // smaller: black around it
    {"Tiny", Flavour::Bgr24, 1, 1},
};

class ValgrindFrames : public testing::TestWithParam<Picture> {};

TEST_P(ValgrindFrames, OverlayFramesAreClean) {
    const Picture& p = GetParam();
    ScratchDir scratch;
    scratch.Enter();
    ASSERT_TRUE(bmpflavours::SaveFile("lsd.bmp", bmpflavours::Write(p.flavour, p.width, p.height)));

    const ProgramResult run = RunProgram(
        {VALGRIND_PROGRAM, "--tool=memcheck", "--leak-check=full",
         "--errors-for-leak-kinds=definite", "--show-leak-kinds=definite", "--error-exitcode=99",
         "--suppressions=" VALGRIND_SUPPRESSIONS, FRAME_HARNESS, "3"},
        600);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("ERROR SUMMARY: 0 errors"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Pictures, ValgrindFrames, testing::ValuesIn(kPictures),
                         [](const testing::TestParamInfo<Picture>& info) {
                             return info.param.name;
                         });

} // namespace
