// Factor: the warp factor's own arithmetic, shared by the plain pass, the fast pass and
// the derivation of the factor's segments.
#pragma once

#include <SDL.h>

struct Factor {
    // The step, the single-precision 0.00001.
    static constexpr float kStep = 0.00001f;

    // The sum of two floats is exact in double, and the reset is decided on that exact sum,
    // before any rounding: a sum just above 10.0 resets although it would round to 10.0f.
    static float Advance(float factor) {
        const double sum = double(factor) + double(kStep);
        return sum > 10.0 ? 0.0f : float(sum);
    }

    // A channel times the factor, truncated toward zero, keeping its low 8 bits. An 8-bit
    // channel times a float's 24-bit significand needs at most 32 bits, so the double
    // product is exact.
    static Uint8 Scale(Uint8 channel, float factor) { return Uint8(int(channel * double(factor))); }
};
