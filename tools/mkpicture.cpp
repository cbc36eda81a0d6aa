// mkpicture: draws the demo's bundled picture, a 24-bit BMP of overlapping colour waves,
// rings and a fine checker, so that every part of the warp has detail to move.
#include <cmath>
#include <cstdio>
#include <exception>

#include "BmpWriter.h"

namespace {

const int kWidth = 320;
const int kHeight = 240;

uint8_t Wave(double phase) {
    return uint8_t(127.5 + 127.5 * std::sin(phase));
}

Rgb Pattern(int x, int y) {
    const double rings = std::hypot(x - 160.0, y - 120.0) / 7.0;
    const double plasma = std::sin(x / 23.0) + std::sin(y / 17.0) + std::sin((x + y) / 31.0);
    const int checker = (x / 4 + y / 4) % 2 * 24;
    return {Wave(rings * 0.5 - plasma * 1.7), Wave(rings + plasma),
            uint8_t(Wave(plasma * 2.1 + 4.0) ^ checker)};
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkpicture OUT.bmp\n");
        return 2;
    }
    try {
        WriteBmp24(argv[1], kWidth, kHeight, Pattern);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
