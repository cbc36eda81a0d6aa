// FastBlend: the picture's channels read once, and the row mix for every CPU path.
#include "effect/FastBlend.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "effect/Simd128.h"
#include "frame/App.h"

#if PRISMWARP_WIDE_PATHS
#include <immintrin.h>
#endif

namespace {

// The mix of one row, as App::Blend mixes each pixel. The screen's channels are its raw
// value's low three bytes, as GetPixel reads a 2- or 4-byte pixel. Each product is exact in
// double (an 8-bit channel times a float), so the rounded sum, the hold at 255 and the
// truncation give the same bits at any vector width, fused or not.
template <typename Pixel>
PRISMWARP_ALWAYS_INLINE void MixRow(Pixel* __restrict row, const Uint32* __restrict picture, int n,
                                    double alpha, double w, const ScreenRows& screen) {
    const ScreenRows layout = screen;
    const auto mix = [alpha, w](Uint32 a, Uint32 b) {
        const double v = double(int(a & 255)) * alpha + double(int(b & 255)) * w;
        return Uint32(int(v > 255.0 ? 255.0 : v)) & 255;
    };
    for (int i = 0; i < n; ++i) {
        const Uint32 a = row[i];
        const Uint32 b = picture[i];
        row[i] = Pixel(layout.Pack(mix(a, b), mix(a >> 8, b >> 8), mix(a >> 16, b >> 16)));
    }
}

// The same mix in whole numbers. From alpha 1/8 up to 10, and at 0, alpha * 2^26 and
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
struct Weights {
    float alpha, w;
    Sint32 high; // A1 in the low 16 bits and W1 in the high 16 bits of a lane
    Sint32 low;  // A0 and W0 likewise
};

// The weights, or false where alpha is outside the range in which the whole numbers hold.
bool WholeWeights(float alpha, Weights& weights) {
    // The picture's weight is rounded to a float first, as App::Blend rounds it.
    const float w = 1.0f - alpha;
    if (!(alpha == 0.0f || (alpha >= 0.125f && alpha <= 10.0f))) return false;
    const double a = std::ldexp(double(alpha), 26), v = std::ldexp(double(w), 26);
    if (a != std::floor(a) || v != std::floor(v)) return false;
    const double aHigh = std::floor(a / 32768), vHigh = std::floor(v / 32768);
    const auto pair = [](double forA, double forB) {
        return Sint32((Uint32(Sint32(forA)) & 0xFFFF) | Uint32(Sint32(forB)) << 16);
    };
    weights = {alpha, w, pair(aHigh, vHigh), pair(a - aHigh * 32768, v - vHigh * 32768)};
    return true;
}

#if PRISMWARP_WIDE_PATHS
// Vectors of kLanes 32-bit lanes, and of as many 16- and 32-bit pixels.
template <int kLanes> struct Vectors;
template <> struct Vectors<4> {
    typedef Sint32 Lanes __attribute__((vector_size(16)));
    typedef Uint16 Pixels16 __attribute__((vector_size(8)));
    typedef Uint32 Pixels32 __attribute__((vector_size(16)));
};
template <> struct Vectors<8> {
    typedef Sint32 Lanes __attribute__((vector_size(32)));
    typedef Uint16 Pixels16 __attribute__((vector_size(16)));
    typedef Uint32 Pixels32 __attribute__((vector_size(32)));
};
template <> struct Vectors<16> {
    typedef Sint32 Lanes __attribute__((vector_size(64)));
    typedef Uint16 Pixels16 __attribute__((vector_size(32)));
    typedef Uint32 Pixels32 __attribute__((vector_size(64)));
};

// Each lane's two 16-bit halves times those of `weights`, added (pmaddwd), and each lane held
// at 255, for each width: GCC would build comparisons lane by lane in a function not built
// for the width. Vectors go by reference, as a function not built for a width cannot pass
// them by value.
inline void MulAddPairs(const Vectors<4>::Lanes& pairs, const Vectors<4>::Lanes& weights,
                        Vectors<4>::Lanes& sums) {
    sums = (Vectors<4>::Lanes)_mm_madd_epi16((__m128i)pairs, (__m128i)weights);
}

inline void HoldAt255(Vectors<4>::Lanes& v) {
    v = v > 255 ? Vectors<4>::Lanes{} + 255 : v;
}

PRISMWARP_TARGET_AVX2 inline void MulAddPairs(const Vectors<8>::Lanes& pairs,
                                              const Vectors<8>::Lanes& weights,
                                              Vectors<8>::Lanes& sums) {
    sums = (Vectors<8>::Lanes)_mm256_madd_epi16((__m256i)pairs, (__m256i)weights);
}

PRISMWARP_TARGET_AVX2 inline void HoldAt255(Vectors<8>::Lanes& v) {
    v = v > 255 ? Vectors<8>::Lanes{} + 255 : v;
}

PRISMWARP_TARGET_AVX512 inline void MulAddPairs(const Vectors<16>::Lanes& pairs,
                                                const Vectors<16>::Lanes& weights,
                                                Vectors<16>::Lanes& sums) {
    sums = (Vectors<16>::Lanes)_mm512_madd_epi16((__m512i)pairs, (__m512i)weights);
}

PRISMWARP_TARGET_AVX512 inline void HoldAt255(Vectors<16>::Lanes& v) {
    v = v > 255 ? Vectors<16>::Lanes{} + 255 : v;
}

// One channel of each lane, a and b in the low 8 bits of theirs, mixed into `mixed`.
template <typename V>
PRISMWARP_ALWAYS_INLINE void MixWhole(const V& a, const V& b, const V& high, const V& low,
                                      V& mixed) {
    const V pairs = (a & 255) | (b & 255) << 16;
    V h, l;
    MulAddPairs(pairs, high, h);
    MulAddPairs(pairs, low, l);
    const V t = h + (l >> 15);
    // 2^11 - 1, plus 1 unless low's last 15 bits are all 0: what x below 0 adds to t.
    const V up = ((l & 0x7FFF) + 0x3FFFFFF) >> 15;
    V held = (t + ((t >> 31) & up)) >> 11; // x truncated toward zero
    HoldAt255(held);
    mixed = held & 255;
}

template <int kLanes, typename Pixel>
PRISMWARP_ALWAYS_INLINE void MixRowWhole(Pixel* __restrict row, const Uint32* __restrict picture,
                                         int n, const Weights& weights, const ScreenRows& screen) {
    using V = typename Vectors<kLanes>::Lanes;
    using Pixels = std::conditional_t<sizeof(Pixel) == 2, typename Vectors<kLanes>::Pixels16,
                                      typename Vectors<kLanes>::Pixels32>;
    const ScreenRows layout = screen;
    const V high = V{} + weights.high, low = V{} + weights.low;
    int i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        Pixels in;
        V b;
        std::memcpy(&in, row + i, sizeof in);
        std::memcpy(&b, picture + i, sizeof b);
        const V a = __builtin_convertvector(in, V);
        V r, g, bl;
        MixWhole(a, b, high, low, r);
        MixWhole(V(a >> 8), V(b >> 8), high, low, g);
        MixWhole(V(a >> 16), V(b >> 16), high, low, bl);
        const V mixed = (r >> layout.rLoss) << layout.rShift |
                        (g >> layout.gLoss) << layout.gShift |
                        (bl >> layout.bLoss) << layout.bShift | Sint32(layout.aMask);
        const Pixels out = __builtin_convertvector(mixed, Pixels);
        std::memcpy(row + i, &out, sizeof out);
    }
    MixRow(row + i, picture + i, n - i, weights.alpha, weights.w, layout);
}
#endif

