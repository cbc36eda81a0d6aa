// BrokenPicture: whatever sits at lsd.bmp instead of a BMP, the program reports the picture
// error, exits with status 1 and draws nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "BmpFlavours.h"
#include "BmpWriter.h"
#include "ProgramRun.h"
#include "ScratchDir.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A written 1 x 1 BMP whose headers are patched to declare the given picture, with `data`
// bytes of zeros after them.
Bytes Header(int32_t width, int32_t height, uint16_t bits, uint32_t compression, size_t data) {
    Bytes b = EncodeBmp24(1, 1, [](int, int) { return Rgb{}; });
    b.resize(54);
    b.resize(54 + data, 0);
    bmpflavours::Patch32(b, 2, uint32_t(b.size())); // file size
    bmpflavours::Patch32(b, 18, uint32_t(width));
    bmpflavours::Patch32(b, 22, uint32_t(height));
    bmpflavours::Patch16(b, 28, bits);
    bmpflavours::Patch32(b, 30, compression);
    bmpflavours::Patch32(b, 34, uint32_t(data)); // size of the pixels
    return b;
}

uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

void PutBig32(Bytes& out, uint32_t v) {
    for (int i = 3; i >= 0; --i)
        out.push_back(uint8_t(v >> (8 * i)));
}

void Chunk(Bytes& png, const char* type, const Bytes& data) {
    PutBig32(png, uint32_t(data.size()));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBig32(png, Crc32(png.data() + start, png.size() - start));
}

// A valid 2x2 red PNG: its pixels in one stored (uncompressed) deflate block.
Bytes Png() {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    PutBig32(ihdr, 2);
    PutBig32(ihdr, 2);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0}); // 8-bit RGB
    Chunk(png, "IHDR", ihdr);
    const Bytes raw = {0, 255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0};
    Bytes idat = {0x78, 0x01, 0x01, uint8_t(raw.size()), 0, uint8_t(~raw.size()), 0xFF};
    idat.insert(idat.end(), raw.begin(), raw.end());
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(idat, b << 16 | a);
    Chunk(png, "IDAT", idat);
    Chunk(png, "IEND", {});
    return png;
}

// The error text for a picture in `folder` and the line that says what is wrong with it, as
// the table gives it: FOLDER stands for the folder's path.
std::string PictureError(const ScratchDir& folder, std::string why) {
    if (why.rfind("There is", 0) != 0) why = "lsd.bmp in FOLDER " + why;
    why.replace(why.find("FOLDER"), 6, folder.Path());
    return "Unhandled Exception: Unable to Load Image make sure its in the directory!\n" + why +
           "\n\n";
}

void Save(const Bytes& bytes) {
    ASSERT_TRUE(bmpflavours::SaveFile("lsd.bmp", bytes));
}

Bytes Truncated(size_t keep) {
    Bytes b = bmpflavours::Write(bmpflavours::Flavour::Bgr24, 64, 64);
    b.resize(keep);
    return b;
}

struct Case {
    const char* name;
    std::function<void()> make; // puts the broken lsd.bmp into the working directory
    // The line that says what is wrong, after "lsd.bmp in FOLDER " where it does not start
    // with "There is".
    const char* why;
};

const char* const kNotBmp = "is not a BMP picture.";
const char* const kCannotRead = "is a BMP picture this program cannot read.";

