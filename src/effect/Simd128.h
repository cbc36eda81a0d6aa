// Simd128: the fast passes' row loops with WebAssembly's 128-bit vectors, for 32-bit screens.
#pragma once

#include <SDL.h>

#include "effect/ScreenRows.h"

#ifdef __wasm_simd128__
#include <wasm_simd128.h>

// The compiler vectorises the row loops of FastWarp and FastBlend for x86, but hardly for
// WebAssembly: it takes the shifts of the warp lane by lane, and it leaves the blend scalar,
// where the hold at 255 becomes f64.min, which browsers compile with branches on the data.
// These are the same loops, four pixels at a time. Each returns how many pixels it did, all
// but the last n % 4, which the caller does with its own loop.
struct Simd128 {
    // FastWarp's ScaleRow where the products are masked into place: the colour of pixel i
    // (red, green, blue from the lowest byte) times the factor's significand k.m + k.mStep * i.
    // The products are the same 32-bit integers.
    template <typename Scaling>
    static int ScaleRow(Uint32* out, const Uint32* colours, int n, const Scaling& k) {
        const v128_t byte = wasm_i32x4_splat(255);
        const v128_t step = wasm_i32x4_splat(int(k.mStep * 4));
        const v128_t rMask = wasm_i32x4_splat(int(k.rMask));
        const v128_t gMask = wasm_i32x4_splat(int(k.gMask));
        const v128_t bMask = wasm_i32x4_splat(int(k.bMask));
        const v128_t aMask = wasm_i32x4_splat(int(k.aMask));
        v128_t f = wasm_i32x4_add(
            wasm_i32x4_splat(int(k.m)),
            wasm_i32x4_mul(wasm_i32x4_splat(int(k.mStep)), wasm_i32x4_make(0, 1, 2, 3)));
        int i = 0;
        for (; i + 4 <= n; i += 4, f = wasm_i32x4_add(f, step)) {
            const v128_t c = wasm_v128_load(colours + i);
            const v128_t r = wasm_i32x4_mul(wasm_v128_and(c, byte), f);
            const v128_t g = wasm_i32x4_mul(wasm_v128_and(wasm_u32x4_shr(c, 8), byte), f);
            const v128_t b = wasm_i32x4_mul(wasm_v128_and(wasm_u32x4_shr(c, 16), byte), f);
            wasm_v128_store(
                out + i,
                wasm_v128_or(
                    wasm_v128_or(wasm_v128_and(wasm_u32x4_shr(r, k.rDown), rMask),
                                 wasm_v128_and(wasm_u32x4_shr(g, k.gDown), gMask)),
                    wasm_v128_or(wasm_v128_and(wasm_u32x4_shr(b, k.bDown), bMask), aMask)));
        }
        return i;
    }

    // FastBlend's row mix: the row weighs alpha, the picture w. Each lane takes the same
    // double products and their sum (WebAssembly has no fused multiply-add to change the
    // rounding), then truncates, saturating, and holds at 255 on the integer: for any sum
    // below 2^31 in size, as every sum of the blend is (channels below 256, weights below 16),
    // min(trunc(v), 255) is trunc(min(v, 255)).
    static int MixRow(Uint32* row, const Uint32* picture, int n, double alpha, double w,
                      const ScreenRows& layout) {
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
        const auto place = [](v128_t c, int loss, int shift) {
            return wasm_i32x4_shl(wasm_u32x4_shr(c, loss), shift);
        };
        const v128_t alphaBits = wasm_i32x4_splat(int(layout.aMask));
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            const v128_t s = wasm_v128_load(row + i);
            const v128_t p = wasm_v128_load(picture + i);
            wasm_v128_store(
                row + i,
                wasm_v128_or(
                    wasm_v128_or(place(mix(s, p, 0), layout.rLoss, layout.rShift),
                                 place(mix(s, p, 8), layout.gLoss, layout.gShift)),
                    wasm_v128_or(place(mix(s, p, 16), layout.bLoss, layout.bShift), alphaBits)));
        }
        return i;
    }
};
#endif
