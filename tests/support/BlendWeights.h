// BlendWeights: the overlay's weights the blend tests mix every pair of channels at.
#pragma once

#include <cmath>
#include <vector>

#include "effect/Factor.h"

// The weights the factor gives the overlay: its values at the end of a frame, anywhere on its
// course from 1.0 and on its cycle from 0.0 (every 19,997th of them); 0, and each power of
// two p from 1/8 to 8 and 10, with the floats next to them, where the mix's arithmetic
// changes; p * (1 + 2^-j) for every bit j of the significand and every k/8 up to 10, whose
// mixes land on fractions of every size, halves and quarters among them, above and below 0.
// Then some the factor never gives, mixed in doubles: below 1/8, above 10, below 0.
inline std::vector<float> FactorWeights() {
    std::vector<float> alphas = {0.0f, 10.0f, std::nextafter(10.0f, 0.0f)};
    for (const float p : {0.125f, 0.25f, 0.5f, 1.0f, 2.0f, 4.0f, 8.0f}) {
        alphas.insert(alphas.end(), {std::nextafter(p, 0.0f), p, std::nextafter(p, 16.0f)});
        for (int j = 1; j <= 23; ++j)
            alphas.push_back(p + std::ldexp(p, -j));
    }
    for (int k = 1; k <= 80; ++k)
        alphas.push_back(float(k) / 8);
    for (const float start : {1.0f, 0.0f}) {
        float f = start;
        for (long i = 0; f != 0.0f || i == 0; f = Factor::Advance(f))
            if (i++ % 19997 == 0) alphas.push_back(f);
    }
    alphas.insert(alphas.end(), {Factor::kStep, 0.1f, 12.0f, -0.5f});
    return alphas;
}
