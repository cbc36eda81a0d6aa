// ColorRun: a column of colours stored channel by channel.
#pragma once

#include <SDL.h>

// A run of colours stored channel by channel, one screen column long, so that loops
// over it can work on several colours at a time.
struct ColorRun {
    static constexpr int kLength = 240;

    // Sets mapped[i] to Color::Map of the format and r[i], g[i], b[i], for i < n.
    void Map(const SDL_PixelFormat* format, int n);

    Uint8 r[kLength];
    Uint8 g[kLength];
    Uint8 b[kLength];
    Uint32 mapped[kLength];
};
