// Upscale: the frame shown a whole number of times its size, each pixel a block of its own.
#pragma once

#include <SDL.h>

struct Upscale {
    // The largest whole factor by which a frame of `frameWidth` x `frameHeight` fits a screen
    // of `width` x `height`; 0 where it does not fit once.
    static int Factor(int frameWidth, int frameHeight, int width, int height);

    // Draws `frame` onto `screen` with its top-left corner at (x0, y0), each pixel a k x k block
    // of the same value. Both surfaces have the same pixel format; the screen must hold the
    // whole of the blown-up frame there and, where it must be locked, be locked.
    static void Draw(const SDL_Surface* frame, SDL_Surface* screen, int k, int x0, int y0);
};