template <typename Pixel>
using MixRowFn = void (*)(Pixel*, const Uint32*, int, double, double, const ScreenRows&);

template <typename Pixel>
void MixRowBaseline(Pixel* row, const Uint32* picture, int n, double alpha, double w,
                    const ScreenRows& screen) {
#ifdef __wasm_simd128__
    if constexpr (sizeof(Pixel) == 4) {
        const int mixed = Simd128::MixRow(row, picture, n, alpha, w, screen);
        row += mixed;
        picture += mixed;
        n -= mixed;
    }
#endif
    MixRow(row, picture, n, alpha, w, screen);
}

template <typename Pixel>
PRISMWARP_TARGET_AVX2 void MixRowAvx2(Pixel* row, const Uint32* picture, int n, double alpha,
                                      double w, const ScreenRows& screen) {
    MixRow(row, picture, n, alpha, w, screen);
}

template <typename Pixel>
PRISMWARP_TARGET_AVX512 void MixRowAvx512(Pixel* row, const Uint32* picture, int n, double alpha,
                                          double w, const ScreenRows& screen) {
    MixRow(row, picture, n, alpha, w, screen);
}

template <typename Pixel> MixRowFn<Pixel> MixRowFor(CpuPath path) {
    return ForPath<MixRowFn<Pixel>>(path, MixRowBaseline<Pixel>, MixRowAvx2<Pixel>,
                                    MixRowAvx512<Pixel>);
}