const Case kCases[] = {
    {"Missing", [] {}, "There is no lsd.bmp in FOLDER."},
    {"Empty", [] { Save({}); }, kNotBmp},
    {"JustTheMagic",
     [] {
         Save({'B', 'M'});
     },
     kCannotRead},
    {"HeaderAlone", [] { Save(Truncated(54)); }, kCannotRead},
    {"TruncatedInTheRows", [] { Save(Truncated(54 + 64 * 64 * 3 / 2)); }, kCannotRead},
    {"LastRowCut", [] { Save(Truncated(54 + 64 * 64 * 3 - 10)); }, kCannotRead},
    {"Huge24Bit", [] { Save(Header(100000, 100000, 24, 0, 64)); }, kCannotRead},
    {"Huge32Bit", [] { Save(Header(60000, 60000, 32, 0, 64)); }, kCannotRead},
    {"HugeRle8", [] { Save(Header(60000, 60000, 8, 1, 64)); }, kCannotRead},
    {"TallestTopDown", [] { Save(Header(1, INT32_MIN, 24, 0, 64)); }, kCannotRead},
    {"OneRowOf100MPixels", [] { Save(Header(100000000, 1, 32, 0, 64)); }, kCannotRead},
    {"WidestRow", [] { Save(Header(INT32_MAX, 1, 24, 0, 64)); }, kCannotRead},
    {"ZeroWidth", [] { Save(Header(0, 10, 24, 0, 64)); }, kCannotRead},
    {"NegativeWidth", [] { Save(Header(-5, 10, 24, 0, 64)); }, kCannotRead},
    {"ZeroHeight", [] { Save(Header(10, 0, 24, 0, 64)); }, kCannotRead},
    {"NoBitsPerPixel", [] { Save(Header(4, 4, 0, 0, 64)); }, kCannotRead},
    {"Png", [] { Save(Png()); }, kNotBmp},
    {"Text",
     [] {
         const char text[] = "This is not a picture.\n";
         Save(Bytes(text, text + sizeof text - 1));
     },
     kNotBmp},
    // Where names are told apart by case, one in capitals is not the picture.
    {"InCapitals",
     [] {
         Save(bmpflavours::Write(bmpflavours::Flavour::Bgr24, 4, 4)),
             std::rename("lsd.bmp", "LSD.BMP");
     },
     "There is no lsd.bmp in FOLDER, only LSD.BMP: the name must be lsd.bmp, in small letters."},
    {"Directory", [] { ASSERT_TRUE(std::filesystem::create_directory("lsd.bmp")); },
     "is a folder, not a picture."},
    {"DanglingLink", [] { ASSERT_EQ(symlink("no-such-picture.bmp", "lsd.bmp"), 0); },
     "is a link to no-such-picture.bmp, which does not exist."},
    // Opens fine, but every read fails (EIO: address 0 is not mapped in the reader).
    {"ReadFails", [] { ASSERT_EQ(symlink("/proc/self/mem", "lsd.bmp"), 0); }, "cannot be read."},
    {"NoReadPermission",
     [] {
         if (geteuid() == 0) GTEST_SKIP() << "root reads files whatever their mode";
         Save(Truncated(54 + 64 * 64 * 3));
         ASSERT_EQ(chmod("lsd.bmp", 0), 0);
     },
     "cannot be read: there is no permission to read it."},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class BrokenPicture : public testing::TestWithParam<Case> {};

TEST_P(BrokenPicture, ReportsThePictureErrorAndExits) {
    ScratchDir scratch;
    scratch.Enter();
    GetParam().make();
    if (IsSkipped() || HasFatalFailure()) return;

    // A program that took the file for a picture would run until closed.
    const ProgramResult run = RunProgram({PRISMWARP_PROGRAM}, 60);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, PictureError(scratch, GetParam().why));
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenPicture, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

} // namespace

namespace {

// Files that are no pictures in ways a plain file cannot be: a FIFO, which would keep an
// open for reading waiting for a writer for ever, and a sparse file of 3,000,000,000 bytes
// whose header claims 40000 x 40000 pixels (4.8 GB at 24 bits), more than the file holds.
// Both are refused at once; the program never waits on the one nor allocates the
// surface of the other.
TEST(PictureFile, FifoIsRefusedWithoutWaiting) {
    ScratchDir scratch;
    scratch.Enter();
    ASSERT_EQ(mkfifo("lsd.bmp", 0600), 0);
    const ProgramResult run = RunProgram({PRISMWARP_PROGRAM}, 60);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, PictureError(scratch, "is not a file but a device or a pipe."));
}

TEST(PictureFile, HugeHeaderInAHugeFileIsRefusedBeforeAllocating) {
    ScratchDir scratch;
    scratch.Enter();
    Save(Header(40000, 40000, 24, 0, 0));
    std::filesystem::resize_file("lsd.bmp", 3000000000);
    const ProgramResult run = RunProgram({PRISMWARP_PROGRAM}, 120);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, PictureError(scratch, kCannotRead));
    // The program itself needs a few tens of MB; the surface would need 4.8 GB.
    EXPECT_LT(run.peakKiB, 512 * 1024);
}

} // namespace
