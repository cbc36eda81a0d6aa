// SurfaceDifference: comparing two surfaces pixel by pixel.
#include "SurfaceDifference.h"

#include <cstdio>

std::string FirstDifference(SDL_Surface* ours, SDL_Surface* plain) {
    const int n = ours->format->BytesPerPixel;
    for (int y = 0; y < ours->h; ++y) {
        for (int x = 0; x < ours->w; ++x) {
            Uint32 a = 0;
            Uint32 b = 0;
            for (int i = 0; i < n; ++i) {
                a |= Uint32(static_cast<Uint8*>(ours->pixels)[y * ours->pitch + x * n + i])
                     << 8 * i;
                b |= Uint32(static_cast<Uint8*>(plain->pixels)[y * plain->pitch + x * n + i])
                     << 8 * i;
            }
            if (a != b) {
                char text[100];
                std::snprintf(text, sizeof text, "pixel (%d, %d): ours 0x%06X, plain 0x%06X", x, y,
                              unsigned(a), unsigned(b));
                return text;
            }
        }
    }
    return "";
}
