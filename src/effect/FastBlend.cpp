// FastBlend: the picture's channels read once, and the row mix for every CPU path.
#include "effect/FastBlend.h"

#include <cmath>
#include <cstring>

#include "effect/Simd128.h"
#include "frame/App.h"

#if PRISMWARP_X86_PATHS
#include <immintrin.h>
#endif

namespace {

// App::Mix in whole numbers. From alpha 1/8 up to 10, and at 0, alpha * 2^26 and
// w * 2^26 are whole numbers below 2^30 in size. alpha's 24-bit significand ends at 2^-26 or
// above. w is 1 - alpha rounded to a float: for alpha below 1/2 it lies in [1/2, 1], where
// floats are whole numbers of 2^-24; from 1/2 to 2, 1 - alpha is exact, a whole number of
// alpha's last bit; above 2 it is over 1 in size, where floats are whole numbers of 2^-23.
// So x = a * alpha + b * w is N / 2^26 with N = a * A + b * W, A = alpha * 2^26 and
// W = w * 2^26 whole. The double sum is exact as well, a whole number of 2^-26 below 2^12
// in size needing no more than 38 of its 53 bits; so both mixes hold and truncate the same
// x, and give the same bits.
//
// With A and W split into 15-bit halves, N = high * 2^15 + low, where high = a * A1 +
// b * W1 and low = a * A0 + b * W0 fit 25 bits: one instruction each (pmaddwd, WebAssembly's
// i32x4.dot_i16x8_s) for four, eight or sixteen channels at once. The low halves A0 and W0
// are not negative, nor is low, so N = t * 2^15 + (low's last 15 bits) with
// t = high + (low >> 15), and x is below 0 exactly where t is. There x is truncated toward
// zero, to the floor of (N + 2^26 - 1) / 2^26: t gains 2^11 - 1, and 1 more unless low's last
// 15 bits are all 0. Elsewhere it is the floor, t >> 11.
//
// The mix in doubles takes every other weight (below 1/8, above 10, below 0, which the factor
// never gives at the end of a frame but a caller might): each product of an 8-bit channel
// and a float is exact in double, so the sum is rounded once whether or not it is fused,
// and the hold at 255 and the truncation give App::Mix's bits at any vector width.
struct Weights {
    float alpha, w; // the row's weight, and the picture's: 1 - alpha, rounded to a float
    bool whole;     // whether the whole numbers hold, and these are set:
    Sint32 high;    // A1 in the low 16 bits and W1 in the high 16 bits of a lane
    Sint32 low;     // A0 and W0 likewise
};

Weights WeightsOf(float alpha) {
    // The picture's weight is rounded to a float first, as App::Blend rounds it.
    const float w = 1.0f - alpha;
    Weights weights = {alpha, w, false, 0, 0};
    if (!(alpha == 0.0f || (alpha >= 0.125f && alpha <= 10.0f))) return weights;
    const double a = std::ldexp(double(alpha), 26), v = std::ldexp(double(w), 26);
    if (a != std::floor(a) || v != std::floor(v)) return weights;
    const double aHigh = std::floor(a / 32768), vHigh = std::floor(v / 32768);
    const auto pair = [](double forA, double forB) {
        return Sint32((Uint32(Sint32(forA)) & 0xFFFF) | Uint32(Sint32(forB)) << 16);
    };
    weights.whole = true;
    weights.high = pair(aHigh, vHigh);
    weights.low = pair(a - aHigh * 32768, v - vHigh * 32768);
    return weights;
}

// The mix of a row pixel by pixel, App::Mix for each channel, from pixel `from` on: all of a
// row where a path has no vector loop, and the last pixels of one after the vector loop. The
// screen's channels are its raw value's low three bytes, as GetPixel reads a 2- or 4-byte
// pixel.
template <typename Pixel>
PRISMWARP_ALWAYS_INLINE void MixRowByPixel(Pixel* __restrict row, const Uint32* __restrict picture,
                                           int from, int n, const Weights& weights,
                                           const ChannelLayout& channels) {
    // Copies in locals: the stores through `row` could change them, as far as the compiler
    // knows, and it would read them anew for every pixel.
    const ChannelLayout layout = channels;
    const float alpha = weights.alpha, w = weights.w;
    for (int i = from; i < n; ++i) {
        const Uint32 a = row[i];
        const Uint32 b = picture[i];
        const auto mix = [&](int shift) {
            return Uint32(App::Mix(Uint8(a >> shift), Uint8(b >> shift), alpha, w));
        };
        row[i] = Pixel(layout.Pack(mix(0), mix(8), mix(16)));
    }
}

#if PRISMWARP_X86_PATHS || PRISMWARP_SIMD128_PATH
// The vector loops, written once with GCC's and Clang's vector types for x86-64 (4 lanes of
// 32 bits on the baseline, which every x86-64 CPU has as SSE2, 8 with AVX2, 16 with AVX-512)
// and for WebAssembly (4 lanes). Where the instructions differ, or the compilers make poor
// code of the generic operation, a small function for each width holds the instruction; the
// x86 ones are built only into functions for their instructions. Vectors go by reference, as
// a function not built for a width cannot pass them by value, and the loops call no lambda:
// a lambda is not built for its caller's instructions, nor can it inline those functions.
template <typename T, int kLanes> struct VectorOf {
    typedef T Type __attribute__((vector_size(sizeof(T) * kLanes)));
};
template <typename T, int kLanes> using Vector = typename VectorOf<T, kLanes>::Type;
template <int kLanes> using Lanes = Vector<Sint32, kLanes>;
// Half a vector of lanes as doubles: one register of the same width.
template <int kLanes> using Doubles = Vector<double, kLanes / 2>;

#if PRISMWARP_X86_PATHS
// GCC 12 warns of its own AVX-512 intrinsics inlined here: they start from a vector it takes
// for uninitialised (_mm512_undefined_pd and the like), which the instruction overwrites.
#ifndef __clang__
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Each lane held at 255: pminsd where the path has it (SSE4.1 on), a compare and a select on
// the baseline.
template <typename V> PRISMWARP_ALWAYS_INLINE void HeldAt255(const V& x, V& held) {
    held = x > 255 ? V{} + 255 : x;
}

// pmaddwd: each lane's two 16-bit halves times those of `weights`, added.
inline void MulAddPairs(const Lanes<4>& pairs, const Lanes<4>& weights, Lanes<4>& sums) {
    sums = Lanes<4>(_mm_madd_epi16(__m128i(pairs), __m128i(weights)));
}
PRISMWARP_TARGET_AVX2 inline void MulAddPairs(const Lanes<8>& pairs, const Lanes<8>& weights,
                                              Lanes<8>& sums) {
    sums = Lanes<8>(_mm256_madd_epi16(__m256i(pairs), __m256i(weights)));
}
PRISMWARP_TARGET_AVX512 inline void MulAddPairs(const Lanes<16>& pairs, const Lanes<16>& weights,
                                                Lanes<16>& sums) {
    sums = Lanes<16>(_mm512_madd_epi16(__m512i(pairs), __m512i(weights)));
}

// The lanes of `c` as doubles, its low half and its high half. (GCC converts a vector of
// 32-bit lanes to doubles piece by piece, partly lane by lane.)
inline void ToDoubles(const Lanes<4>& c, Doubles<4>& low, Doubles<4>& high) {
    low = Doubles<4>(_mm_cvtepi32_pd(__m128i(c)));
    high = Doubles<4>(_mm_cvtepi32_pd(_mm_unpackhi_epi64(__m128i(c), __m128i(c))));
}
PRISMWARP_TARGET_AVX2 inline void ToDoubles(const Lanes<8>& c, Doubles<8>& low, Doubles<8>& high) {
    low = Doubles<8>(_mm256_cvtepi32_pd(_mm256_castsi256_si128(__m256i(c))));
    high = Doubles<8>(_mm256_cvtepi32_pd(_mm256_extracti128_si256(__m256i(c), 1)));
}
PRISMWARP_TARGET_AVX512 inline void ToDoubles(const Lanes<16>& c, Doubles<16>& low,
                                              Doubles<16>& high) {
    low = Doubles<16>(_mm512_cvtepi32_pd(_mm512_castsi512_si256(__m512i(c))));
    high = Doubles<16>(_mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(__m512i(c), 1)));
}

