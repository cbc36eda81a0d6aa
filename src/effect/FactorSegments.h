// FactorSegments: the factors of a frame's pixels as a few arithmetic runs, generated
// instead of stepped.
#pragma once

#include <SDL.h>

#include <vector>

// Pixels first <= i < first + count have the factor (m + step * (i - first)) * 2^-shift,
// m and every later significand below 2^24, and shift at least 0. A channel times such a
// factor, truncated, is (channel * significand) >> shift: the product of an 8-bit channel
// and a 24-bit significand fits 32 bits, so it is exact, and the shift truncates exactly as
// the double product does. In a frame's segments a shift of 32 or more (a factor below
// 2^-8, whose products are all 0) is stored as m = step = shift = 0.
struct FactorSegment {
    int first;
    int count;
    Uint32 m;
    Uint32 step;
    int shift;
};

// Stepping the factor is a serial chain of additions that costs more than the drawing.
// Within one binade the significand grows by a constant step, so the whole course of the
// factor from 1.0 (where the program starts) to its first reset, and its cycle from 0.0,
// are a few dozen segments. They are derived once, segment by segment from the factor's
// arithmetic rather than pixel by pixel, and the last step of every segment is checked
// against Factor::Advance; the tests check every pixel of both. A course whose check fails
// is not used: the frames on it are stepped pixel by pixel.
class FactorSegments {
public:
    // Whether frames from `start` can be cut into segments: any factor from 0 up to below
    // 2^24. Below 2^24 a float is a 24-bit significand shifted right (by 0 at least), so that
    // the product of a channel and the significand, shifted, is the truncated product; from
    // 2^24 on the shift would be to the left. A factor set from outside to anything else
    // (negative, 2^24 or more, not a number) is drawn by the plain passes.
    static bool Covers(float start) { return start >= 0.0f && start < 0x1p24f; }

    // Derives the courses now rather than at the first frame.
    static void Prepare();
    // Whether both courses passed their check, so that frames are cut out of them.
    static bool CoursesHold();

    // The course from `start` up to its next reset, which the segments' pixels count from 0.
    static std::vector<FactorSegment> CourseFrom(float start);

    // The segments of the `count` pixels from `start` on, first-to-last, with the factor
    // the pixel after them has. A start off both courses (a factor set from outside), or
    // any start where the courses do not hold, is stepped pixel by pixel.
    static float Frame(float start, int count, std::vector<FactorSegment>& out);

    // Appends one more pixel's factor to segments that end at pixel `index` - 1.
    static void Push(std::vector<FactorSegment>& segments, int index, float factor);
    // The factor of pixel `index`, which a segment holds.
    static float At(const FactorSegment& segment, int index);
};
