// WarpEffect: the per-frame reshuffle of the colour cache and the blend overlay keys.
#include "effect/WarpEffect.h"

#include "effect/Factor.h"
#include "effect/FactorSegments.h"
#include "effect/ScreenRows.h"
#include "main/ErrorMsg.h"

#ifdef __EMSCRIPTEN__
#include "frame/Browser.h"
#endif

float warpFactor = 1.0f;

namespace {

// Loads the picture into `image`, and hands it on to the overlay, which reads it as it is
// built; throws when it cannot.
const Image& LoadPicture(Image& image) {
    if (!image.Load("lsd.bmp"))
        throw ErrorMsg("Unable to Load Image make sure its in the directory!\n");
    return image;
}

} // namespace

WarpEffect::WarpEffect() : colorCache(), overlay(LoadPicture(image), kWidth, kHeight) {
    for (int x = 0; x < kWidth; ++x)
        for (int y = 0; y < kHeight; ++y)
            colorCache[x * kHeight + y] = App::GetPixel(image, x, y);
}

bool WarpEffect::FastPasses() const {
    return path != CpuPath::Plain && fast.Ready() &&
           ScreenRows::Fit(app->screen.surface, kWidth, kHeight) &&
           FactorSegments::Covers(warpFactor);
}

bool WarpEffect::DrawsOver(const SDL_Rect& area) const {
    // The fast passes store every pixel of the effect's area, and read only what they have
    // stored.
    return FastPasses() && area.x >= 0 && area.y >= 0 && area.x + area.w <= kWidth &&
           area.y + area.h <= kHeight;
}

void WarpEffect::Update() {
    SDL_Surface* screen = app->screen.surface;
    if (FastPasses()) {
        if (!fast.Loaded()) fast.Load(colorCache);
        const SDL_PixelFormat* storedIn = nullptr;
#ifdef __EMSCRIPTEN__
        // In a web page the pixels go to the screen in the canvas's layout, which spares
        // presenting a pass over them.
        if (Browser::DrawInCanvasLayout(screen, kWidth, kHeight))
            storedIn = &Browser::CanvasLayout();
#endif
        // The overlay is mixed into each row as App::Blend would draw it, before the row
        // reaches the screen.
        warpFactor =
            fast.Draw(screen, warpFactor, path, blendEnabled == 1 ? &overlay : nullptr, storedIn);
        return;
    }

    TakeBackCache();
    PlainWarp();
    if (blendEnabled == 1) app->Blend(app->screen, image, 0, 0, kWidth, kHeight, warpFactor);
}

void WarpEffect::PlainWarp() {
    for (int x = 0; x < kWidth; ++x) {
        for (int y = 0; y < kHeight; ++y) {
            // The cache is read transposed, one step down the diagonal, in place: an entry
            // rewritten earlier in this pass is read in its new state. Scaling and drawing
            // never touch the cache.
            Color& c = colorCache[x * kHeight + y];
            c = colorCache[kHeight * y + x + kHeight + 1];
            const float f = warpFactor;
            app->PutPixel(x, y,
                          Color(app->screen, Factor::Scale(c.r, f), Factor::Scale(c.g, f),
                                Factor::Scale(c.b, f)));
            warpFactor = Factor::Advance(f);
        }
    }
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
