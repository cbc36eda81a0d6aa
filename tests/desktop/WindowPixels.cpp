// WindowPixels: compares two pictures of a frame pixel by pixel, channel by channel, each
// either the surface the present hook wrote (PRISMWARP_SURFACE_DUMP) or a dump of a window or
// the screen by xwd. Prints the first difference and the number of pixels that differ; exits 0
// when the two are the same, 1 when they differ and 2 when they cannot be read or compared.
// Usage: window_pixels PICTURE PICTURE
//        window_pixels --scaled FRAME SCREEN
//        window_pixels --blocks WIDTH HEIGHT SCREEN
// With --scaled, SCREEN must show FRAME blown up by the largest whole factor that fits it,
// each pixel a block of its own, centred on black. With --blocks, SCREEN must show some frame
// of WIDTH x HEIGHT so: each block one colour, black around.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Picture {
    int width = 0, height = 0;
    uint32_t masks[3] = {}; // red, green, blue
    std::vector<uint32_t> pixels;
};

uint32_t BigEndian32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The pixel of `bytes` bytes at p, in the given byte order.
uint32_t PixelAt(const unsigned char* p, int bytes, bool mostFirst) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint32_t(p[mostFirst ? i : bytes - 1 - i]) << (8 * (bytes - 1 - i));
    return v;
}

// An xwd file: a header of big-endian 32-bit fields, the window's name, the colour map and
// then the image, rows of bytes_per_line bytes in the server's byte order.
bool ReadXwd(const std::string& data, Picture& picture, std::string& error) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    if (data.size() < 100) return error = "too short for an xwd header", false;
    const auto field = [&](int i) { return BigEndian32(bytes + 4 * i); };
    const uint32_t headerSize = field(0), version = field(1), format = field(2);
    const uint32_t byteOrder = field(7), bitsPerPixel = field(11), bytesPerLine = field(12);
    const uint32_t colours = field(19);
    if (version != 7 || format != 2 || (bitsPerPixel != 16 && bitsPerPixel != 32))
        return error = "not a ZPixmap xwd file of 16 or 32 bits a pixel", false;
    picture.width = int(field(4));
    picture.height = int(field(5));
    for (int c = 0; c < 3; ++c)
        picture.masks[c] = field(14 + c);
    const std::size_t image = std::size_t(headerSize) + std::size_t(colours) * 12;
    if (data.size() < image + std::size_t(bytesPerLine) * std::size_t(picture.height))
        return error = "the image is cut short", false;
    const int n = int(bitsPerPixel / 8);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.pixels.push_back(
                PixelAt(bytes + image + std::size_t(y) * bytesPerLine + std::size_t(x * n), n,
                        byteOrder == 1));
    return true;
}

// A surface: "W H BYTES_PER_PIXEL RMASK GMASK BMASK\n", then its rows in this machine's order.
bool ReadSurface(const std::string& data, Picture& picture, std::string& error) {
    std::istringstream header(data.substr(0, data.find('\n')));
    int n = 0;
    if (!(header >> picture.width >> picture.height >> n >> picture.masks[0] >> picture.masks[1] >>
          picture.masks[2]) ||
        (n != 2 && n != 4))
        return error = "not a surface of 2 or 4 bytes a pixel", false;
    const std::size_t start = data.find('\n') + 1;
    if (data.size() < start + std::size_t(picture.width * picture.height * n))
        return error = "the surface is cut short", false;
    const bool mostFirst = [] {
        const uint16_t one = 1;
        return *reinterpret_cast<const unsigned char*>(&one) == 0;
    }();
    for (int i = 0; i < picture.width * picture.height; ++i)
        picture.pixels.push_back(PixelAt(reinterpret_cast<const unsigned char*>(data.data()) +
                                             start + std::size_t(i * n),
                                         n, mostFirst));
    return true;
}

