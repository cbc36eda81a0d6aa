// FastWarp: the fixed map and the moves derived from the plain pass's reshuffle, the ring,
// and the row pass for every CPU path.
#include "effect/FastWarp.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "effect/FastBlend.h"
#include "effect/FrameSize.h"
#include "effect/Reshuffle.h"
#include "effect/ScreenRows.h"
#include "effect/Simd128.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kWidth = FrameSize::kWidth;
constexpr int kHeight = FrameSize::kHeight;
constexpr int kPixels = FrameSize::kPixels;

// Row order: position (x, y) is y * kWidth + x; the cache's entry for it is x * kHeight + y.
int EntryOf(int q) {
    return (q % kWidth) * kHeight + q / kWidth;
}

// One frame of the plain pass's reshuffle on entry numbers instead of colours.
void ReshuffleEntries(std::vector<Uint32>& cache) {
    Reshuffle::Frame(cache.data(), [](int, int, Uint32) {});
}

// How the next frame's colours come from this frame's, worked out once from the plain pass's
// reshuffle and checked against it.
struct Plan {
    std::vector<Uint32> source; // after a frame, entry d holds what entry source[d] held
    // Most positions show in the next frame what this one shows kStep positions on, in row
    // order: the rule reads the cache transposed and one step down the diagonal, so over two
    // frames, transposed twice, a colour moves two rows and two columns on.
    static constexpr int kStep = 2 * kWidth + 2;
    // The other positions (2,060, scattered), moved one by one: offStepTo[i] shows next what
    // offStepFrom[i] shows now.
    std::vector<int> offStepTo;
    std::vector<int> offStepFrom;
    // Whether the step and the moves give what two frames of the reshuffle give.
    bool holds = false;

    Plan() : source(kPixels) {
        for (int d = 0; d < kPixels; ++d)
            source[std::size_t(d)] = Uint32(d);
        ReshuffleEntries(source);

        // The next frame shows at q what this frame shows at any q' whose entry holds now
        // the colour q's entry will hold.
        const auto shows = [&](int q) { return source[std::size_t(EntryOf(q))]; };
        const auto wanted = [&](int q) { return source[source[std::size_t(EntryOf(q))]]; };

        // A place where each entry's colour is shown, the first of several for most.
        std::vector<int> shownAt(kPixels, 0);
        for (int q = kPixels - 1; q >= 0; --q)
            shownAt[shows(q)] = q;
        for (int q = 0; q < kPixels; ++q) {
            if (q + kStep < kPixels && shows(q + kStep) == wanted(q)) continue;
            offStepTo.push_back(q);
            offStepFrom.push_back(shownAt[wanted(q)]);
        }

        // The check: two frames of the reshuffle on entry numbers against the step and the
        // moves.
        std::vector<Uint32> next(kPixels);
        for (int q = 0; q + kStep < kPixels; ++q)
            next[std::size_t(q)] = shows(q + kStep);
        for (std::size_t i = 0; i < offStepTo.size(); ++i)
            next[std::size_t(offStepTo[i])] = shows(offStepFrom[i]);
        std::vector<Uint32> twice(source);
        ReshuffleEntries(twice);
        holds = true;
        for (int q = 0; q < kPixels; ++q)
            holds = holds && next[std::size_t(q)] == twice[std::size_t(EntryOf(q))];
    }
};

const Plan& ThePlan() {
    static const Plan plan;
    return plan;
}

// How one run of a row is scaled and mapped: the factor of pixel i is
// (m + mStep * i) * 2^-shift with a significand below 2^24, so each channel's product c × f
// is an exact 32-bit integer p, and p >> shift truncates it as the double product
// truncates. Mapping then keeps the low 8 bits, drops the channel's loss and moves it to
// its place: ((p >> shift) & 255) >> loss << place. Where shift + loss >= place that is
// (p >> (shift + loss - place)) & ((255 >> loss) << place), the same bits in two steps;
// `masked` says whether that holds for all three channels.
struct Scaling {
    Uint32 m, mStep;
    bool masked;
    int shift;                  // unmasked: the truncation
    int rDown, gDown, bDown;    // masked: shift + loss - place, below 32
    Uint32 rMask, gMask, bMask; // masked: the channel's bits in the pixel
    Uint32 aMask;
};

