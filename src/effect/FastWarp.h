// FastWarp: the warp pass row by row, on a screen that fits, from state kept in the order
// the screen is written.
#pragma once

#include <SDL.h>

#include <vector>

#include "effect/CpuPath.h"
#include "effect/FactorSegments.h"
#include "frame/Color.h"
#include "frame/DrawTarget.h"

class FastBlend;

// Draws what WarpEffect's plain pass draws, for a screen ScreenRows fits.
//
// The plain pass rewrites the cache in place; worked out once on entry numbers, that is a
// fixed map: after a frame, entry d holds what entry source[d] held before it. The frame
// shows at d the colour entry d receives, so the colours a frame shows are
// cache[source[d]], kept here in row order. The next frame shows at d what this one shows
// at any d' with source[d'] = source[source[d]], and for almost every d one such d' is a
// fixed step down the diagonal: the colours are kept in a ring whose window moves on by
// that step each frame, and only the few others are moved. No cache is rewritten per
// frame; it is worked out only when asked for.
class FastWarp {
public:
    // Works out the map and the moves and checks them against two frames of the plain
    // pass's own reshuffle, and derives the factor's segments (FactorSegments, which checks
    // its own).
    FastWarp();

    // Whether the map and the moves give what the plain pass's reshuffle gives, so that the
    // fast passes may draw. Where they do not (a change that broke their derivation), the plain
    // passes draw every frame, which are always right.
    bool Ready() const { return ready; }

    // How many positions do not follow the ring's step and are moved one by one each frame.
    static int OffStepPositions();

    // Takes the cache the next frame starts from.
    void Load(const Color* cache);
    bool Loaded() const { return loaded; }
    void Unload() { loaded = false; }
    // Brings `cache`, the one last loaded or stored, up to the frames drawn since.
    void Store(Color* cache);

    // One frame onto the target's screen, the factor starting at `start`, and the overlay
    // after each row with the factor the frame ends on; returns that factor. The pixels are
    // stored in the target's layout.
    float Draw(const DrawTarget& target, float start, CpuPath path, const FastBlend* overlay);

private:
    std::vector<Uint32> ring; // colours, red, green, blue from the lowest byte
    int base = 0;             // where this frame's start is in the ring, in row order
    // The colours of the positions that do not follow the step, on their way to the next
    // frame's places.
    std::vector<Uint32> offStepColours;
    std::vector<FactorSegment> segments;
    long frames = 0; // drawn since the cache was loaded or stored
    bool loaded = false;
    bool ready;
};