bool Read(const std::string& path, Picture& picture) {
    std::ifstream file(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    std::string error = "cannot be read";
    // A surface's header is text; an xwd header starts with its size, a small number.
    const bool read = !data.empty() && (data[0] == '\0' ? ReadXwd(data, picture, error)
                                                        : ReadSurface(data, picture, error));
    if (!read) std::fprintf(stderr, "window_pixels: %s: %s\n", path.c_str(), error.c_str());
    return read;
}

int Shift(uint32_t mask) {
    int shift = 0;
    while (mask && !(mask >> shift & 1))
        ++shift;
    return shift;
}

int Width(uint32_t mask) {
    int width = 0;
    for (; mask; mask &= mask - 1)
        ++width;
    return width;
}

// `frame` blown up by the largest whole factor that fits `width` x `height`, centred on black;
// the factor, 0 where it does not fit once.
int BlownUp(const Picture& frame, int width, int height, Picture& screen) {
    const int k = std::min(width / frame.width, height / frame.height);
    screen.width = width;
    screen.height = height;
    std::copy(std::begin(frame.masks), std::end(frame.masks), std::begin(screen.masks));
    screen.pixels.assign(std::size_t(width) * std::size_t(height), 0);
    const int x0 = (width - frame.width * k) / 2, y0 = (height - frame.height * k) / 2;
    for (int y = 0; k > 0 && y < frame.height * k; ++y)
        for (int x = 0; x < frame.width * k; ++x)
            screen.pixels[std::size_t(y0 + y) * std::size_t(width) + std::size_t(x0 + x)] =
                frame.pixels[std::size_t(y / k) * std::size_t(frame.width) + std::size_t(x / k)];
    return k;
}

// The frame of `width` x `height` that `screen` would show blown up: the first pixel of each
// block.
Picture Sampled(const Picture& screen, int width, int height) {
    Picture frame;
    frame.width = width;
    frame.height = height;
    std::copy(std::begin(screen.masks), std::end(screen.masks), std::begin(frame.masks));
    const int k = std::min(screen.width / width, screen.height / height);
    const int x0 = (screen.width - width * k) / 2, y0 = (screen.height - height * k) / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            frame.pixels.push_back(
                screen.pixels[std::size_t(y0 + y * k) * std::size_t(screen.width) +
                              std::size_t(x0 + x * k)]);
    return frame;
}

// 0 where a and b hold the same channels everywhere, 1 where they differ, 2 where they cannot
// be compared.
int Compare(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height) {
        std::printf("sizes differ: %dx%d and %dx%d\n", a.width, a.height, b.width, b.height);
        return 1;
    }
    for (int c = 0; c < 3; ++c) {
        if (Width(a.masks[c]) != Width(b.masks[c])) {
            std::fprintf(stderr, "window_pixels: channel %d has %d bits in one, %d in the other\n",
                         c, Width(a.masks[c]), Width(b.masks[c]));
            return 2;
        }
    }
    long differ = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        uint32_t ca[3], cb[3];
        for (int c = 0; c < 3; ++c) {
            ca[c] = (a.pixels[i] & a.masks[c]) >> Shift(a.masks[c]);
            cb[c] = (b.pixels[i] & b.masks[c]) >> Shift(b.masks[c]);
        }
        if (ca[0] == cb[0] && ca[1] == cb[1] && ca[2] == cb[2]) continue;
        if (differ++ == 0)
            std::printf("first difference at (%d, %d): channels %u %u %u and %u %u %u\n",
                        int(i % std::size_t(a.width)), int(i / std::size_t(a.width)), ca[0], ca[1],
                        ca[2], cb[0], cb[1], cb[2]);
    }
    std::printf("%ld of %zu pixels differ\n", differ, a.pixels.size());
    return differ ? 1 : 0;
}

int Usage() {
    std::fprintf(stderr, "usage: window_pixels PICTURE PICTURE\n"
                         "       window_pixels --scaled FRAME SCREEN\n"
                         "       window_pixels --blocks WIDTH HEIGHT SCREEN\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string mode = argc > 1 ? argv[1] : "";
    Picture a, b;
    if (mode == "--scaled" && argc == 4) {
        if (!Read(argv[2], a) || !Read(argv[3], b)) return 2;
    } else if (mode == "--blocks" && argc == 5) {
        if (!Read(argv[4], b)) return 2;
        const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
        if (width <= 0 || height <= 0) return Usage();
        a = Sampled(b, width, height);
    } else if (argc == 3 && mode.rfind("--", 0) != 0) {
        if (!Read(argv[1], a) || !Read(argv[2], b)) return 2;
        return Compare(a, b);
    } else {
        return Usage();
    }
    Picture expected;
    const int k = BlownUp(a, b.width, b.height, expected);
    if (k < 1) {
        std::printf("a %dx%d frame does not fit %dx%d\n", a.width, a.height, b.width, b.height);
        return 1;
    }
    std::printf("blown up %d times, at (%d, %d)\n", k, (b.width - a.width * k) / 2,
                (b.height - a.height * k) / 2);
    return Compare(expected, b);
}
