// FastWarp: the fixed map and the runs derived from the plain rule, and the row pass for
// every CPU path.
#include "effect/FastWarp.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "effect/FastBlend.h"
#include "effect/ScreenRows.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kPixels = kWidth * kHeight;

// Row order: position (x, y) is y * kWidth + x; the cache's entry for it is x * kHeight + y.
int EntryOf(int q) {
    return (q % kWidth) * kHeight + q / kWidth;
}

// A run of the next frame's row, copied from this frame's rows.
struct Run {
    int from;
    int length;
};

// The map and the runs, worked out once from the plain rule and checked.
struct Plan {
    std::vector<Uint32> source; // after a frame, entry d holds entry source[d]'s colour
    std::vector<Run> runs;      // the rows of the next frame, row after row
    std::vector<int> rowRuns;   // row y's runs are runs[rowRuns[y]] to runs[rowRuns[y + 1]]

    Plan() : source(kPixels) {
        // The plain pass on entry numbers instead of colours.
        for (int d = 0; d < kPixels; ++d)
            source[std::size_t(d)] = Uint32(d);
        for (int x = 0; x < kWidth; ++x)
            for (int y = 0; y < kHeight; ++y)
                source[std::size_t(x * kHeight + y)] =
                    source[std::size_t(kHeight * y + x + kHeight + 1)];

        // Where each entry's colour is shown (in row order), several places for most.
        std::vector<int> first(kPixels + 1, 0);
        for (const Uint32 s : source)
            ++first[s + 1];
        for (int e = 0; e < kPixels; ++e)
            first[std::size_t(e + 1)] += first[std::size_t(e)];
        std::vector<int> shownAt(kPixels);
        std::vector<int> fill(first.begin(), first.end() - 1);
        for (int q = 0; q < kPixels; ++q)
            shownAt[std::size_t(fill[source[std::size_t(EntryOf(q))]]++)] = q;

        // The next frame shows at q what this frame shows at any q' whose entry holds the
        // colour q's entry will hold; the longest run of such q' is taken each time.
        const auto wanted = [&](int q) { return source[source[std::size_t(EntryOf(q))]]; };
        const auto shows = [&](int q) { return source[std::size_t(EntryOf(q))]; };
        for (int y = 0; y < kHeight; ++y) {
            rowRuns.push_back(int(runs.size()));
            for (int x = 0; x < kWidth;) {
                const int q = y * kWidth + x;
                const Uint32 want = wanted(q);
                Run best = {-1, 0};
                for (int k = first[want]; k < first[want + 1]; ++k) {
                    const int from = shownAt[std::size_t(k)];
                    int length = 0;
                    while (x + length < kWidth && from + length < kPixels &&
                           shows(from + length) == wanted(q + length))
                        ++length;
                    if (length > best.length) best = {from, length};
                }
                runs.push_back(best);
                x += best.length;
            }
        }
        rowRuns.push_back(int(runs.size()));

        // The check: two frames of the plain rule on entry numbers against the runs.
        std::vector<Uint32> cache(kPixels);
        for (int d = 0; d < kPixels; ++d)
            cache[std::size_t(d)] = source[std::size_t(d)];
        for (int x = 0; x < kWidth; ++x)
            for (int y = 0; y < kHeight; ++y)
                cache[std::size_t(x * kHeight + y)] =
                    cache[std::size_t(kHeight * y + x + kHeight + 1)];
        for (int y = 0; y < kHeight; ++y) {
            int q = y * kWidth;
            for (int r = rowRuns[std::size_t(y)]; r < rowRuns[std::size_t(y + 1)]; ++r)
                for (int i = 0; i < runs[std::size_t(r)].length; ++i, ++q)
                    if (shows(runs[std::size_t(r)].from + i) != cache[std::size_t(EntryOf(q))])
                        throw std::logic_error("warp runs differ from the plain pass");
            if (q != (y + 1) * kWidth) throw std::logic_error("warp runs do not fill a row");
        }
    }
};

const Plan& ThePlan() {
    static const Plan plan;
    return plan;
}

Uint32 Packed(const Color& c) {
    return Uint32(c.r | c.g << 8 | c.b << 16);
}

// One run of a row scaled by its factors, mapped and stored. The factor of pixel i is
// (m + mStep * i) * 2^-shift with a significand below 2^24, so each channel's product is an
// exact 32-bit integer and the shift truncates it as the double product truncates.
template <typename Pixel>
PRISMWARP_ALWAYS_INLINE void ScaleRow(Pixel* __restrict out, const Uint32* __restrict colours,
                                      int n, Uint32 m, Uint32 mStep, int shift,
                                      const ScreenRows& screen) {
    const ScreenRows layout = screen;
    for (int i = 0; i < n; ++i) {
        const Uint32 f = m + mStep * Uint32(i);
        const Uint32 c = colours[i];
        const Uint32 r = ((c & 255) * f) >> shift & 255;
        const Uint32 g = ((c >> 8 & 255) * f) >> shift & 255;
        const Uint32 b = ((c >> 16 & 255) * f) >> shift & 255;
        out[i] = Pixel(layout.Pack(r, g, b));
    }
}

template <typename Pixel>
using ScaleRowFn = void (*)(Pixel*, const Uint32*, int, Uint32, Uint32, int, const ScreenRows&);

