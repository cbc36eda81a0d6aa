// Factor: the warp factor's own arithmetic, shared by the plain pass, the fast pass and
// the derivation of the factor's segments.
#pragma once

#include <SDL.h>

struct Factor {
    // The step, the single-precision 0.00001.
    static constexpr float kStep = 0.00001f;

    // The reset is decided on the exact sum, before any rounding: a sum just above 10.0
    // resets although it would round to 10.0f. The double sum is exact for every factor from
    // 2^-45 up to 10: from 2^-17 on its bits span 2^3 down to the step's lowest, 2^-40;
    // below that, 2^-16 down to the factor's own lowest. A smaller factor sums far below 10,
    // a larger one resets whatever the rounding.
    static float Advance(float factor) {
        const double sum = double(factor) + double(kStep);
        return sum > 10.0 ? 0.0f : float(sum);
    }

    // A channel times the factor, truncated toward zero, keeping its low 8 bits. An 8-bit
    // channel times a float's 24-bit significand needs at most 32 bits, so the double
    // product is exact. It is truncated in 64 bits: the program's factors stay below 10, but
    // one set from outside up to 2^24, the most the fast passes take, gives products up to
    // 2^32, beyond an int.
    static Uint8 Scale(Uint8 channel, float factor) {
        return Uint8(static_cast<long long>(channel * double(factor)));
    }
};
