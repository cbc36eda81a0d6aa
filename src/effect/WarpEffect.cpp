// WarpEffect: the per-frame reshuffle of the colour cache and the blend overlay keys.
#include "effect/WarpEffect.h"

#include "main/ErrorMsg.h"

float warpFactor = 1.0f;

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

void WarpEffect::Update() {
    // The factor of each pixel in drawing order, looked up in one piece; the pass
    // draws with them as if it stepped the factor itself.
    const float* factor = factors.Run(warpFactor);
    for (int x = 0; x < kWidth; ++x) {
        for (int y = 0; y < kHeight; ++y) {
            // The cache is read transposed, one step down the diagonal, in place:
            // entries already rewritten in this pass are read in their new state.
            Color& c = colorCache[x * kHeight + y];
            c = colorCache[kHeight * y + x + kHeight + 1];

            const float f = *factor++;
            const Uint8 r = Scale(c.r, f);
            const Uint8 g = Scale(c.g, f);
            const Uint8 b = Scale(c.b, f);
            app->PutPixel(x, y, Color(app->screen, r, g, b));
        }
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
