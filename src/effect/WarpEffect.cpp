// WarpEffect: the per-frame reshuffle of the colour cache and the blend overlay keys.
#include "effect/WarpEffect.h"

#include "effect/Factor.h"
#include "effect/FactorSegments.h"
#include "effect/Reshuffle.h"
#include "effect/ScreenRows.h"
#include "main/ErrorMsg.h"

float warpFactor = 1.0f;

namespace {

// Loads the picture into `image`, and hands it on to the overlay, which reads it as it is
// built; throws when it cannot, saying which file in which folder and what is wrong with it.
const Image& LoadPicture(Image& image) {
    if (!image.Load("lsd.bmp"))
        throw ErrorMsg("Unable to Load Image make sure its in the directory!\n" + image.why + "\n");
    return image;
}

} // namespace

WarpEffect::WarpEffect() : colorCache(), overlay(LoadPicture(image), kWidth, kHeight) {
    for (int x = 0; x < kWidth; ++x)
        for (int y = 0; y < kHeight; ++y)
            colorCache[x * kHeight + y] = App::GetPixel(image, x, y);
}

bool WarpEffect::FastPasses(const DrawTarget& target) const {
    return path != CpuPath::Plain && fast.Ready() && ScreenRows::Fit(target, kWidth, kHeight) &&
           FactorSegments::Covers(warpFactor);
}

bool WarpEffect::DrawsOver(const SDL_Rect& area) const {
    // The fast passes store every pixel of the effect's area, and read only what they have
    // stored.
    return FastPasses(app->Target()) && area.x >= 0 && area.y >= 0 && area.x + area.w <= kWidth &&
           area.y + area.h <= kHeight;
}

void WarpEffect::Update() {
    const DrawTarget target = app->Target();
    if (FastPasses(target)) {
        if (!fast.Loaded()) fast.Load(colorCache);
        // The overlay is mixed into each row as App::Blend would draw it, before the row
        // reaches the screen.
        warpFactor = fast.Draw(target, warpFactor, path, blendEnabled == 1 ? &overlay : nullptr);
        return;
    }

    TakeBackCache();
    PlainWarp();
    if (blendEnabled == 1) app->Blend(app->screen, image, 0, 0, kWidth, kHeight, warpFactor);
}

void WarpEffect::PlainWarp() {
    // Scaling and drawing never touch the cache.
    Reshuffle::Frame(colorCache, [this](int x, int y, const Color& c) {
        const float f = warpFactor;
        app->PutPixel(x, y,
                      Color(app->screen, Factor::Scale(c.r, f), Factor::Scale(c.g, f),
                            Factor::Scale(c.b, f)));
        warpFactor = Factor::Advance(f);
    });
}

const Color* WarpEffect::Cache() {
    fast.Store(colorCache);
    return colorCache;
}

Color* WarpEffect::EditCache() {
    TakeBackCache();
    return colorCache;
}

void WarpEffect::TakeBackCache() {
    fast.Store(colorCache);
    fast.Unload();
}

void WarpEffect::OnKeyDown(SDLKey sym) {
    switch (sym) {
    case SDLK_UP: blendEnabled = 1; break;
    case SDLK_DOWN: blendEnabled = 0; break;
    default: break;
    }
}