// Sums held at 255 and truncated toward zero, the low half and the high half of `t`. The hold
// comes first: cvttpd2dq gives -2^31 for a sum of 2^31 or more, which a hold after it
// would keep. minpd is v > 255 ? 255 : v, which GCC makes of the generic select only as a
// compare and a blend.
inline void HeldTruncated(const Doubles<4>& low, const Doubles<4>& high, Lanes<4>& t) {
    const __m128d top = _mm_set1_pd(255.0);
    t = Lanes<4>(_mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_min_pd(__m128d(low), top)),
                                    _mm_cvttpd_epi32(_mm_min_pd(__m128d(high), top))));
}
PRISMWARP_TARGET_AVX2 inline void HeldTruncated(const Doubles<8>& low, const Doubles<8>& high,
                                                Lanes<8>& t) {
    const __m256d top = _mm256_set1_pd(255.0);
    t = Lanes<8>(_mm256_set_m128i(_mm256_cvttpd_epi32(_mm256_min_pd(__m256d(high), top)),
                                  _mm256_cvttpd_epi32(_mm256_min_pd(__m256d(low), top))));
}
PRISMWARP_TARGET_AVX512 inline void HeldTruncated(const Doubles<16>& low, const Doubles<16>& high,
                                                  Lanes<16>& t) {
    const __m512d top = _mm512_set1_pd(255.0);
    t = Lanes<16>(_mm512_inserti64x4(
        _mm512_castsi256_si512(_mm512_cvttpd_epi32(_mm512_min_pd(__m512d(low), top))),
        _mm512_cvttpd_epi32(_mm512_min_pd(__m512d(high), top)), 1));
}
#ifndef __clang__
#pragma GCC diagnostic pop
#endif
#else
// Each lane held at 255: i32x4.min_s. (LLVM folds the generic select with the shifts around
// it into a compare and a bit select, three instructions more for each pixel's four.)
inline void HeldAt255(const Lanes<4>& x, Lanes<4>& held) {
    held = Lanes<4>(wasm_i32x4_min(v128_t(x), wasm_i32x4_splat(255)));
}

