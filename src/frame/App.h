// App: the window, its frame loop, and reading and writing single pixels.
#pragma once

#include <cstring>
#include <string>

#include "frame/Color.h"
#include "frame/EventHandler.h"
#include "frame/Image.h"

class App {
public:
    // Opens the window; throws ErrorMsg when SDL or the video mode cannot be had.
    App(const std::string& caption, int width, int height, int bpp, bool fullscreen);
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    virtual void Init(const std::string& caption, int width, int height, int bpp, bool fullscreen);

    // Draws frames until the window is closed. Needs a handler.
    virtual void Run();

    // Mixes a with b over x0 <= x < x1, y0 <= y < y1 onto the screen: a weighs alpha,
    // b weighs 1 - alpha.
    virtual void Blend(Image& a, Image& b, int x0, int y0, int x1, int y1, float alpha);

    // Reads one pixel. For 1, 2 and 4 bytes a pixel the channels are the raw value's low
    // three bytes; for 3 they are the format's components. Outside the image: black, 0.
    static Color GetPixel(const Image& image, int x, int y);

    // Writes color.mapped into the screen; positions outside it are left alone. Throws
    // ErrorMsg "Unknown BitDepth" for a screen of more than 4 bytes a pixel.
    void PutPixel(int x, int y, Color color);

    // A surface's pixels with its layout read once, for a pass over many pixels: the
    // same two operations, without going back to the surface for every pixel. A pixel is
    // stored through a byte pointer, which as far as the compiler knows may change the
    // surface's own fields; kept in a local variable, a Pixels holds them in registers.
    // Valid while the surface and its format stay as they are.
    class Pixels {
    public:
        explicit Pixels(SDL_Surface* surface);

        // What App::GetPixel does.
        Color GetPixel(int x, int y) const;
        // What App::PutPixel does, on this surface.
        void PutPixel(int x, int y, Color color) const;

    private:
        // Where (x, y) lies. A surface that must be locked may move its pixels while
        // unlocked, so for such a surface they are taken anew.
        Uint8* At(int x, int y) const;
        int Offset(int x, int y) const { return y * pitch + x * bytesPerPixel; }
        bool Inside(int x, int y) const {
            // Negative positions wrap to large unsigned ones.
            return unsigned(x) < unsigned(width) && unsigned(y) < unsigned(height);
        }
        // PutPixel on a surface that must be locked, locked for the one pixel, at
        // `offset` bytes into its pixels. Static, so that the view's address stays
        // private and its fields can stay in registers.
        static void PutLocked(SDL_Surface* surface, int offset, int bytesPerPixel, Uint32 mapped);
        static void Store(Uint8* p, int bytesPerPixel, Uint32 mapped);

        SDL_Surface* surface;
        const SDL_PixelFormat* format;
        Uint8* pixels;
        int pitch;
        int width;
        int height;
        int bytesPerPixel;
        bool mustLock;
        bool palettized;
        // The bytes of red, green and blue within a 3-byte pixel.
        int rByte;
        int gByte;
        int bByte;
    };

    bool running = false;
    int width = 0;
    int height = 0;
    Image screen;
    EventHandler* handler = nullptr; // owned
    int mouseX = 0;
    int mouseY = 0;
    int mouseButton = 0;

private:
    [[noreturn]] static void UnknownBitDepth();
};

// The pixel operations run once or twice for every pixel of every frame, so they are
// inline: a few bounds checks, a switch the branch predictor learns, and the access.

inline Color App::GetPixel(const Image& image, int x, int y) {
    return Pixels(image.surface).GetPixel(x, y);
}

inline void App::PutPixel(int x, int y, Color color) {
    Pixels(screen.surface).PutPixel(x, y, color);
}

inline App::Pixels::Pixels(SDL_Surface* surface)
    : surface(surface), format(surface->format), pixels(static_cast<Uint8*>(surface->pixels)),
      pitch(surface->pitch), width(surface->w), height(surface->h),
      bytesPerPixel(surface->format->BytesPerPixel), mustLock(SDL_MUSTLOCK(surface)),
      palettized(surface->format->palette != nullptr), rByte(surface->format->Rshift / 8),
      gByte(surface->format->Gshift / 8), bByte(surface->format->Bshift / 8) {
}

inline Uint8* App::Pixels::At(int x, int y) const {
    Uint8* base = mustLock ? static_cast<Uint8*>(surface->pixels) : pixels;
    return base + Offset(x, y);
}

inline Color App::Pixels::GetPixel(int x, int y) const {
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
        // A pass that reads only the channels drops the arithmetic; the test of the
        // palette stays, on a flag held with the layout.
        return Color(r, g, b,
                     palettized ? SDL_MapRGB(format, r, g, b) : Color::Pack(*format, r, g, b));
    }
    case 4: std::memcpy(&v, p, 4); break;
    default: return Color(255, 255, 255, 0xFFFFFFFF);
    }
    return Color(Uint8(v), Uint8(v >> 8), Uint8(v >> 16), v);
}

inline void App::Pixels::PutPixel(int x, int y, Color color) const {
    if (!Inside(x, y)) return;
    // Only a surface SDL says must be locked pays for the lock.
    if (mustLock) return PutLocked(surface, Offset(x, y), bytesPerPixel, color.mapped);
    Store(At(x, y), bytesPerPixel, color.mapped);
}

inline void App::Pixels::Store(Uint8* p, int bytesPerPixel, Uint32 mapped) {
    // The screens SDL gives first, in the order the branches are tested.
    if (bytesPerPixel == 4) {
        std::memcpy(p, &mapped, 4);
    } else if (bytesPerPixel == 2) {
        const Uint16 v16 = Uint16(mapped);
        std::memcpy(p, &v16, 2);
    } else if (bytesPerPixel == 3) {
        // Lowest byte first, whatever the format's shifts say.
        p[0] = Uint8(mapped);
        p[1] = Uint8(mapped >> 8);
        p[2] = Uint8(mapped >> 16);
    } else if (bytesPerPixel == 1) {
        *p = Uint8(mapped);
    } else {
        UnknownBitDepth();
    }
}
