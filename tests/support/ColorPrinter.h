// ColorPrinter: Color and Rgb values that tests can compare and print.
#pragma once

#include <SDL.h>

#include <ostream>

#include "BmpWriter.h"
#include "frame/Color.h"

// Equal when all four fields are.
bool operator==(const Color& a, const Color& b);
inline bool operator!=(const Color& a, const Color& b) {
    return !(a == b);
}

// Prints "{r 10, g 20, b 30, mapped 0x000a141e}", so a failed comparison shows the values.
std::ostream& operator<<(std::ostream& out, const Color& c);
void PrintTo(const Color& c, std::ostream* out);

// Prints "{r 10, g 20, b 30}".
std::ostream& operator<<(std::ostream& out, const Rgb& c);
void PrintTo(const Rgb& c, std::ostream* out);

// A raw pixel value with the components SDL_GetRGB decodes from it in the given format.
Color Decoded(const SDL_PixelFormat* format, Uint32 pixel);
