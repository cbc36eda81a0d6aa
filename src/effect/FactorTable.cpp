// FactorTable: building the factor's runs once and finding a frame's run in them.
#include "effect/FactorTable.h"

#include <algorithm>

#include "effect/WarpEffect.h"

namespace {

const std::size_t kNotFound = std::size_t(-1);

} // namespace

FactorTable::FactorTable(std::size_t count) : count(count) {
    // From 1.0 up to the first reset. The run never meets a value of the cycle from 0.0,
    // so it is kept whole.
    float f = 1.0f;
    do {
        values.push_back(f);
        f = WarpEffect::Advance(f);
    } while (f != 0.0f);

    cycleStart = values.size();
    do {
        values.push_back(f);
        f = WarpEffect::Advance(f);
    } while (f != 0.0f);
    cycleLength = values.size() - cycleStart;

    // A run that starts late in the cycle goes on past its reset without wrapping.
    for (std::size_t i = 0; i < count; ++i)
        values.push_back(values[cycleStart + i % cycleLength]);
}

const float* FactorTable::Run(float start) {
    // Frame after frame the next run starts where the last one ended; anything else
    // (the first frame, a factor set from outside) is looked up.
    if (next == kNotFound || values[next] != start) next = Find(start);
    if (next == kNotFound) {
        offTable.resize(count);
        float f = start;
        for (float& value : offTable) {
            value = f;
            f = WarpEffect::Advance(f);
        }
        return offTable.data();
    }

    const float* run = &values[next];
    next += count;
    if (next >= cycleStart + cycleLength) next -= cycleLength;
    return run;
}

std::size_t FactorTable::Find(float start) const {
    // Both parts rise strictly, so each is searched by halving. Equal values are
    // followed by equal runs, whichever part holds them.
    const auto parts = {std::make_pair(std::size_t(0), cycleStart),
                        std::make_pair(cycleStart, cycleStart + cycleLength)};
    for (const auto& [first, last] : parts) {
        const auto begin = values.begin() + std::ptrdiff_t(first);
        const auto end = values.begin() + std::ptrdiff_t(last);
        const auto at = std::lower_bound(begin, end, start);
        if (at != end && *at == start) return std::size_t(at - values.begin());
    }
    return kNotFound;
}