template <typename Pixel>
void ScaleRowBaseline(Pixel* out, const Uint32* colours, int n, Uint32 m, Uint32 mStep, int shift,
                      const ScreenRows& screen) {
    ScaleRow(out, colours, n, m, mStep, shift, screen);
}

template <typename Pixel>
PRISMWARP_TARGET_AVX2 void ScaleRowAvx2(Pixel* out, const Uint32* colours, int n, Uint32 m,
                                        Uint32 mStep, int shift, const ScreenRows& screen) {
    ScaleRow(out, colours, n, m, mStep, shift, screen);
}

template <typename Pixel>
PRISMWARP_TARGET_AVX512 void ScaleRowAvx512(Pixel* out, const Uint32* colours, int n, Uint32 m,
                                            Uint32 mStep, int shift, const ScreenRows& screen) {
    ScaleRow(out, colours, n, m, mStep, shift, screen);
}
template <typename Pixel> ScaleRowFn<Pixel> ScaleRowFor(CpuPath path) {
    return ForPath<ScaleRowFn<Pixel>>(path, ScaleRowBaseline<Pixel>, ScaleRowAvx2<Pixel>,
                                      ScaleRowAvx512<Pixel>);
}

// The frame's pixels are counted column by column; row y holds those with index
// i = x * kHeight + y. This scales the part of row y that `segment` covers.
template <typename Pixel>
void DrawRow(ScaleRowFn<Pixel> scale, const ScreenRows& screen, int y, const Uint32* colours,
             const std::vector<FactorSegment>& segments) {
    Pixel* out = screen.Row<Pixel>(y);
    for (const FactorSegment& s : segments) {
        // The columns x with s.first <= x * kHeight + y < s.first + s.count.
        const auto firstColumn = [y](int i) {
            return i - y <= 0 ? 0 : (i - y + kHeight - 1) / kHeight;
        };
        const int x0 = firstColumn(s.first);
        const int x1 = std::min(kWidth, firstColumn(s.first + s.count));
        if (x0 >= x1) continue;
        const Uint32 m = s.m + s.step * Uint32(x0 * kHeight + y - s.first);
        scale(out + x0, colours + x0, x1 - x0, m, s.step * kHeight, s.shift, screen);
    }
}

template <typename Pixel>
void DrawFrame(const ScreenRows& screen, CpuPath path, const Uint32* rows, Uint32* next,
               const std::vector<FactorSegment>& segments, const FastBlend* overlay, float alpha) {
    const Plan& plan = ThePlan();
    const ScaleRowFn<Pixel> scale = ScaleRowFor<Pixel>(path);
    for (int y = 0; y < kHeight; ++y) {
        DrawRow<Pixel>(scale, screen, y, rows + y * kWidth, segments);
        // The overlay reads the row just drawn, while it is still in the cache.
        if (overlay) overlay->Row(screen, y, alpha, path);
        Uint32* to = next + y * kWidth;
        for (int r = plan.rowRuns[std::size_t(y)]; r < plan.rowRuns[std::size_t(y + 1)]; ++r) {
            const Run& run = plan.runs[std::size_t(r)];
            std::memcpy(to, rows + run.from, std::size_t(run.length) * sizeof(Uint32));
            to += run.length;
        }
    }
}

} // namespace

FastWarp::FastWarp() : rows(kPixels), next(kPixels) {
    ThePlan();
}

void FastWarp::Load(const Color* cache) {
    const Plan& plan = ThePlan();
    for (int q = 0; q < kPixels; ++q)
        rows[std::size_t(q)] = Packed(cache[plan.source[std::size_t(EntryOf(q))]]);
    frames = 0;
    loaded = true;
}

void FastWarp::Store(Color* cache) {
    if (!loaded || frames == 0) return;
    // After k frames entry d holds the loaded cache's entry source^k[d], worked out by
    // repeated squaring.
    const std::vector<Uint32>& source = ThePlan().source;
    std::vector<Uint32> power = source;
    std::vector<Uint32> result(kPixels);
    for (int d = 0; d < kPixels; ++d)
        result[std::size_t(d)] = Uint32(d);
    std::vector<Uint32> scratch(kPixels);
    for (long k = frames; k > 0; k >>= 1) {
        if (k & 1)
            for (Uint32& r : result)
                r = power[r];
        if (k > 1) {
            for (int d = 0; d < kPixels; ++d)
                scratch[std::size_t(d)] = power[power[std::size_t(d)]];
            power.swap(scratch);
        }
    }
    const std::vector<Color> loadedCache(cache, cache + kPixels);
    for (int d = 0; d < kPixels; ++d)
        cache[d] = loadedCache[result[std::size_t(d)]];
    frames = 0;
}

float FastWarp::Draw(SDL_Surface* screen, float start, CpuPath path, const FastBlend* overlay) {
    const float after = FactorSegments::Frame(start, kPixels, segments);
    const ScreenRows rowsOf(screen);
    if (rowsOf.bytesPerPixel == 4)
        DrawFrame<Uint32>(rowsOf, path, rows.data(), next.data(), segments, overlay, after);
    else
        DrawFrame<Uint16>(rowsOf, path, rows.data(), next.data(), segments, overlay, after);
    rows.swap(next);
    ++frames;
    return after;
}
