// ScreenRows: a screen the fast passes can draw on, row by row.
#pragma once

#include <SDL.h>

#include "frame/Color.h"
#include "frame/DrawTarget.h"
#include "frame/Pixels.h"

// The fast passes write whole rows of 16- or 32-bit true-colour pixels straight into the
// screen. Any other screen (palettized, 24-bit, one that must be locked, one smaller than
// the effect) is drawn by the plain passes, unless it stays locked while the frame is drawn.
struct ScreenRows {
    // Whether the fast passes can draw `width` x `height` pixels on the target's surface.
    static bool Fit(const DrawTarget& target, int width, int height) {
        const SDL_Surface* s = target.surface;
        const SDL_PixelFormat* f = s->format;
        return (f->BytesPerPixel == 2 || f->BytesPerPixel == 4) && !f->palette &&
               (!SDL_MUSTLOCK(s) || target.locked) && s->pixels && s->w >= width && s->h >= height;
    }

    explicit ScreenRows(SDL_Surface* s) : ScreenRows(s, *s->format) {}

    // The rows of `s`, with the channels placed as `format` places them.
    ScreenRows(SDL_Surface* s, const SDL_PixelFormat& format) : pixels(s), layout(format) {}

    template <typename Pixel> Pixel* Row(int y) const { return pixels.Row<Pixel>(y); }

    Pixels pixels;
    ChannelLayout layout;
};
