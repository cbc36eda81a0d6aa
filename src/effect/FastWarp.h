// FastWarp: the warp pass row by row, on a screen that fits, from state kept in the order
// the screen is written.
#pragma once

#include <SDL.h>

#include <vector>

#include "effect/CpuPath.h"
#include "effect/FactorSegments.h"
#include "frame/Color.h"

class FastBlend;

// Draws what WarpEffect's plain pass draws, for a screen ScreenRows fits.
//
// The plain pass rewrites the cache in place; worked out once on entry numbers, that is a
// fixed map: after a frame, entry d holds what entry source[d] held before it. The frame
// shows at d the colour entry d receives, so the colours of frame k are rows[d] =
// cache_k[source[d]], kept in row order, and the next frame's are rows[d'] for any d' with
// source[d'] = source[source[d]]. Chosen well, those d' make each row of the next frame a
// few runs copied whole from this frame's rows (1,196 runs in all), so no cache is
// rewritten per frame. The cache itself is worked out only when asked for.
class FastWarp {
public:
    FastWarp();

    // Takes the cache the next frame starts from.
    void Load(const Color* cache);
    bool Loaded() const { return loaded; }
    void Unload() { loaded = false; }
    // Brings `cache`, the one last loaded or stored, up to the frames drawn since.
    void Store(Color* cache);

    // One frame onto the screen, the factor starting at `start`, and the overlay after
    // each row with the factor the frame ends on; returns that factor.
    float Draw(SDL_Surface* screen, float start, CpuPath path, const FastBlend* overlay);

private:
    std::vector<Uint32> rows; // this frame's colours, red, green, blue from the lowest byte
    std::vector<Uint32> next; // the next frame's
    std::vector<FactorSegment> segments;
    long frames = 0; // drawn since the cache was loaded or stored
    bool loaded = false;
};
