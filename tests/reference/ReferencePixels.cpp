// ReferencePixels: pixel access and the blend, in one unit as the plain program has them.
#include "ReferencePass.h"

#include <cstring>

#include "main/ErrorMsg.h"

namespace reference {

namespace {

Uint8 Mix(Uint8 a, Uint8 b, float alpha, float w) {
    double v = a * double(alpha) + b * double(w);
    if (v > 255) v = 255;
    return Uint8(int(v));
}

} // namespace

Color GetPixel(SDL_Surface* s, int x, int y) {
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
        return MapColor(s, p[f->Rshift / 8], p[f->Gshift / 8], p[f->Bshift / 8]);
    }
    case 4: std::memcpy(&v, p, 4); break;
    default: return Color(255, 255, 255, 0xFFFFFFFF);
    }
    return Color(Uint8(v), Uint8(v >> 8), Uint8(v >> 16), v);
}

void PutPixel(SDL_Surface* s, int x, int y, Uint32 mapped) {
    if (x < 0 || y < 0 || x >= s->w || y >= s->h) return;

    const bool locked = SDL_MUSTLOCK(s);
    if (locked && SDL_LockSurface(s) < 0) return;

    Uint8* p = static_cast<Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
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
    default:
        if (locked) SDL_UnlockSurface(s);
        throw ErrorMsg("Unknown BitDepth");
    }
    if (locked) SDL_UnlockSurface(s);
}

void Blend(SDL_Surface* screen, SDL_Surface* a, SDL_Surface* b, int x0, int y0, int x1, int y1,
           float alpha) {
    for (int x = x0; x < x1; ++x) {
        const float w = 1.0f - alpha;
        for (int y = y0; y < y1; ++y) {
            const Color pa = GetPixel(a, x, y);
            const Color pb = GetPixel(b, x, y);
            const Color mixed = MapColor(screen, Mix(pa.r, pb.r, alpha, w),
                                         Mix(pa.g, pb.g, alpha, w), Mix(pa.b, pb.b, alpha, w));
            PutPixel(screen, x, y, mixed.mapped);
        }
    }
}

} // namespace reference
