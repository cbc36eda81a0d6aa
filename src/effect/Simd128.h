// Simd128: the fast warp's row loops with WebAssembly's 128-bit vectors, for 32-bit screens:
// the CPU path of the same name (CpuPath::Simd128). (The blend's loops are FastBlend's own,
// written once for x86 and WebAssembly.)
#pragma once

#include <SDL.h>

#include "frame/Color.h"

#ifdef __wasm_simd128__
#include <wasm_simd128.h>

// The compiler vectorises the warp's row loops for x86, but hardly for WebAssembly: it takes
// their shifts lane by lane. These are the same loops, four pixels at a time. Each returns
// how many pixels it did, all but the last n % 4, which the caller does with its own loop.
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

    // Whether `layout` has 8-bit channels placed at bits r, g and b, and the alpha bits `alpha`:
    // for the two layouts a web page draws in, whose shifts the loops fix when built.
    static bool Is(const ChannelLayout& layout, int r, int g, int b, Uint32 alpha) {
        return layout.rLoss == 0 && layout.gLoss == 0 && layout.bLoss == 0 && layout.rShift == r &&
               layout.gShift == g && layout.bShift == b && layout.aMask == alpha;
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
