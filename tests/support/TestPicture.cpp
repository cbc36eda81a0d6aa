// TestPicture: drawing the picture with SDL and saving it as a BMP in a scratch folder.
#include "TestPicture.h"

#include <SDL.h>

#include <stdexcept>

namespace {

const int kWidth = 320;
const int kHeight = 240;

// Channels that cross every value at different rates, so products and wraps vary.
Uint8 Red(int x, int y) {
    return Uint8(x * 7 + y);
}
Uint8 Green(int x, int y) {
    return Uint8(y * 5 + (x ^ y));
}
Uint8 Blue(int x, int y) {
    return Uint8((x / 2 + y / 3) * 3 + ((x + y) % 4 == 0 ? 128 : 0));
}

SDL_Surface* Draw(int bitsPerPixel) {
    SDL_Surface* s = nullptr;
    if (bitsPerPixel == 8) {
        s = SDL_CreateRGBSurface(SDL_SWSURFACE, kWidth, kHeight, 8, 0, 0, 0, 0);
        if (!s) return nullptr;
        SDL_Color palette[256];
        for (int i = 0; i < 256; ++i)
            palette[i] = {Uint8(i * 37), Uint8(255 - i), Uint8(i * 11 + 3), 0};
        SDL_SetColors(s, palette, 0, 256);
    } else {
        s = SDL_CreateRGBSurface(SDL_SWSURFACE, kWidth, kHeight, 24, 0xFF0000, 0xFF00, 0xFF, 0);
        if (!s) return nullptr;
    }
    for (int y = 0; y < kHeight; ++y) {
        Uint8* row = static_cast<Uint8*>(s->pixels) + y * s->pitch;
        for (int x = 0; x < kWidth; ++x) {
            if (bitsPerPixel == 8) {
                row[x] = Uint8(Red(x, y) ^ Blue(x, y));
            } else {
                const Uint32 v = SDL_MapRGB(s->format, Red(x, y), Green(x, y), Blue(x, y));
                for (int i = 0; i < 3; ++i)
                    row[x * 3 + i] = Uint8(v >> (8 * i));
            }
        }
    }
    return s;
}

} // namespace

TestPicture::TestPicture(int bitsPerPixel) {
    const std::string file = File();
    SDL_Surface* s = Draw(bitsPerPixel);
    const bool saved = s && SDL_SaveBMP(s, file.c_str()) == 0;
    if (s) SDL_FreeSurface(s);
    if (!saved) throw std::runtime_error("cannot write " + file + ": " + SDL_GetError());
}
