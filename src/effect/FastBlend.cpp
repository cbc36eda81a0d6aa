// FastBlend: the picture's channels read once, and the row mix for every CPU path.
#include "effect/FastBlend.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "effect/Simd128.h"
#include "frame/App.h"

#if PRISMWARP_X86_PATHS
#include <immintrin.h>
#endif

namespace {

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

// The mix in doubles of one row, as App::Mix mixes each channel. The screen's channels are
// its raw value's low three bytes, as GetPixel reads a 2- or 4-byte pixel.
template <typename Pixel>
PRISMWARP_ALWAYS_INLINE void
MixRowInDoubles(Pixel* __restrict row, const Uint32* __restrict picture, int n,
                const Weights& weights, const ChannelLayout& channels) {
    // Copies in locals: the stores through `row` could change them, as far as the compiler
    // knows, and it would read them anew for every pixel.
    const ChannelLayout layout = channels;
    const double alpha = weights.alpha, w = weights.w;
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

#if PRISMWARP_X86_PATHS
// Vectors of kLanes lanes of T, for the whole-number mix on x86-64: 4 lanes of 32 bits on the
// baseline (every x86-64 CPU has SSE2), 8 with AVX2, 16 with AVX-512.
template <typename T, int kLanes> struct VectorOf {
    typedef T Type __attribute__((vector_size(sizeof(T) * kLanes)));
};
template <int kLanes> using Lanes = typename VectorOf<Sint32, kLanes>::Type;

// pmaddwd, for each width: each lane's two 16-bit halves times those of `weights`, added. The
// intrinsics are built only into functions for their instructions. Vectors go by reference,
// as a function not built for a width cannot pass them by value.
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

// One channel of each lane, a and b in the low 8 bits of theirs, mixed into `mixed` (see
// Weights): truncated toward zero, held at 255.
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
    const V held = (t + ((t >> 31) & up)) >> 11; // x truncated toward zero
    mixed = (held > 255 ? V{} + 255 : held) & 255;
}

// The whole-number mix of a row, kLanes pixels at a time; returns how many pixels it did, all
// but the last n % kLanes.
template <int kLanes, typename Pixel>
PRISMWARP_ALWAYS_INLINE int MixRowWhole(Pixel* __restrict row, const Uint32* __restrict picture,
                                        int n, const Weights& weights,
                                        const ChannelLayout& channels) {
    using V = Lanes<kLanes>;
    using Values = typename VectorOf<Uint32, kLanes>::Type;
    using Pixels = typename VectorOf<Pixel, kLanes>::Type;
    const ChannelLayout layout = channels;
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
        Values packed;
        layout.Pack(Values(r), Values(g), Values(bl), packed);
        const Pixels out = __builtin_convertvector(packed, Pixels);
        std::memcpy(row + i, &out, sizeof out);
    }
    return i;
}
#endif

// The blend's row loop, for every CPU path (PerPath): in whole numbers where the weights
// allow it and the path has a loop for them, kLanes channels an instruction (pmaddwd on
// x86-64, i32x4.dot_i16x8_s in WebAssembly, on the two layouts a web page draws in); the rest
// of the row, and every row at other weights, in doubles, with WebAssembly's vectors where
// they are.
template <typename Pixel> struct MixLoop {
    template <CpuPath kPath>
    PRISMWARP_ALWAYS_INLINE static void Row(Pixel* __restrict row, const Uint32* __restrict picture,
                                            int n, const Weights& weights,
                                            const ChannelLayout& layout) {
        int i = 0;
#if PRISMWARP_X86_PATHS
        constexpr int kLanes = kPath == CpuPath::Avx512 ? 16 : kPath == CpuPath::Avx2 ? 8 : 4;
        if (weights.whole) i = MixRowWhole<kLanes>(row, picture, n, weights, layout);
#endif
#if PRISMWARP_SIMD128_PATH
        if constexpr (kPath == CpuPath::Simd128 && sizeof(Pixel) == 4)
            i = weights.whole
                    ? Simd128::MixRowWhole(row, picture, n, weights.high, weights.low, layout)
                    : Simd128::MixRow(row, picture, n, weights.alpha, weights.w, layout);
#endif
        MixRowInDoubles(row + i, picture + i, n - i, weights, layout);
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
