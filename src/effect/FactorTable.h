// FactorTable: the warp factor's values, worked out once instead of stepped every pixel.
#pragma once

#include <cstddef>
#include <vector>

// The factor steps once for every pixel drawn, a serial chain of float additions that
// costs more than the drawing itself. Its next value depends only on its current one, so
// the values it takes from 1.0 (where the program starts) up to its first reset, and over
// one whole cycle from 0.0 on, are stored once: 908,766 and 1,008,667 floats, plus the
// first `count` values of the cycle again so that every run is contiguous. That is about
// 7.6 MiB for runs of a frame's 76,800 pixels.
class FactorTable {
public:
    explicit FactorTable(std::size_t count);

    // The factors of `count` pixels in a row, the first being `start`, each the step
    // after the one before. Valid until the next call.
    const float* Run(float start);

private:
    std::size_t Find(float start) const;

    std::size_t count;
    std::vector<float> values;   // the run from 1.0, then the cycle from 0.0
    std::size_t cycleStart = 0;  // index of the cycle's 0.0
    std::size_t cycleLength = 0; // its values before it resets
    std::size_t next = 0;        // where the run after the last one starts
    std::vector<float> offTable; // a run from a value the table does not hold
};
