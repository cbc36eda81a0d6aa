// FactorSegments: deriving the factor's courses once, and cutting a frame out of them.
#include "effect/FactorSegments.h"

#include <algorithm>
#include <cmath>

#include "effect/Factor.h"

namespace {

// A factor as significand and shift: f = m * 2^-shift, 2^23 <= m < 2^24 (0 for 0.0).
void Decompose(float f, Uint32& m, int& shift) {
    if (f == 0.0f) {
        m = 0;
        shift = 0;
        return;
    }
    int e = 0;
    const double fraction = std::frexp(double(f), &e); // f = fraction * 2^e, 0.5 <= fraction < 1
    m = Uint32(std::ldexp(fraction, 24));
    shift = 24 - e;
}

// One course of the factor: its segments from `start` on, up to (not including) its next
// reset to 0.0, `length` pixels in all, and whether every segment's last step is the
// stepped factor's.
struct Course {
    float start = 0.0f;
    std::vector<FactorSegment> segments;
    int length = 0;
    bool holds = true;
};

// How many pixels from significand m (shift `shift`) on take the same step: those of the
// binade, before the one that would reach 2^24, and only up to the last before the reset.
//
// With u = 2^-shift, the factor m * u plus the step s is (m + s/u) * u exactly. While the
// sum stays in the binade it is rounded to a multiple of u, to m + round(s/u) since m is an
// integer, so every pixel of the binade adds the same round(s/u) to the significand. The one
// exception is a tie, s/u ending in exactly 1/2, where rounding to even makes the step depend
// on m: such a binade is taken a pixel at a time.
Uint32 SameStep(Uint32 m, Uint32 step, int shift) {
    const double perUlp = std::ldexp(double(Factor::kStep), shift); // s/u, exact
    if (step == 0 || perUlp - std::floor(perUlp) == 0.5) return 1;
    Uint32 count = (0xFFFFFFu - m) / step + 1;
    // Pixel k + 1 follows pixel k only while (m + k step) u + s <= 10, the exact sum, that
    // is while m + k step <= floor((10 - s) / u): the difference and the scaling are exact in
    // double, and below 2^53 wherever the course comes near 10.
    const double limit = std::floor(std::ldexp(10.0 - double(Factor::kStep), shift));
    if (limit < 0x1p53 && double(m) + double(step) * double(count - 1) > limit) {
        const auto room = static_cast<long long>(limit) - static_cast<long long>(m);
        count = room < 0 ? 1 : Uint32(room / step) + 1;
    }
    return count;
}

// The course from `start`, run by run: each segment's first factor and its step come from
// Factor::Advance itself, its length from SameStep, and its last step is checked against
// Factor::Advance as well; the first segment that fails the check ends the course, which
// then does not hold. The tests check every pixel against the stepped factor.
Course Derive(float start) {
    Course course;
    course.start = start;
    for (float f = start; f != 0.0f || course.length == 0;) {
        Uint32 m = 0, next = 0;
        int shift = 0, nextShift = 0;
        Decompose(f, m, shift);
        const float after = Factor::Advance(f);
        Decompose(after, next, nextShift);
        const Uint32 step = after != 0.0f && m != 0 && nextShift == shift ? next - m : 0;
        const Uint32 count = SameStep(m, step, shift);
        course.segments.push_back({course.length, int(count), m, step, shift});
        course.length += int(count);

        const float last = FactorSegments::At(course.segments.back(), course.length - 1);
        if (count > 1 && Factor::Advance(FactorSegments::At(course.segments.back(),
                                                            course.length - 2)) != last) {
            course.holds = false;
            break;
        }
        f = Factor::Advance(last);
    }
    return course;
}

// The course from 1.0 to the first reset, and the cycle from 0.0 that repeats after it.
// Frames are cut out of them where both hold.
struct Courses {
    Course fromOne = Derive(1.0f);
    Course cycle = Derive(0.0f);
    bool hold = fromOne.holds && cycle.holds;
};

const Courses& TheCourses() {
    static const Courses courses;
    return courses;
}

// The last segment of `course` for which `before` holds; every segment holds it up to some
// point and none after, since a course rises strictly.
template <typename Before> const FactorSegment& LastWhere(const Course& course, Before before) {
    const auto after =
        std::partition_point(course.segments.begin() + 1, course.segments.end(), before);
    return *(after - 1);
}

// The segment of `course` that holds pixel `index`.
const FactorSegment& SegmentAt(const Course& course, int index) {
    return LastWhere(course, [index](const FactorSegment& s) { return s.first <= index; });
}

// A frame's segment: one whose factors are all below 2^-8, so that every product is 0, is
// stored as zeros, which the row loops shift by nothing.
FactorSegment ForFrame(FactorSegment s) {
    if (s.shift >= 32) s.m = s.step = 0, s.shift = 0;
    return s;
}

// Where `start` lies in `course`, or false. Within its segment the significand tells the
// pixel.
bool Find(const Course& course, float start, int& index) {
    const FactorSegment& s = LastWhere(course, [start](const FactorSegment& segment) {
        return FactorSegments::At(segment, segment.first) <= start;
    });
    Uint32 m = 0;
    int shift = 0;
    Decompose(start, m, shift);
    if (shift != s.shift || m < s.m) return false;
    const Uint32 offset = m - s.m;
    if (s.step == 0 ? offset != 0 : offset % s.step != 0) return false;
    const Uint32 j = s.step == 0 ? 0 : offset / s.step;
    if (j >= Uint32(s.count)) return false;
    index = s.first + int(j);
    return true;
}

} // namespace

