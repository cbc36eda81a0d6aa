// Color: one pixel as three channel bytes and the value stored into a surface, and how a
// true-colour format packs channels into that value.
#pragma once

#include <SDL.h>

#include "frame/Image.h"

// Where a true-colour format puts 8-bit channels: each loses its low bits, moves to its
// place, and the alpha bits are set opaque. Read once from the format, for loops that pack
// many pixels and would otherwise read the format's fields anew for each.
struct ChannelLayout {
    explicit ChannelLayout(const SDL_PixelFormat& format)
        : rLoss(format.Rloss), gLoss(format.Gloss), bLoss(format.Bloss), rShift(format.Rshift),
          gShift(format.Gshift), bShift(format.Bshift), aMask(format.Amask) {}

    // The pixel value of channels r, g and b (below 256): what SDL_MapRGB gives for the
    // format.
    Uint32 Pack(Uint32 r, Uint32 g, Uint32 b) const {
        Uint32 packed;
        Pack<Uint32>(r, g, b, packed);
        return packed;
    }

    // The same for `Values`, Uint32 or a vector of Uint32 lanes that packs several pixels at
    // once. Vectors go by reference, which passes them alike in code built for any
    // instructions.
    template <typename Values>
    void Pack(const Values& r, const Values& g, const Values& b, Values& packed) const {
        packed = (r >> rLoss) << rShift | (g >> gLoss) << gShift | (b >> bLoss) << bShift | aMask;
    }

    int rLoss, gLoss, bLoss;
    int rShift, gShift, bShift;
    Uint32 aMask;
};

struct Color {
    Color() = default;
    Color(Uint8 r, Uint8 g, Uint8 b, Uint32 mapped) : r(r), g(g), b(b), mapped(mapped) {}
    // The channels as given, `mapped` through the image's pixel format.
    Color(const Image& image, Uint8 r, Uint8 g, Uint8 b)
        : r(r), g(g), b(b), mapped(Map(image.surface->format, r, g, b)) {}

    // The value SDL_MapRGB gives for the format and the channels.
    static Uint32 Map(const SDL_PixelFormat* format, Uint8 r, Uint8 g, Uint8 b);

    // The channels in one value, red in the lowest byte, then green, then blue: the order in
    // which GetPixel reads them from the raw value of a pixel of 1, 2 or 4 bytes.
    Uint32 Channels() const { return Uint32(r | g << 8 | b << 16); }

    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    Uint32 mapped = 0;
};

inline Uint32 Color::Map(const SDL_PixelFormat* format, Uint8 r, Uint8 g, Uint8 b) {
    // A palette needs SDL's search for the nearest entry. A true-colour format is the same
    // arithmetic SDL_MapRGB does, inline instead of a library call per pixel.
    if (format->palette) return SDL_MapRGB(format, r, g, b);
    return ChannelLayout(*format).Pack(Uint32(r), Uint32(g), Uint32(b));
}