Scaling ScalingOf(const ChannelLayout& layout, Uint32 m, Uint32 mStep, int shift) {
    Scaling s{m, mStep, true, shift, 0, 0, 0, 0, 0, 0, layout.aMask};
    const auto channel = [&](int loss, int place, int& down, Uint32& mask) {
        down = shift + loss - place;
        mask = (255u >> loss) << place;
        if (down < 0) s.masked = false;
        // All of p is shifted out: the channel is 0.
        if (down >= 32) down = 0, mask = 0;
    };
    channel(layout.rLoss, layout.rShift, s.rDown, s.rMask);
    channel(layout.gLoss, layout.gShift, s.gDown, s.gMask);
    channel(layout.bLoss, layout.bShift, s.bDown, s.bMask);
    return s;
}

// The row loop of one run: n colours (red, green, blue from the lowest byte) scaled and
// mapped into `out`, for every CPU path (PerPath). The WebAssembly path does all but the last
// n % 4 pixels of a masked run on a 32-bit screen four at a time (Simd128::ScaleRow).
template <bool kMasked, typename Pixel> struct ScaleLoop {
    template <CpuPath kPath>
    PRISMWARP_ALWAYS_INLINE static void Row(Pixel* __restrict out, const Uint32* __restrict colours,
                                            int n, const Scaling& scaling,
                                            const ChannelLayout& channels) {
        // Copies in locals: the stores through `out` could change them, as far as the
        // compiler knows, and it would read them anew for every pixel.
        const ChannelLayout layout = channels;
        int i = 0;
#if PRISMWARP_SIMD128_PATH
        if constexpr (kPath == CpuPath::Simd128 && kMasked && sizeof(Pixel) == 4)
            i = Simd128::ScaleRow(out, colours, n, scaling, layout);
#endif
        const Scaling k = scaling;
        Uint32 f = k.m + k.mStep * Uint32(i);
        for (; i < n; ++i, f += k.mStep) {
            const Uint32 c = colours[i];
            const Uint32 r = (c & 255) * f;
            const Uint32 g = (c >> 8 & 255) * f;
            const Uint32 b = (c >> 16 & 255) * f;
            if constexpr (kMasked)
                out[i] = Pixel((r >> k.rDown & k.rMask) | (g >> k.gDown & k.gMask) |
                               (b >> k.bDown & k.bMask) | k.aMask);
            else
                out[i] =
                    Pixel(layout.Pack(r >> k.shift & 255, g >> k.shift & 255, b >> k.shift & 255));
        }
    }
};

// The frame's pixels are counted column by column; row y holds those with index
// i = x * kHeight + y. This scales row y, run by run of the frame's factor segments.
template <typename Pixel> struct RowScalers {
    explicit RowScalers(CpuPath path)
        : masked(PerPath<ScaleLoop<true, Pixel>>::For(path)),
          unmasked(PerPath<ScaleLoop<false, Pixel>>::For(path)) {}

    void Draw(const ChannelLayout& layout, int y, Pixel* out, const Uint32* colours,
              const std::vector<FactorSegment>& segments) const {
        for (const FactorSegment& s : segments) {
            // The columns x with s.first <= x * kHeight + y < s.first + s.count.
            const auto firstColumn = [y](int i) {
                return i - y <= 0 ? 0 : (i - y + kHeight - 1) / kHeight;
            };
            const int x0 = firstColumn(s.first);
            const int x1 = std::min(kWidth, firstColumn(s.first + s.count));
            if (x0 >= x1) continue;
            const Uint32 m = s.m + s.step * Uint32(x0 * kHeight + y - s.first);
            const Scaling scaling = ScalingOf(layout, m, s.step * kHeight, s.shift);
            (scaling.masked ? masked : unmasked)(out + x0, colours + x0, x1 - x0, scaling, layout);
        }
    }

    typename PerPath<ScaleLoop<true, Pixel>>::Fn masked;
    typename PerPath<ScaleLoop<false, Pixel>>::Fn unmasked;
};

