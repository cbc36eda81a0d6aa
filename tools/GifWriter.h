// GifWriter: animated GIF files of true-colour frames. Each frame has a palette of its own,
// chosen by median cut, and is compressed by LZW. Only integer arithmetic is used, and every
// choice breaks its ties by a fixed rule, so the same frames make the same bytes on every
// machine.
#pragma once

#include <cstdint>
#include <vector>

#include "BmpWriter.h"

class GifWriter {
public:
    // An animation of width x height pixels (each at most 65535), played for ever, each frame
    // in a palette of at most `colours` colours (1 to 256).
    GifWriter(int width, int height, int colours);

    // Adds a frame of width x height pixels, row by row from the top left, shown for
    // `delay` hundredths of a second.
    void AddFrame(const std::vector<Rgb>& pixels, int delay);

    // The file so far, ended.
    std::vector<uint8_t> Bytes() const;

private:
    int width;
    int height;
    int colours;
    std::vector<uint8_t> out;
};

// At most `colours` colours (1 to 256) that stand for `pixels`: every colour of them where
// there are no more than that, else the means of the boxes of a median cut. Each step splits
// the box whose longest side, times the pixels in it, is the largest, across that side where
// half of its pixels lie on either part.
std::vector<Rgb> MedianCut(const std::vector<Rgb>& pixels, int colours);

// Each pixel as the index of its nearest colour of `palette` (the lowest such index where
// several are as near).
std::vector<uint8_t> PaletteIndices(const std::vector<Rgb>& pixels,
                                    const std::vector<Rgb>& palette);

// GIF's variable-length LZW code of `indices`, each below 2^minCodeSize (2 to 8), from its
// clear code to its end code, packed lowest bit first. The table starts anew, after a clear
// code, whenever it is full.
std::vector<uint8_t> LzwCompress(const std::vector<uint8_t>& indices, int minCodeSize);
