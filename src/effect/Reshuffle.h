// Reshuffle: one frame of the warp's reordering of the colour cache.
#pragma once

#include "effect/FrameSize.h"

// The plain pass draws each colour as it is reshuffled; the fast warp runs the same
// reshuffle on entry numbers once, to learn the fixed map it makes of a frame.
struct Reshuffle {
    // The cache entry that screen position (x, y) takes its colour from: the cache read
    // transposed, one step down the diagonal.
    static constexpr int SourceOf(int x, int y) {
        return FrameSize::kHeight * y + x + FrameSize::kHeight + 1;
    }

    // One frame of it on `cache`, in place, column by column: the entry of position (x, y),
    // x * kHeight + y, takes entry SourceOf(x, y), which is read in its new state where it
    // was rewritten earlier in the frame; then `visit` is given the position and the entry.
    template <typename Entry, typename Visit> static void Frame(Entry* cache, Visit visit) {
        for (int x = 0; x < FrameSize::kWidth; ++x) {
            for (int y = 0; y < FrameSize::kHeight; ++y) {
                Entry& entry = cache[x * FrameSize::kHeight + y];
                entry = cache[SourceOf(x, y)];
                visit(x, y, entry);
            }
        }
    }
};
