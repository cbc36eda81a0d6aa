// Simd128: the fast passes' row loops with WebAssembly's 128-bit vectors, for 32-bit screens:
// the CPU path of the same name (CpuPath::Simd128).
#pragma once

#include <SDL.h>

#include "frame/Color.h"

#ifdef __wasm_simd128__
#include <wasm_simd128.h>

// The compiler vectorises the row loops of FastWarp and FastBlend for x86, but hardly for
// WebAssembly: it takes the shifts of the warp lane by lane, it leaves the blend's doubles
// scalar, where the hold at 255 becomes f64.min, which browsers compile with branches on the
// data, and it has no pmaddwd to make of the blend's whole numbers. These are the same loops,
// four pixels at a time. Each returns how many pixels it did, all but the last n % 4, which
// the caller does with its own loop.
//
// Every value a loop needs is copied into a local first: a row's stores could change any
// field behind a reference, as far as the compiler knows, and it would read them anew for
// every four pixels. Shift counts that are not constants are then passed through Count.
struct Simd128 {
    // The shift count n, as a value the compiler must take anew in every round of a loop.
    // LLVM 14 makes a count it holds from before the loop into a vector of four counts, and
    // then shifts the four lanes one at a time; a count taken anew is the single count of
    // i32x4.shr_u and i32x4.shl. The empty statement costs nothing at run time.
    static int Count(int n) {
        __asm__ volatile("" : "+r"(n));
        return n;
    }

    // FastWarp's row loop where the products are masked into place: the colour of pixel i
    // (red, green, blue from the lowest byte) times the factor's significand k.m + k.mStep * i,
    // on a screen laid out as `layout`. The products are the same 32-bit integers, or where
    // the layout is one of the two a web page draws in, the same products times 2^(24 - shift).
    template <typename Scaling>
    static int ScaleRow(Uint32* out, const Uint32* colours, int n, const Scaling& k,
                        const ChannelLayout& layout) {
        if (k.shift <= 24) {
            const Uint32 m = k.m << (24 - k.shift), mStep = k.mStep << (24 - k.shift);
            if (Is(layout, 16, 8, 0, 0)) return ScaleRowTop<16, 8, 0, 0>(out, colours, n, m, mStep);
            if (Is(layout, 0, 8, 16, 0xFF000000))
                return ScaleRowTop<0, 8, 16, 0xFF000000>(out, colours, n, m, mStep);
        }
        const int rDown = k.rDown, gDown = k.gDown, bDown = k.bDown;
        const v128_t step = wasm_i32x4_splat(int(k.mStep * 4));
        const v128_t rMask = wasm_i32x4_splat(int(k.rMask));
        const v128_t gMask = wasm_i32x4_splat(int(k.gMask));
        const v128_t bMask = wasm_i32x4_splat(int(k.bMask));
        const v128_t aMask = wasm_i32x4_splat(int(k.aMask));
        v128_t f = Significands(k.m, k.mStep);
        int i = 0;
        for (; i + 4 <= n; i += 4, f = wasm_i32x4_add(f, step)) {
            v128_t r, g, b;
            Products(wasm_v128_load(colours + i), f, r, g, b);
            wasm_v128_store(
                out + i,
                wasm_v128_or(
                    wasm_v128_or(wasm_v128_and(wasm_u32x4_shr(r, Count(rDown)), rMask),
                                 wasm_v128_and(wasm_u32x4_shr(g, Count(gDown)), gMask)),
                    wasm_v128_or(wasm_v128_and(wasm_u32x4_shr(b, Count(bDown)), bMask), aMask)));
        }
        return i;
    }

    // FastBlend's mix in whole numbers (Weights there says why it is exact), on the
    // two layouts a web page draws in; on any other it mixes nothing, and the caller mixes
    // the row in doubles. Each lane holds a channel pair (a, b) in its two 16-bit halves, and
    // i32x4.dot_i16x8_s (x86's pmaddwd) multiplies it by the weights' 15-bit halves `high`
    // and `low` and adds.
    static int MixRowWhole(Uint32* row, const Uint32* picture, int n, Sint32 high, Sint32 low,
                           const ChannelLayout& layout) {
        if (Is(layout, 16, 8, 0, 0)) return MixRowWholeAt<16, 8, 0, 0>(row, picture, n, high, low);
        if (Is(layout, 0, 8, 16, 0xFF000000))
            return MixRowWholeAt<0, 8, 16, 0xFF000000>(row, picture, n, high, low);
        return 0;
    }

