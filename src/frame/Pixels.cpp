// Pixels: the locked store and the depth error, out of line.
#include "frame/Pixels.h"

#include "main/ErrorMsg.h"

void Pixels::PutLocked(SDL_Surface* surface, int offset, int bytesPerPixel, Uint32 mapped) {
    if (SDL_LockSurface(surface) < 0) return;
    // The pixels are taken while locked: they may move while the surface is not.
    try {
        Store(static_cast<Uint8*>(surface->pixels) + offset, bytesPerPixel, mapped);
    } catch (...) {
        SDL_UnlockSurface(surface);
        throw;
    }
    SDL_UnlockSurface(surface);
}

void Pixels::UnknownBitDepth() {
    throw ErrorMsg("Unknown BitDepth");
}
