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

    // The screen with its layout read once, for a pass that draws pixel after pixel. A
    // pixel is stored through a byte pointer, which as far as the compiler knows may
    // change the surface's own fields, so PutPixel reads them anew for every pixel; kept
    // in a local variable, a Canvas holds them in registers. Valid while the screen's
    // surface and its format stay as they are.
    class Canvas {
    public:
        explicit Canvas(SDL_Surface* surface);

        // What App::PutPixel does.
        void PutPixel(int x, int y, Color color) const;

    private:
        static void Store(Uint8* p, int bytesPerPixel, Uint32 mapped);

        SDL_Surface* surface;
        Uint8* pixels;
        int pitch;
        int width;
        int height;
        int bytesPerPixel;
        bool mustLock;
    };
    Canvas ScreenCanvas() const { return Canvas(screen.surface); }

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

// The two pixel operations run once or twice for every pixel of every frame, so they are
// inline: a few bounds checks, a switch the branch predictor learns, and the access.

inline Color App::GetPixel(const Image& image, int x, int y) {
    const SDL_Surface* s = image.surface;
    if (x < 0 || y < 0 || x >= s->w || y >= s->h) return Color();

    const int n = s->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * n;
    Uint32 v;
    switch (n) {
    case 1: v = *p; break;
    case 2: {
        Uint16 v16;
        std::memcpy(&v16, p, 2);
        v = v16;
        break;
    }
    case 3: {
        const SDL_PixelFormat* f = s->format;
        return Color(image, p[f->Rshift / 8], p[f->Gshift / 8], p[f->Bshift / 8]);
    }
    case 4: std::memcpy(&v, p, 4); break;
    default: return Color(255, 255, 255, 0xFFFFFFFF);
    }
    return Color(Uint8(v), Uint8(v >> 8), Uint8(v >> 16), v);
}

inline void App::PutPixel(int x, int y, Color color) {
    Canvas(screen.surface).PutPixel(x, y, color);
}

inline App::Canvas::Canvas(SDL_Surface* surface)
    : surface(surface), pixels(static_cast<Uint8*>(surface->pixels)), pitch(surface->pitch),
      width(surface->w), height(surface->h), bytesPerPixel(surface->format->BytesPerPixel),
      mustLock(SDL_MUSTLOCK(surface)) {
}

inline void App::Canvas::PutPixel(int x, int y, Color color) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return;

    const int offset = y * pitch + x * bytesPerPixel;
    if (!mustLock) {
        Store(pixels + offset, bytesPerPixel, color.mapped);
        return;
    }
    // Only a surface SDL says must be locked pays for the lock. Its pixels are taken
    // while it is locked, since they may move while it is not.
    if (SDL_LockSurface(surface) < 0) return;
    try {
        Store(static_cast<Uint8*>(surface->pixels) + offset, bytesPerPixel, color.mapped);
    } catch (...) {
        SDL_UnlockSurface(surface);
        throw;
    }
    SDL_UnlockSurface(surface);
}

inline void App::Canvas::Store(Uint8* p, int bytesPerPixel, Uint32 mapped) {
    switch (bytesPerPixel) {
    case 1: *p = Uint8(mapped); break;
    case 2: {
        const Uint16 v16 = Uint16(mapped);
        std::memcpy(p, &v16, 2);
        break;
    }
    case 3:
        // Lowest byte first, whatever the format's shifts say.
        p[0] = Uint8(mapped);
        p[1] = Uint8(mapped >> 8);
        p[2] = Uint8(mapped >> 16);
        break;
    case 4: std::memcpy(p, &mapped, 4); break;
    default: UnknownBitDepth();
    }
}
