// Color: one pixel as three channel bytes and the value stored into a surface.
#pragma once

#include <SDL.h>

#include "frame/Image.h"

struct Color {
    Color() = default;
    Color(Uint8 r, Uint8 g, Uint8 b, Uint32 mapped) : r(r), g(g), b(b), mapped(mapped) {}
    // The channels as given, `mapped` through the image's pixel format.
    Color(const Image& image, Uint8 r, Uint8 g, Uint8 b)
        : r(r), g(g), b(b), mapped(Map(image.surface->format, r, g, b)) {}

    // The value SDL_MapRGB gives for the format and the channels.
    static Uint32 Map(const SDL_PixelFormat* format, Uint8 r, Uint8 g, Uint8 b);
    // The same for a true-colour format, worked out from its shifts, losses and alpha mask.
    static Uint32 Pack(const SDL_PixelFormat& format, Uint8 r, Uint8 g, Uint8 b);

    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    Uint32 mapped = 0;
};

inline Uint32 Color::Map(const SDL_PixelFormat* format, Uint8 r, Uint8 g, Uint8 b) {
    // A palette needs SDL's search for the nearest entry. A true-colour format is the
    // same arithmetic SDL_MapRGB does, inline instead of a library call per pixel: each
    // channel loses its low bits, moves to its place, and the alpha bits are set opaque.
    if (format->palette) return SDL_MapRGB(format, r, g, b);
    return Pack(*format, r, g, b);
}

inline Uint32 Color::Pack(const SDL_PixelFormat& format, Uint8 r, Uint8 g, Uint8 b) {
    return Uint32(r >> format.Rloss) << format.Rshift | Uint32(g >> format.Gloss) << format.Gshift |
           Uint32(b >> format.Bloss) << format.Bshift | format.Amask;
}
