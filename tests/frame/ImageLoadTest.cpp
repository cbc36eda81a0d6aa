// ImageLoad: the header check before SDL reads a file lets through every file SDL can read
// and refuses files too short for the pixels they declare.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "BmpFlavours.h"
#include "ScratchDir.h"
#include "frame/Image.h"

using bmpflavours::Flavour;

namespace {

using Bytes = std::vector<uint8_t>;

struct Case {
    const char* name;
    std::function<Bytes()> file;
    bool loads;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// A 7 x 5 24-bit picture: rows of 21 bytes and 3 of padding.
Bytes Picture(size_t cut) {
    Bytes b = bmpflavours::Write(Flavour::Bgr24, 7, 5);
    b.resize(b.size() - cut);
    return b;
}

// The file with the 32-bit header field at `at` set to v.
Bytes With(Bytes b, size_t at, uint32_t v) {
    bmpflavours::Patch32(b, at, v);
    return b;
}

// One pixel and the end of the picture, in a header declaring width x height: SDL leaves
// the rest black.
Bytes Rle8(uint32_t width, uint32_t height) {
    return With(With(bmpflavours::Write(Flavour::Rle8, 1, 1), 18, width), 22, height);
}

const Case kCases[] = {
    {"Whole", [] { return Picture(0); }, true},
    // SDL reads the padding of the last row too.
    {"LastPaddingMissing", [] { return Picture(3); }, false},
    {"LastRowOneByteShort", [] { return Picture(4); }, false},
    {"OneRowMoreThanTheFileHolds", [] { return With(Picture(0), 22, 6); }, false},
    {"TopDownWhole", [] { return bmpflavours::Write(Flavour::Bgr24TopDown, 7, 5); }, true},
    // Run-length pictures may declare far more pixels than bytes, up to 64 MiB of surface.
    {"Rle8Of8192x8192", [] { return Rle8(8192, 8192); }, true},
    {"Rle8Of8192x8193", [] { return Rle8(8192, 8193); }, false},
    {"Rle8Of1x16777217", [] { return Rle8(1, 16777217); }, false},
};

class ImageLoad : public testing::TestWithParam<Case> {};

TEST_P(ImageLoad, LoadsWhatSdlCanRead) {
    ScratchDir scratch;
    scratch.Enter();
    ASSERT_TRUE(bmpflavours::SaveFile("lsd.bmp", GetParam().file()));
    Image image;
    EXPECT_EQ(image.Load("lsd.bmp"), GetParam().loads) << SDL_GetError();
    EXPECT_EQ(image.surface != nullptr, GetParam().loads);
}

INSTANTIATE_TEST_SUITE_P(Files, ImageLoad, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

#ifndef _WIN32
// A link to a picture is read as the picture; a link to a folder, a FIFO or a device is
// refused at once, before anything is read from it. (Links and FIFOs as POSIX has them.)
TEST(ImageLoadFile, FollowsLinksToRegularFilesOnly) {
    ScratchDir scratch;
    scratch.Enter();
    ASSERT_TRUE(bmpflavours::SaveFile("picture.bmp", Picture(0)));
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    const struct {
        const char* target;
        bool loads;
    } links[] = {{"picture.bmp", true}, {".", false}, {"fifo", false}, {"/dev/zero", false}};
    for (const auto& link : links) {
        SCOPED_TRACE(link.target);
        std::remove("lsd.bmp");
        ASSERT_EQ(symlink(link.target, "lsd.bmp"), 0);
        Image image;
        EXPECT_EQ(image.Load("lsd.bmp"), link.loads);
    }
}
#endif

} // namespace