    // FastBlend's row mix in doubles, for the weights the whole numbers do not cover: the row
    // weighs alpha, the picture w. Each lane takes the same double products and their sum
    // (WebAssembly has no fused multiply-add to change the rounding), then truncates,
    // saturating, and holds at 255 on the integer: for any sum below 2^31 in size, as every
    // sum of the blend is (channels below 256, weights below 16), min(trunc(v), 255) is
    // trunc(min(v, 255)).
    static int MixRow(Uint32* row, const Uint32* picture, int n, double alpha, double w,
                      const ChannelLayout& layout) {
        const v128_t byte = wasm_i32x4_splat(255);
        const v128_t a = wasm_f64x2_splat(alpha);
        const v128_t b = wasm_f64x2_splat(w);
        // The channel at `shift` of four row pixels `s` and four picture pixels `p`.
        const auto mix = [&](v128_t s, v128_t p, int shift) {
            const v128_t sc = wasm_v128_and(wasm_u32x4_shr(s, shift), byte);
            const v128_t pc = wasm_v128_and(wasm_u32x4_shr(p, shift), byte);
            // Lanes 0 and 1 of x and y.
            const auto two = [&](v128_t x, v128_t y) {
                return wasm_i32x4_trunc_sat_f64x2_zero(
                    wasm_f64x2_add(wasm_f64x2_mul(wasm_f64x2_convert_low_i32x4(x), a),
                                   wasm_f64x2_mul(wasm_f64x2_convert_low_i32x4(y), b)));
            };
            const v128_t low = two(sc, pc);
            const v128_t high =
                two(wasm_i32x4_shuffle(sc, sc, 2, 3, 0, 1), wasm_i32x4_shuffle(pc, pc, 2, 3, 0, 1));
            const v128_t t = wasm_i32x4_shuffle(low, high, 0, 1, 4, 5);
            return wasm_v128_and(wasm_i32x4_min(t, byte), byte);
        };
        const int rLoss = layout.rLoss, gLoss = layout.gLoss, bLoss = layout.bLoss;
        const int rShift = layout.rShift, gShift = layout.gShift, bShift = layout.bShift;
        const auto place = [](v128_t c, int loss, int shift) {
            return wasm_i32x4_shl(wasm_u32x4_shr(c, Count(loss)), Count(shift));
        };
        const v128_t alphaBits = wasm_i32x4_splat(int(layout.aMask));
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            const v128_t s = wasm_v128_load(row + i);
            const v128_t p = wasm_v128_load(picture + i);
            wasm_v128_store(row + i, wasm_v128_or(wasm_v128_or(place(mix(s, p, 0), rLoss, rShift),
                                                               place(mix(s, p, 8), gLoss, gShift)),
                                                  wasm_v128_or(place(mix(s, p, 16), bLoss, bShift),
                                                               alphaBits)));
        }
        return i;
    }