// Copies a finished row to the screen with streaming stores where the CPU has them: the
// screen is not read back this frame, and the present that reads it comes after SDL's own
// work has pushed it out of the cache, so storing around the cache saves reading every
// line in before it is written.
void StreamRow(void* to, const void* from, std::size_t bytes) {
#if defined(__SSE2__)
    auto* out = static_cast<Uint8*>(to);
    const auto* in = static_cast<const Uint8*>(from);
    std::size_t head = (16 - reinterpret_cast<std::uintptr_t>(out) % 16) % 16;
    if (head > bytes) head = bytes;
    std::memcpy(out, in, head);
    std::size_t i = head;
    for (; i + 16 <= bytes; i += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)));
    std::memcpy(out + i, in + i, bytes - i);
#else
    std::memcpy(to, from, bytes);
#endif
}

// Where there are streaming stores, each row is finished in a small buffer that stays in the
// L1 cache: the overlay mixes it there, and it goes to the screen in one pass. Elsewhere
// (WebAssembly has none) copying it would only add a pass: the row is finished where it
// stays, in the screen.
#if defined(__SSE2__)
constexpr bool kStreamRows = true;
#else
constexpr bool kStreamRows = false;
#endif

// The frame's rows, drawn in the screen's layout and stored in `stored`'s, which is the
// screen's own but where the presenter takes a covering frame in another (DrawTarget). The overlay
// reads a row in the screen's layout, so with it the warp draws in that and the overlay stores.
template <typename Pixel>
void DrawFrame(const ScreenRows& screen, const ScreenRows& stored, CpuPath path, const Uint32* rows,
               const std::vector<FactorSegment>& segments, const FastBlend* overlay, float alpha) {
    const RowScalers<Pixel> scalers(path);
    alignas(64) Pixel line[kWidth];
    for (int y = 0; y < kHeight; ++y) {
        Pixel* row = kStreamRows ? line : screen.Row<Pixel>(y);
        scalers.Draw((overlay ? screen : stored).layout, y, row, rows + y * kWidth, segments);
        if (overlay) overlay->Row(row, y, alpha, path, stored);
        if (kStreamRows) StreamRow(screen.Row<Pixel>(y), line, sizeof line);
    }
#if defined(__SSE2__)
    // The streamed lines are ordered before whatever reads the screen next.
    _mm_sfence();
#endif
}

} // namespace

// The ring holds this frame's colours at base <= i < base + kPixels and has room for the
// window to move on by the step for kLaps frames before it is moved back to the start.
constexpr int kLaps = 64;

FastWarp::FastWarp()
    : ring(std::size_t(kPixels + kLaps * Plan::kStep)), offStepColours(ThePlan().offStepTo.size()),
      ready(ThePlan().holds) {
    FactorSegments::Prepare();
}

int FastWarp::OffStepPositions() {
    return int(ThePlan().offStepTo.size());
}

void FastWarp::Load(const Color* cache) {
    const Plan& plan = ThePlan();
    base = 0;
    for (int q = 0; q < kPixels; ++q)
        ring[std::size_t(q)] = cache[plan.source[std::size_t(EntryOf(q))]].Channels();
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

float FastWarp::Draw(const DrawTarget& target, float start, CpuPath path,
                     const FastBlend* overlay) {
    const float after = FactorSegments::Frame(start, kPixels, segments);
    const ScreenRows rowsOf(target.surface);
    const ScreenRows stored(target.surface, *target.layout);
    const Uint32* rows = &ring[std::size_t(base)];
    if (rowsOf.pixels.BytesPerPixel() == 4)
        DrawFrame<Uint32>(rowsOf, stored, path, rows, segments, overlay, after);
    else
        DrawFrame<Uint16>(rowsOf, stored, path, rows, segments, overlay, after);

    // The next frame's colours: most are this frame's kStep positions on, so the window
    // moves on instead of them. The others are read before any is written, since a
    // position they are written to may be one another is read from.
    const Plan& plan = ThePlan();
    if (base + Plan::kStep + kPixels > int(ring.size())) {
        std::memmove(ring.data(), ring.data() + base, std::size_t(kPixels) * sizeof(Uint32));
        base = 0;
    }
    const std::size_t n = plan.offStepTo.size();
    const Uint32* now = &ring[std::size_t(base)];
    for (std::size_t i = 0; i < n; ++i)
        offStepColours[i] = now[plan.offStepFrom[i]];
    base += Plan::kStep;
    Uint32* next = &ring[std::size_t(base)];
    for (std::size_t i = 0; i < n; ++i)
        next[plan.offStepTo[i]] = offStepColours[i];
    ++frames;
    return after;
}
