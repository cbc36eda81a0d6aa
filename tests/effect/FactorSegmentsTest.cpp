// FactorSegments: a frame's factors cut into segments scale every channel as the factor
// stepped pixel by pixel does, and end on the same factor.
#include "effect/FactorSegments.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "effect/Factor.h"

namespace {

// The program's start, the cycle's, a value before a reset, the last one, one on neither
// course, one below 2^-8, and factors set from outside up to the largest float below 2^24,
// the edge of those the segments cover, which reset after their first pixel.
const float kStarts[] = {1.0f,  0.0f,   9.5f,     9.99999046f, 3.14159f,   0.00005f,
                         16.0f, 100.5f, 4097.25f, 1048575.0f,  8388607.0f, 16777215.0f};

const int kPixels = 76800;

// Where the segments of a frame of `count` pixels from `start` first fail to be the factor
// stepped pixel by pixel: each channel times a segment's significand, shifted right, must be
// the channel times the stepped factor, truncated (Factor::Scale), the significands below
// 2^24 and the shifts from 0 to 31, as the row loops take them; the segments must follow each
// other from pixel 0 and end on the stepped factor. "" where they are.
std::string SegmentsDiffer(float start, int count) {
    const int channels[] = {1, 77, 128, 200, 255};
    std::vector<FactorSegment> segments;
    const float after = FactorSegments::Frame(start, count, segments);
    float f = start;
    int pixel = 0;
    for (const FactorSegment& s : segments) {
        const std::string at = "pixel " + std::to_string(pixel) + ": ";
        if (s.first != pixel) return at + "a segment starts at " + std::to_string(s.first);
        if (s.shift < 0 || s.shift >= 32) return at + "shift " + std::to_string(s.shift);
        for (int i = 0; i < s.count; ++i, ++pixel) {
            const Uint32 m = s.m + s.step * Uint32(i);
            if (m >= 1u << 24) return at + "significand " + std::to_string(m);
            for (const int c : channels)
                if (Uint8(Uint32(c) * m >> s.shift) != Factor::Scale(Uint8(c), f))
                    return "pixel " + std::to_string(pixel) + ", channel " + std::to_string(c) +
                           ": " + std::to_string(Uint8(Uint32(c) * m >> s.shift)) + ", stepped " +
                           std::to_string(Factor::Scale(Uint8(c), f));
            f = Factor::Advance(f);
        }
    }
    if (pixel != count) return "the segments hold " + std::to_string(pixel) + " pixels";
    if (after != f) return "the frame ends on " + std::to_string(after);
    return "";
}

TEST(FactorSegments, FrameScalesAsTheSteppedFactor) {
    for (const float start : kStarts)
        EXPECT_EQ(SegmentsDiffer(start, kPixels), "") << "starting from " << start;
}

// Every pixel of a course, from the program's start and the cycle's to the reset and from
// other factors, is the stepped factor. From 1.0 the first reset comes after 908,766 pixels;
// from 0.0 a cycle lasts 1,008,667. A course from 10 or above is its start alone.
TEST(FactorSegments, CoursesAreTheSteppedFactor) {
    const struct {
        float start;
        int length; // 0: as long as stepping says
    } courses[] = {{1.0f, 908766}, {0.0f, 1008667}, {9.5f, 0},  {9.99999046f, 1}, {3.14159f, 0},
                   {0.00005f, 0},  {0.0001f, 0},    {15.0f, 1}, {16777215.0f, 1}};
    for (const auto& course : courses) {
        SCOPED_TRACE("from " + std::to_string(course.start));
        const std::vector<FactorSegment> segments = FactorSegments::CourseFrom(course.start);
        float f = course.start;
        int pixel = 0;
        for (const FactorSegment& s : segments) {
            ASSERT_EQ(s.first, pixel);
            ASSERT_GT(s.count, 0);
            for (int i = s.first; i < s.first + s.count; ++i, ++pixel) {
                ASSERT_TRUE(pixel == 0 || f != 0.0f) << "pixel " << pixel << " is past the reset";
                ASSERT_EQ(FactorSegments::At(s, i), f) << "pixel " << pixel;
                f = Factor::Advance(f);
            }
        }
        EXPECT_EQ(f, 0.0f) << "the course ends before the reset, after " << pixel << " pixels";
        if (course.length) {
            EXPECT_EQ(pixel, course.length);
        }
    }
    // And the check the courses pass at start-up agrees: a check that failed would keep every
    // frame exact, stepped pixel by pixel, and only this would show it.
    EXPECT_TRUE(FactorSegments::CoursesHold());
}

// The fast passes take a factor exactly where a frame from it can be cut into segments: from
// 0 up to the last float below 2^24, which is a 24-bit significand shifted right. From 2^24 on
// the shift would be to the left. FrameEqualityTest holds the frames on both sides of it.
TEST(FactorSegments, CoverTheFactorsWhoseSegmentsHold) {
    const float factors[] = {0.0f,        -0.0f,       9.99999046f, 16.0f,
                             16777215.0f, 16777216.0f, 16777218.0f};
    for (const float f : factors) {
        const std::string differ = SegmentsDiffer(f, kPixels);
        EXPECT_EQ(FactorSegments::Covers(f), differ.empty()) << "from " << f << ": " << differ;
    }
    // Factors set from outside that no segment can hold: below 0, infinite, not a number.
    for (const float f :
         {-0.001f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()})
        EXPECT_FALSE(FactorSegments::Covers(f)) << f;
}

} // namespace