void FactorSegments::Prepare() {
    TheCourses();
}

bool FactorSegments::CoursesHold() {
    return TheCourses().hold;
}

std::vector<FactorSegment> FactorSegments::CourseFrom(float start) {
    return Derive(start).segments;
}

float FactorSegments::Frame(float start, int count, std::vector<FactorSegment>& out) {
    out.clear();
    const Courses& courses = TheCourses();
    const Course* course = nullptr;
    int index = 0;
    if (courses.hold) {
        if (Find(courses.fromOne, start, index))
            course = &courses.fromOne;
        else if (Find(courses.cycle, start, index))
            course = &courses.cycle;
    }
    if (!course) {
        float f = start;
        for (int i = 0; i < count; ++i) {
            Push(out, i, f);
            f = Factor::Advance(f);
        }
        for (FactorSegment& s : out)
            s = ForFrame(s);
        return f;
    }

    for (int done = 0; done < count;) {
        const FactorSegment& s = SegmentAt(*course, index);
        const int n = std::min(s.first + s.count - index, count - done);
        const Uint32 m = s.m + s.step * Uint32(index - s.first);
        out.push_back(ForFrame({done, n, m, s.step, s.shift}));
        done += n;
        index += n;
        // Past a reset the factor goes on with the cycle from 0.0.
        if (index == course->length) {
            course = &courses.cycle;
            index = 0;
        }
    }
    return At(SegmentAt(*course, index), index);
}

void FactorSegments::Push(std::vector<FactorSegment>& segments, int index, float factor) {
    Uint32 m = 0;
    int shift = 0;
    Decompose(factor, m, shift);
    if (!segments.empty()) {
        FactorSegment& s = segments.back();
        if (s.shift == shift && s.first + s.count == index) {
            if (s.count == 1 && m >= s.m && (m != 0 || s.m == 0)) {
                s.step = m - s.m;
                s.count = 2;
                return;
            }
            if (s.count >= 2 && m == s.m + s.step * Uint32(s.count)) {
                ++s.count;
                return;
            }
        }
    }
    segments.push_back({index, 1, m, 0, shift});
}

float FactorSegments::At(const FactorSegment& segment, int index) {
    const Uint32 m = segment.m + segment.step * Uint32(index - segment.first);
    return float(std::ldexp(double(m), -segment.shift));
}