private:
    // The significands of four pixels, m + mStep * lane.
    static v128_t Significands(Uint32 m, Uint32 mStep) {
        return wasm_i32x4_add(
            wasm_i32x4_splat(int(m)),
            wasm_i32x4_mul(wasm_i32x4_splat(int(mStep)), wasm_i32x4_make(0, 1, 2, 3)));
    }

    // Each channel of four colours `c` (red, green, blue from the lowest byte) times the
    // significands `f`.
    static void Products(v128_t c, v128_t f, v128_t& r, v128_t& g, v128_t& b) {
        const v128_t byte = wasm_i32x4_splat(255);
        r = wasm_i32x4_mul(wasm_v128_and(c, byte), f);
        g = wasm_i32x4_mul(wasm_v128_and(wasm_u32x4_shr(c, 8), byte), f);
        b = wasm_i32x4_mul(wasm_v128_and(wasm_u32x4_shr(c, 16), byte), f);
    }

    // Whether `layout` has 8-bit channels placed at bits r, g and b, and the alpha bits `alpha`.
    static bool Is(const ChannelLayout& layout, int r, int g, int b, Uint32 alpha) {
        return layout.rLoss == 0 && layout.gLoss == 0 && layout.bLoss == 0 && layout.rShift == r &&
               layout.gShift == g && layout.bShift == b && layout.aMask == alpha;
    }

    // MixRowWhole on a layout whose 8-bit channels are at bits kR, kG and kB, with alpha
    // bits kAlpha.
    template <int kR, int kG, int kB, Uint32 kAlpha>
    static int MixRowWholeAt(Uint32* row, const Uint32* picture, int n, Sint32 high, Sint32 low) {
        const v128_t highs = wasm_i32x4_splat(high);
        const v128_t lows = wasm_i32x4_splat(low);
        const v128_t byte = wasm_i32x4_splat(255);
        // One channel of four pixels: the row's in the low 8 bits of `a`, the picture's in
        // bits 16 to 23 of `b`.
        const auto mix = [&](v128_t a, v128_t b) {
            const v128_t pairs =
                wasm_v128_or(wasm_v128_and(a, byte), wasm_v128_and(b, wasm_i32x4_shl(byte, 16)));
            const v128_t h = wasm_i32x4_dot_i16x8(pairs, highs);
            const v128_t l = wasm_i32x4_dot_i16x8(pairs, lows);
            const v128_t t = wasm_i32x4_add(h, wasm_i32x4_shr(l, 15));
            const v128_t up =
                wasm_i32x4_shr(wasm_i32x4_add(wasm_v128_and(l, wasm_i32x4_splat(0x7FFF)),
                                              wasm_i32x4_splat(0x3FFFFFF)),
                               15);
            const v128_t x =
                wasm_i32x4_shr(wasm_i32x4_add(t, wasm_v128_and(wasm_i32x4_shr(t, 31), up)), 11);
            return wasm_v128_and(wasm_i32x4_min(x, byte), byte);
        };
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            const v128_t s = wasm_v128_load(row + i);
            const v128_t p = wasm_v128_load(picture + i);
            const v128_t r = mix(s, wasm_i32x4_shl(p, 16));
            const v128_t g = mix(wasm_u32x4_shr(s, 8), wasm_i32x4_shl(p, 8));
            const v128_t b = mix(wasm_u32x4_shr(s, 16), p);
            wasm_v128_store(
                row + i,
                wasm_v128_or(wasm_v128_or(wasm_i32x4_shl(r, kR), wasm_i32x4_shl(g, kG)),
                             wasm_v128_or(wasm_i32x4_shl(b, kB), wasm_i32x4_splat(int(kAlpha)))));
        }
        return i;
    }

    // ScaleRow on a layout whose 8-bit channels are at bits kR, kG and kB, with alpha bits
    // kAlpha, and a truncation of at most 24 bits, for which `m` and `mStep` come multiplied
    // by 2^(24 - shift). A channel's product with the significand, c * m', then holds the
    // truncated product's low 8 bits, ((c * m) >> shift) & 255, in its top byte: the bits
    // above shift + 8 fall out of the 32, and those below land below bit 24. Each channel is
    // moved to its place by the same shift in every row.
    template <int kR, int kG, int kB, Uint32 kAlpha>
    static int ScaleRowTop(Uint32* out, const Uint32* colours, int n, Uint32 m, Uint32 mStep) {
        const v128_t byte = wasm_i32x4_splat(255);
        const v128_t step = wasm_i32x4_splat(int(mStep * 4));
        const auto place = [byte](v128_t product, int at) {
            return wasm_v128_and(wasm_u32x4_shr(product, 24 - at), wasm_i32x4_shl(byte, at));
        };
        v128_t f = Significands(m, mStep);
        int i = 0;
        for (; i + 4 <= n; i += 4, f = wasm_i32x4_add(f, step)) {
            v128_t r, g, b;
            Products(wasm_v128_load(colours + i), f, r, g, b);
            wasm_v128_store(
                out + i, wasm_v128_or(wasm_v128_or(place(r, kR), place(g, kG)),
                                      wasm_v128_or(place(b, kB), wasm_i32x4_splat(int(kAlpha)))));
        }
        return i;
    }
};
#endif
