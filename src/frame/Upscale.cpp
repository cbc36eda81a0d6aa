// Upscale: each row widened once, then copied for the block's other rows.
#include "frame/Upscale.h"

#include <algorithm>
#include <cstring>

namespace {

// Row y of a surface, as bytes.
const Uint8* Row(const SDL_Surface* s, int y) {
    return static_cast<const Uint8*>(s->pixels) + std::size_t(y) * std::size_t(s->pitch);
}
Uint8* Row(SDL_Surface* s, int y) {
    return static_cast<Uint8*>(s->pixels) + std::size_t(y) * std::size_t(s->pitch);
}

// One row of n pixels, each repeated k times. A factor known here lets the compiler unroll
// the repeats into one store a pixel each for the common factors.
template <typename Pixel, int kK>
void WidenBy(Pixel* __restrict out, const Pixel* __restrict in, int n) {
    for (int x = 0; x < n; ++x)
        for (int i = 0; i < kK; ++i)
            out[x * kK + i] = in[x];
}

template <typename Pixel>
void Widen(Pixel* __restrict out, const Pixel* __restrict in, int n, int k) {
    switch (k) {
    case 1: std::memcpy(out, in, std::size_t(n) * sizeof(Pixel)); return;
    case 2: return WidenBy<Pixel, 2>(out, in, n);
    case 3: return WidenBy<Pixel, 3>(out, in, n);
    case 4: return WidenBy<Pixel, 4>(out, in, n);
    case 5: return WidenBy<Pixel, 5>(out, in, n);
    case 6: return WidenBy<Pixel, 6>(out, in, n);
    default:
        for (int x = 0; x < n; ++x)
            std::fill_n(out + std::size_t(x) * std::size_t(k), k, in[x]);
    }
}

// Pixels of 1 or 3 bytes, whose values are moved as bytes.
void WidenBytes(Uint8* out, const Uint8* in, int n, int k, int bytes) {
    for (int x = 0; x < n; ++x)
        for (int i = 0; i < k; ++i, out += bytes)
            std::memcpy(out, in + x * bytes, std::size_t(bytes));
}

} // namespace

int Upscale::Factor(int frameWidth, int frameHeight, int width, int height) {
    if (frameWidth <= 0 || frameHeight <= 0) return 0;
    return std::max(0, std::min(width / frameWidth, height / frameHeight));
}

void Upscale::Draw(const SDL_Surface* frame, SDL_Surface* screen, int k, int x0, int y0) {
    const int bytes = frame->format->BytesPerPixel;
    const std::size_t rowBytes = std::size_t(frame->w) * std::size_t(k) * std::size_t(bytes);
    for (int y = 0; y < frame->h; ++y) {
        Uint8* out = Row(screen, y0 + y * k) + std::size_t(x0) * std::size_t(bytes);
        const Uint8* in = Row(frame, y);
        switch (bytes) {
        case 2:
            Widen(reinterpret_cast<Uint16*>(out), reinterpret_cast<const Uint16*>(in), frame->w, k);
            break;
        case 4:
            Widen(reinterpret_cast<Uint32*>(out), reinterpret_cast<const Uint32*>(in), frame->w, k);
            break;
        default: WidenBytes(out, in, frame->w, k, bytes);
        }
        // The block's other rows are the same bytes.
        for (int i = 1; i < k; ++i)
            std::memcpy(Row(screen, y0 + y * k + i) + std::size_t(x0) * std::size_t(bytes), out,
                        rowBytes);
    }
}
