// ReferencePass: the warp pass and the effect, with the factor stepped pixel by pixel.
#include "ReferencePass.h"

#include "frame/App.h"

namespace reference {

namespace {

const int kWidth = 320;
const int kHeight = 240;

float Advance(float factor) {
    const double sum = double(factor) + double(0.00001f);
    return sum > 10.0 ? 0.0f : float(sum);
}

Uint8 Scale(Uint8 channel, float factor) {
    return Uint8(int(channel * double(factor)));
}

} // namespace

void Warp(SDL_Surface* screen, Color* cache, float& factor) {
    for (int x = 0; x < kWidth; ++x) {
        for (int y = 0; y < kHeight; ++y) {
            Color& c = cache[x * kHeight + y];
            c = cache[kHeight * y + x + kHeight + 1];
            const Color scaled =
                MapColor(screen, Scale(c.r, factor), Scale(c.g, factor), Scale(c.b, factor));
            PutPixel(screen, x, y, scaled.mapped);
            factor = Advance(factor);
        }
    }
}

Effect::Effect(const Color* cache, SDL_Surface* picture, float factor)
    : cache(cache, cache + kWidth * kHeight), picture(picture), factor(factor) {
}

void Effect::Update() {
    Warp(app->screen.surface, cache.data(), factor);
    if (blend)
        Blend(app->screen.surface, app->screen.surface, picture, 0, 0, kWidth, kHeight, factor);
}

void Effect::OnKeyDown(SDLKey sym) {
    if (sym == SDLK_UP) blend = true;
    if (sym == SDLK_DOWN) blend = false;
}

} // namespace reference
