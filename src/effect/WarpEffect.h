// WarpEffect: the picture, reshuffled and colour-cycled every frame.
#pragma once

#include "effect/CpuPath.h"
#include "effect/FastBlend.h"
#include "effect/FastWarp.h"
#include "effect/FrameSize.h"
#include "frame/App.h"

// The factor every drawn channel is multiplied by. It grows with every pixel drawn and
// falls back to 0 past 10, so the colours cycle in bands. The blend overlay weighs by it.
extern float warpFactor;

class WarpEffect : public EventHandler {
public:
    static constexpr int kWidth = FrameSize::kWidth;
    static constexpr int kHeight = FrameSize::kHeight;
    static constexpr int kPixels = FrameSize::kPixels;

    // Loads "lsd.bmp" from the working directory; throws ErrorMsg when it cannot.
    WarpEffect();

    // Draws one frame: the fast passes where the screen suits them, the factor is one they
    // cover, `path` is not Plain and their start-up checks held (FastWarp::Ready), the plain
    // ones otherwise. The choice is made anew every frame.
    void Update() override;
    void OnKeyDown(SDLKey sym) override;
    // The area the fast passes draw, while they are the ones chosen.
    bool DrawsOver(const SDL_Rect& area) const override;

    // The working colours the next frame starts from, column by column: position (x, y) is
    // entry x * kHeight + y. EditCache is for changing them.
    const Color* Cache();
    Color* EditCache();

    Image image;
    int blendEnabled = 0; // 1 while Up has switched the overlay on
    CpuPath path = WidestCpuPath();

private:
    // Whether the fast passes draw the next frame into `target`.
    bool FastPasses(const DrawTarget& target) const;

    // Brings the cache up to the frames the fast pass drew and takes it back from it: the
    // next fast frame loads it anew.
    void TakeBackCache();

    // The passes as the rule reads, pixel by pixel through GetPixel and PutPixel: they
    // draw every screen the fast passes do not, and say what the fast passes compute.
    void PlainWarp();

    // Behind by the frames the fast pass drew since it was loaded; Cache() catches up.
    Color colorCache[kPixels];
    FastWarp fast;
    FastBlend overlay;
};
