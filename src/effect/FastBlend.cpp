// FastBlend: the picture's channels read once, and the row mix for every CPU path.
#include "effect/FastBlend.h"

#include "effect/Simd128.h"
#include "frame/App.h"

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
    // The picture's weight is rounded to a float first, as App::Blend rounds it.
    const float w = 1.0f - alpha;
    const Uint32* from = &picture[std::size_t(y * width)];
    if (layout.bytesPerPixel == 4)
        MixRowFor<Uint32>(path)(static_cast<Uint32*>(row), from, width, alpha, w, layout);
    else
        MixRowFor<Uint16>(path)(static_cast<Uint16*>(row), from, width, alpha, w, layout);
}