// i32x4.dot_i16x8_s: each lane's two 16-bit halves times those of `weights`, added.
inline void MulAddPairs(const Lanes<4>& pairs, const Lanes<4>& weights, Lanes<4>& sums) {
    sums = Lanes<4>(wasm_i32x4_dot_i16x8(v128_t(pairs), v128_t(weights)));
}

// The lanes of `c` as doubles, its low half and its high half.
inline void ToDoubles(const Lanes<4>& c, Doubles<4>& low, Doubles<4>& high) {
    low = Doubles<4>(wasm_f64x2_convert_low_i32x4(v128_t(c)));
    high = Doubles<4>(wasm_f64x2_convert_low_i32x4(wasm_i32x4_shuffle(c, c, 2, 3, 0, 1)));
}

// Sums truncated toward zero and held at 255, the low half and the high half of `t`. The
// truncation saturates, so it keeps the sums' order and min(trunc(v), 255) is
// trunc(min(v, 255)) for every sum. LLVM takes the generic conversion lane by lane, and makes
// the generic hold on the doubles f64x2.min, which browsers compile into several instructions
// for its rules on NaN.
inline void HeldTruncated(const Doubles<4>& low, const Doubles<4>& high, Lanes<4>& t) {
    const v128_t truncated =
        wasm_i32x4_shuffle(wasm_i32x4_trunc_sat_f64x2_zero(v128_t(low)),
                           wasm_i32x4_trunc_sat_f64x2_zero(v128_t(high)), 0, 1, 4, 5);
    t = Lanes<4>(wasm_i32x4_min(truncated, wasm_i32x4_splat(255)));
}
#endif

// One channel of each lane, at bit kAt of the row's pixel `a` and of the picture's `b`, mixed
// in whole numbers into `mixed` (see Weights): truncated toward zero, held at 255.
template <int kAt, typename V>
PRISMWARP_ALWAYS_INLINE void MixWhole(const V& a, const V& b, const V& high, const V& low,
                                      V& mixed) {
    // The pair (a, b) in the lane's two 16-bit halves.
    const V pairs = (a >> kAt & 255) | (b << (16 - kAt) & 0xFF0000);
    V h, l;
    MulAddPairs(pairs, high, h);
    MulAddPairs(pairs, low, l);
    const V t = h + (l >> 15);
    // 2^11 - 1, plus 1 unless low's last 15 bits are all 0: what x below 0 adds to t.
    const V up = ((l & 0x7FFF) + 0x3FFFFFF) >> 15;
    const V held = (t + ((t >> 31) & up)) >> 11; // x truncated toward zero
    HeldAt255(held, mixed);
    mixed &= 255;
}

// The same channel mixed in doubles, as App::Mix mixes it, half the lanes at a time.
template <int kAt, typename V, typename D>
PRISMWARP_ALWAYS_INLINE void MixDoubles(const V& a, const V& b, const D& alpha, const D& w,
                                        V& mixed) {
    D aLow, aHigh, bLow, bHigh;
    ToDoubles(V(a >> kAt & 255), aLow, aHigh);
    ToDoubles(V(b >> kAt & 255), bLow, bHigh);
    HeldTruncated(aLow * alpha + bLow * w, aHigh * alpha + bHigh * w, mixed);
    mixed &= 255;
}

#if PRISMWARP_SIMD128_PATH
// A layout fixed when built, with 8-bit channels at bits kR, kG and kB and the alpha bits
// kAlpha: the two a web page draws in. Each channel moves to its place by a constant shift.
// A ChannelLayout's counts, held from before the loop, LLVM shifts lane by lane (see
// Simd128::Count); that is left so for the layouts no page draws in.
template <int kR, int kG, int kB, Uint32 kAlpha> struct FixedLayout {
    static bool Is(const ChannelLayout& layout) { return Simd128::Is(layout, kR, kG, kB, kAlpha); }

    template <typename Values>
    void Pack(const Values& r, const Values& g, const Values& b, Values& packed) const {
        packed = r << kR | g << kG | b << kB | kAlpha;
    }
};
#endif

