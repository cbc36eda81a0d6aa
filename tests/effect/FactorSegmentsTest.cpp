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

TEST(FactorSegments, FrameScalesAsTheSteppedFactor) {
    const int kPixels = 76800;
    const int channels[] = {1, 77, 128, 200, 255};
    for (const float start : kStarts) {
        SCOPED_TRACE("starting from " + std::to_string(start));
        std::vector<FactorSegment> segments;
        const float after = FactorSegments::Frame(start, kPixels, segments);
        ASSERT_FALSE(segments.empty());
        EXPECT_EQ(segments.front().first, 0);
        float f = start;
        int pixel = 0;
        for (const FactorSegment& s : segments) {
            ASSERT_EQ(s.first, pixel);
            ASSERT_LT(s.shift, 32);
            for (int i = 0; i < s.count; ++i, ++pixel) {
                const Uint32 m = s.m + s.step * Uint32(i);
                ASSERT_LT(m, 1u << 24);
                for (const int c : channels)
                    ASSERT_EQ(Uint8(Uint32(c) * m >> s.shift), Factor::Scale(Uint8(c), f))
                        << "pixel " << pixel << ", channel " << c;
                f = Factor::Advance(f);
            }
        }
        EXPECT_EQ(pixel, kPixels);
        EXPECT_EQ(after, f);
    }
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

// Below 2^24 a factor is a 24-bit significand shifted right; at 2^24 the shift would be to the
// left. FrameScalesAsTheSteppedFactor holds the segments to the plain arithmetic up to the
// last float below 2^24, and FrameEqualityTest the frames on both sides of it.
TEST(FactorSegments, CoversFactorsFromZeroToBelowTwoToThe24) {
    EXPECT_TRUE(FactorSegments::Covers(0.0f));
    EXPECT_TRUE(FactorSegments::Covers(-0.0f));
    EXPECT_TRUE(FactorSegments::Covers(9.99999046f));
    EXPECT_TRUE(FactorSegments::Covers(16.0f));
    EXPECT_TRUE(FactorSegments::Covers(16777215.0f));
    EXPECT_FALSE(FactorSegments::Covers(16777216.0f));
    EXPECT_FALSE(FactorSegments::Covers(16777218.0f));
    EXPECT_FALSE(FactorSegments::Covers(std::numeric_limits<float>::infinity()));
    EXPECT_FALSE(FactorSegments::Covers(-0.001f));
    EXPECT_FALSE(FactorSegments::Covers(std::numeric_limits<float>::quiet_NaN()));
}

} // namespace