#if PRISMWARP_WIDE_PATHS || defined(__wasm_simd128__)
// The whole-number mix has row loops for x86-64 (pmaddwd) and for WebAssembly's 128-bit
// vectors (i32x4.dot_i16x8_s).
#define PRISMWARP_WHOLE_ROWS 1

template <typename Pixel>
using MixRowWholeFn = void (*)(Pixel*, const Uint32*, int, const Weights&, const ScreenRows&);

template <typename Pixel>
void MixRowWholeBaseline(Pixel* row, const Uint32* picture, int n, const Weights& weights,
                         const ScreenRows& screen) {
#if PRISMWARP_WIDE_PATHS
    MixRowWhole<4>(row, picture, n, weights, screen);
#else
    // Four 32-bit pixels at a time. A 16-bit row, and the last n % 4 pixels of any, are mixed
    // in doubles, which give the same bits.
    int mixed = 0;
    if constexpr (sizeof(Pixel) == 4)
        mixed = Simd128::MixRowWhole(row, picture, n, weights.high, weights.low, screen);
    MixRow(row + mixed, picture + mixed, n - mixed, weights.alpha, weights.w, screen);
#endif
}
#endif

#if PRISMWARP_WIDE_PATHS
template <typename Pixel>
PRISMWARP_TARGET_AVX2 void MixRowWholeAvx2(Pixel* row, const Uint32* picture, int n,
                                           const Weights& weights, const ScreenRows& screen) {
    MixRowWhole<8>(row, picture, n, weights, screen);
}

template <typename Pixel>
PRISMWARP_TARGET_AVX512 void MixRowWholeAvx512(Pixel* row, const Uint32* picture, int n,
                                               const Weights& weights, const ScreenRows& screen) {
    MixRowWhole<16>(row, picture, n, weights, screen);
}
#endif

// The row in whole numbers where the weights allow it and there is a loop for them, in
// doubles otherwise.
template <typename Pixel>
void MixRowOf(Pixel* row, const Uint32* picture, int n, float alpha, CpuPath path,
              const ScreenRows& layout) {
#if PRISMWARP_WHOLE_ROWS
    Weights weights;
    if (WholeWeights(alpha, weights)) {
#if PRISMWARP_WIDE_PATHS
        ForPath<MixRowWholeFn<Pixel>>(path, MixRowWholeBaseline<Pixel>, MixRowWholeAvx2<Pixel>,
                                      MixRowWholeAvx512<Pixel>)(row, picture, n, weights, layout);
#else
        MixRowWholeBaseline(row, picture, n, weights, layout);
#endif
        return;
    }
#endif
    const float w = 1.0f - alpha;
    MixRowFor<Pixel>(path)(row, picture, n, alpha, w, layout);
}

} // namespace

FastBlend::FastBlend(const Image& picture, int width, int height)
    : width(width), picture(std::size_t(width) * std::size_t(height)) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Color c = App::GetPixel(picture, x, y);
            this->picture[std::size_t(y * width + x)] = Uint32(c.r | c.g << 8 | c.b << 16);
        }
    }
}

void FastBlend::Row(void* row, int y, float alpha, CpuPath path, const ScreenRows& layout) const {
    const Uint32* from = &picture[std::size_t(y * width)];
    if (layout.bytesPerPixel == 4)
        MixRowOf(static_cast<Uint32*>(row), from, width, alpha, path, layout);
    else
        MixRowOf(static_cast<Uint16*>(row), from, width, alpha, path, layout);
}