// The row's mix with kLanes pixels a vector, in whole numbers or in doubles (kWhole), the
// channels packed by `layout` (a ChannelLayout, or a FixedLayout); returns how many pixels it
// did, all but the last n % kLanes.
template <bool kWhole, int kLanes, typename Pixel, typename Layout>
PRISMWARP_ALWAYS_INLINE int MixRowInLanes(Pixel* __restrict row, const Uint32* __restrict picture,
                                          int n, const Weights& weights, const Layout& channels) {
    using V = Lanes<kLanes>;
    using D = Doubles<kLanes>;
    using Values = Vector<Uint32, kLanes>;
    using Pixels = Vector<Pixel, kLanes>;
    // Copies in locals, as in MixRowByPixel.
    const Layout layout = channels;
    const V high = V{} + weights.high, low = V{} + weights.low;
    const D alpha = D{} + double(weights.alpha), w = D{} + double(weights.w);
    int i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        Pixels in;
        V b;
        std::memcpy(&in, row + i, sizeof in);
        std::memcpy(&b, picture + i, sizeof b);
        const V a = __builtin_convertvector(in, V);
        V r, g, bl;
        if constexpr (kWhole) {
            MixWhole<0>(a, b, high, low, r);
            MixWhole<8>(a, b, high, low, g);
            MixWhole<16>(a, b, high, low, bl);
        } else {
            MixDoubles<0>(a, b, alpha, w, r);
            MixDoubles<8>(a, b, alpha, w, g);
            MixDoubles<16>(a, b, alpha, w, bl);
        }
        Values packed;
        layout.Pack(Values(r), Values(g), Values(bl), packed);
        const Pixels out = __builtin_convertvector(packed, Pixels);
        std::memcpy(row + i, &out, sizeof out);
    }
    return i;
}

template <int kLanes, typename Pixel, typename Layout>
PRISMWARP_ALWAYS_INLINE int MixRowInLanes(Pixel* row, const Uint32* picture, int n,
                                          const Weights& weights, const Layout& layout) {
    return weights.whole ? MixRowInLanes<true, kLanes>(row, picture, n, weights, layout)
                         : MixRowInLanes<false, kLanes>(row, picture, n, weights, layout);
}
#endif

// The blend's row loop, for every CPU path (PerPath): the vector loop of the path where it
// has one, then pixel by pixel for the rest of the row. WebAssembly's loop is built for the
// 32-bit screens a web page has, and on the page's two layouts with their shifts fixed.
template <typename Pixel> struct MixLoop {
    template <CpuPath kPath>
    PRISMWARP_ALWAYS_INLINE static void Row(Pixel* __restrict row, const Uint32* __restrict picture,
                                            int n, const Weights& weights,
                                            const ChannelLayout& layout) {
        int i = 0;
#if PRISMWARP_X86_PATHS
        constexpr int kLanes = kPath == CpuPath::Avx512 ? 16 : kPath == CpuPath::Avx2 ? 8 : 4;
        i = MixRowInLanes<kLanes>(row, picture, n, weights, layout);
#endif
#if PRISMWARP_SIMD128_PATH
        if constexpr (kPath == CpuPath::Simd128 && sizeof(Pixel) == 4) {
            using Desktop = FixedLayout<16, 8, 0, 0>;
            using Canvas = FixedLayout<0, 8, 16, 0xFF000000>;
            if (Desktop::Is(layout))
                i = MixRowInLanes<4>(row, picture, n, weights, Desktop());
            else if (Canvas::Is(layout))
                i = MixRowInLanes<4>(row, picture, n, weights, Canvas());
            else
                i = MixRowInLanes<4>(row, picture, n, weights, layout);
        }
#endif
        MixRowByPixel(row, picture, i, n, weights, layout);
    }
};

template <typename Pixel>
void MixRow(Pixel* row, const Uint32* picture, int n, float alpha, CpuPath path,
            const ChannelLayout& layout) {
    PerPath<MixLoop<Pixel>>::For(path)(row, picture, n, WeightsOf(alpha), layout);
}

} // namespace

FastBlend::FastBlend(const Image& picture, int width, int height)
    : width(width), picture(std::size_t(width) * std::size_t(height)) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            this->picture[std::size_t(y * width + x)] = App::GetPixel(picture, x, y).Channels();
}

void FastBlend::Row(void* row, int y, float alpha, CpuPath path, const ScreenRows& screen) const {
    const Uint32* from = &picture[std::size_t(y * width)];
    if (screen.pixels.BytesPerPixel() == 4)
        MixRow(static_cast<Uint32*>(row), from, width, alpha, path, screen.layout);
    else
        MixRow(static_cast<Uint16*>(row), from, width, alpha, path, screen.layout);
}
