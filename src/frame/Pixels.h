// Pixels: one surface's pixels with its layout read once, for reading and writing single
// pixels and for finding its rows.
#pragma once

#include <SDL.h>

#include <cstring>

#include "frame/Color.h"

// The pixel operations of App, on one surface. A pixel is stored through a byte pointer,
// which as far as the compiler knows may change the surface's own fields; kept in a local
// variable, a Pixels holds them in registers. Valid while the surface and its format stay
// as they are.
class Pixels {
public:
    explicit Pixels(SDL_Surface* surface)
        : surface(surface), format(surface->format), pixels(static_cast<Uint8*>(surface->pixels)),
          pitch(surface->pitch), width(surface->w), height(surface->h),
          bytesPerPixel(surface->format->BytesPerPixel), mustLock(SDL_MUSTLOCK(surface)),
          rByte(surface->format->Rshift / 8), gByte(surface->format->Gshift / 8),
          bByte(surface->format->Bshift / 8) {}

    // For 1, 2 and 4 bytes a pixel the channels are the raw value's low three bytes; for 3
    // they are the format's components, mapped through the format. Any other size reads
    // white, 0xFFFFFFFF. Outside the surface: black, 0.
    Color GetPixel(int x, int y) const {
        if (!Inside(x, y)) return Color();

        const Uint8* p = At(x, y);
        Uint32 v;
        switch (bytesPerPixel) {
        case 1: v = *p; break;
        case 2: {
            Uint16 v16;
            std::memcpy(&v16, p, 2);
            v = v16;
            break;
        }
        case 3: {
            const Uint8 r = p[rByte];
            const Uint8 g = p[gByte];
            const Uint8 b = p[bByte];
            return Color(r, g, b, Color::Map(format, r, g, b));
        }
        case 4: std::memcpy(&v, p, 4); break;
        default: return Color(255, 255, 255, 0xFFFFFFFF);
        }
        return Color(Uint8(v), Uint8(v >> 8), Uint8(v >> 16), v);
    }

    // The first pixel of row y, as a `Pixel` of the surface's size (Uint16 or Uint32; Uint8 for
    // its bytes). Of a surface that must be locked, while it is.
    template <typename Pixel> Pixel* Row(int y) const { return reinterpret_cast<Pixel*>(At(0, y)); }
    int BytesPerPixel() const { return bytesPerPixel; }

    // Writes color.mapped at (x, y); positions outside are left alone. A surface that must
    // be locked is locked for the one pixel, and the pixel is skipped when that fails.
    // Throws ErrorMsg "Unknown BitDepth" for more than 4 bytes a pixel.
    void PutPixel(int x, int y, Color color) const {
        if (!Inside(x, y)) return;
        if (mustLock) return PutLocked(surface, Offset(x, y), bytesPerPixel, color.mapped);
        Store(At(x, y), bytesPerPixel, color.mapped);
    }

    // Stores the low bytes of `mapped` that a pixel of `bytesPerPixel` holds; 3 bytes go
    // lowest first, whatever the format's shifts say.
    static void Store(Uint8* p, int bytesPerPixel, Uint32 mapped) {
        switch (bytesPerPixel) {
        case 1: *p = Uint8(mapped); break;
        case 2: {
            const Uint16 v16 = Uint16(mapped);
            std::memcpy(p, &v16, 2);
            break;
        }
        case 3:
            p[0] = Uint8(mapped);
            p[1] = Uint8(mapped >> 8);
            p[2] = Uint8(mapped >> 16);
            break;
        case 4: std::memcpy(p, &mapped, 4); break;
        default: UnknownBitDepth();
        }
    }

private:
    // A surface that must be locked may move its pixels while unlocked, so for such a
    // surface they are taken anew.
    Uint8* At(int x, int y) const {
        Uint8* base = mustLock ? static_cast<Uint8*>(surface->pixels) : pixels;
        return base + Offset(x, y);
    }
    int Offset(int x, int y) const { return y * pitch + x * bytesPerPixel; }
    bool Inside(int x, int y) const {
        // Negative positions wrap to large unsigned ones.
        return unsigned(x) < unsigned(width) && unsigned(y) < unsigned(height);
    }
    // Static, so that the view's address stays private and its fields can stay in
    // registers.
    static void PutLocked(SDL_Surface* surface, int offset, int bytesPerPixel, Uint32 mapped);
    [[noreturn]] static void UnknownBitDepth();

    SDL_Surface* surface;
    const SDL_PixelFormat* format;
    Uint8* pixels;
    int pitch;
    int width;
    int height;
    int bytesPerPixel;
    bool mustLock;
    // The bytes of red, green and blue within a 3-byte pixel.
    int rByte;
    int gByte;
    int bByte;
};
