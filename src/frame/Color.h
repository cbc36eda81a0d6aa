// Color: one pixel as three channel bytes and the value stored into a surface.
#pragma once

#include <SDL.h>

class Image;

struct Color {
    Color() = default;
    Color(Uint8 r, Uint8 g, Uint8 b, Uint32 mapped) : r(r), g(g), b(b), mapped(mapped) {}
    // The channels as given, `mapped` through the image's pixel format.
    Color(const Image& image, Uint8 r, Uint8 g, Uint8 b);

    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    Uint32 mapped = 0;
};
