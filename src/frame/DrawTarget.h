// DrawTarget: what a frame is drawn into.
#pragma once

#include <SDL.h>

// The screen of a frame, and how its pixels are to be stored. `layout` is the screen's own
// format, or where the presenter takes a frame that covers the screen as it is stored (a web
// page's canvas), that one: the same channels, placed as it places them. `locked` says that
// the screen is locked while the frame is drawn, so that a surface that must be locked may
// be written row by row without locking it again.
struct DrawTarget {
    SDL_Surface* surface;
    const SDL_PixelFormat* layout;
    bool locked;
};
