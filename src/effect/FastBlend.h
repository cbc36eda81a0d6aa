// FastBlend: the blend overlay of the whole effect, row by row, on a screen that fits.
#pragma once

#include <SDL.h>

#include <vector>

#include "effect/CpuPath.h"
#include "effect/ScreenRows.h"
#include "frame/Image.h"

// What App::Blend(screen, picture, 0, 0, width, height, alpha) draws, for a screen
// ScreenRows fits. The picture never changes, so its channels are read once, in the order
// the screen is written; each row of the warp is then mixed in place before it is stored,
// in whole numbers for the weights the factor gives and in doubles for any other.
class FastBlend {
public:
    // Reads the picture's channels as App::GetPixel reads them (black outside it).
    FastBlend(const Image& picture, int width, int height);

    // Blends `row`, of pixels of the screen's size, with the picture's row y, in place, and
    // stores it laid out as `screen` lays channels out: the row weighs alpha, the picture
    // 1 - alpha.
    void Row(void* row, int y, float alpha, CpuPath path, const ScreenRows& screen) const;

private:
    int width;
    std::vector<Uint32> picture; // red, green, blue from the lowest byte, row by row
};
