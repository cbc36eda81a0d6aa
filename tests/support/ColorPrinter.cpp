// ColorPrinter: comparing and printing Color and Rgb values in tests.
#include "ColorPrinter.h"

#include <iomanip>

bool operator==(const Color& a, const Color& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.mapped == b.mapped;
}

std::ostream& operator<<(std::ostream& out, const Color& c) {
    const std::ios::fmtflags flags = out.flags();
    out << "{r " << int(c.r) << ", g " << int(c.g) << ", b " << int(c.b) << ", mapped 0x"
        << std::hex << std::setw(8) << std::setfill('0') << c.mapped << "}";
    out.flags(flags);
    return out;
}

void PrintTo(const Color& c, std::ostream* out) {
    *out << c;
}

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "{r " << int(c.r) << ", g " << int(c.g) << ", b " << int(c.b) << "}";
}

void PrintTo(const Rgb& c, std::ostream* out) {
    *out << c;
}

Color Decoded(const SDL_PixelFormat* format, Uint32 pixel) {
    Color c;
    // SDL_GetRGB takes a non-const format in SDL 1.2.
    SDL_GetRGB(pixel, const_cast<SDL_PixelFormat*>(format), &c.r, &c.g, &c.b);
    c.mapped = pixel;
    return c;
}
