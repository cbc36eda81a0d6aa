// FactorSegments: deriving the factor's courses once, and cutting a frame out of them.
#include "effect/FactorSegments.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

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
// reset to 0.0, `length` pixels in all.
struct Course {
    float start = 0.0f;
    std::vector<FactorSegment> segments;
    int length = 0;
};

Course Derive(float start) {
    Course course;
    course.start = start;
    float f = start;
    do {
        FactorSegments::Push(course.segments, course.length++, f);
        f = Factor::Advance(f);
    } while (f != 0.0f);

    // The check: every segment gives back the stepped factors.
    f = start;
    for (const FactorSegment& s : course.segments) {
        for (int i = s.first; i < s.first + s.count; ++i) {
            if (FactorSegments::At(s, i) != f)
                throw std::logic_error("factor segments differ from the stepped factor");
            f = Factor::Advance(f);
        }
    }
    return course;
}

// The course from 1.0 to the first reset, and the cycle from 0.0 that repeats after it.
struct Courses {
    Course fromOne = Derive(1.0f);
    Course cycle = Derive(0.0f);
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
    if (start == course.start) {
        index = 0;
        return true;
    }
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

float FactorSegments::Frame(float start, int count, std::vector<FactorSegment>& out) {
    out.clear();
    const Courses& courses = TheCourses();
    const Course* course = &courses.fromOne;
    int index = 0;
    if (!Find(*course, start, index)) {
        course = &courses.cycle;
        if (!Find(*course, start, index)) {
            float f = start;
            for (int i = 0; i < count; ++i) {
                Push(out, i, f);
                f = Factor::Advance(f);
            }
            for (FactorSegment& s : out)
                s = ForFrame(s);
            return f;
        }
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
