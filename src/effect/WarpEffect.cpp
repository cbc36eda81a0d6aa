// WarpEffect: the per-frame reshuffle of the colour cache and the blend overlay keys.
#include "effect/WarpEffect.h"

#include "frame/VectorClones.h"
#include "main/ErrorMsg.h"

float warpFactor = 1.0f;

static_assert(ColorRun::kLength >= WarpEffect::kHeight, "a run holds a column");

WarpEffect::WarpEffect() : factors(kPixels) {
    if (!image.Load("lsd.bmp"))
        throw ErrorMsg("Unable to Load Image make sure its in the directory!\n");

    for (int x = 0; x < kWidth; ++x)
        for (int y = 0; y < kHeight; ++y)
            colorCache[x * kHeight + y] = App::GetPixel(image, x, y);
}

float WarpEffect::Advance(float factor) {
    // The step is the single-precision 0.00001. The sum of two floats is exact in
    // double, and the wrap is decided on that exact sum, before any rounding.
    const double sum = double(factor) + double(0.00001f);
    return sum > 10.0 ? 0.0f : float(sum);
}

Uint8 WarpEffect::Scale(Uint8 channel, float factor) {
    // An 8-bit channel times a float is exact in double.
    return Uint8(int(channel * double(factor)));
}

// One column's colours times their factors, channel by channel. The loop has no
// dependence between pixels, so the compiler does it several pixels at a time, four or
// eight doubles wide where the CPU has AVX2 or AVX-512. The products are exact at every
// width, so every width gives the same bits.
PRISMWARP_VECTOR_CLONES
void WarpEffect::ScaleColumn(const Color* __restrict column, const float* __restrict factor,
                             ColorRun& __restrict scaled) {
    for (int y = 0; y < kHeight; ++y) {
        scaled.r[y] = Scale(column[y].r, factor[y]);
        scaled.g[y] = Scale(column[y].g, factor[y]);
        scaled.b[y] = Scale(column[y].b, factor[y]);
    }
}

void WarpEffect::Update() {
    // The factor of each pixel in drawing order, looked up in one piece; the pass
    // draws with them as if it stepped the factor itself.
    const float* factor = factors.Run(warpFactor);
    const App::Pixels screen(app->screen.surface);
    for (int x = 0; x < kWidth; ++x) {
        // The cache is read transposed, one step down the diagonal, in place: entries
        // already rewritten in this pass are read in their new state. Those all lie in
        // earlier columns, since a column reads nothing it has written itself, so the
        // column is reshuffled whole first, then scaled, then drawn.
        Color* column = &colorCache[x * kHeight];
        for (int y = 0; y < kHeight; ++y)
            column[y] = colorCache[kHeight * y + x + kHeight + 1];

        ColorRun scaled;
        ScaleColumn(column, factor, scaled);
        scaled.Map(app->screen.surface->format, kHeight);
        for (int y = 0; y < kHeight; ++y)
            screen.PutPixel(x, y, Color(scaled.r[y], scaled.g[y], scaled.b[y], scaled.mapped[y]));
        factor += kHeight;
    }
    // The factor moves on one step from the last pixel's.
    warpFactor = Advance(factor[-1]);

    if (blendEnabled == 1) app->Blend(app->screen, image, 0, 0, kWidth, kHeight, warpFactor);
}

void WarpEffect::OnKeyDown(SDLKey sym) {
    switch (sym) {
    case SDLK_UP: blendEnabled = 1; break;
    case SDLK_DOWN: blendEnabled = 0; break;
    default: break;
    }
}
