// WarpEffect: the picture, reshuffled and colour-cycled every frame.
#pragma once

#include "effect/CpuPath.h"
#include "effect/FastBlend.h"
#include "effect/FastWarp.h"
#include "frame/App.h"

// The factor every drawn channel is multiplied by. It grows with every pixel drawn and
// falls back to 0 past 10, so the colours cycle in bands. The blend overlay weighs by it.
extern float warpFactor;

class WarpEffect : public EventHandler {
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;
    static constexpr int kPixels = kWidth * kHeight;

    // Loads "lsd.bmp" from the working directory; throws ErrorMsg when it cannot.
    WarpEffect();

    // Draws one frame: the fast passes where the screen suits them and `path` is not
    // Plain, the plain ones otherwise. The choice is made anew every frame.
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
    // Whether the fast passes draw the next frame.
    bool FastPasses() const;

    // The passes as the rule reads, pixel by pixel through GetPixel and PutPixel: they
    // draw every screen the fast passes do not, and say what the fast passes compute.
    void PlainWarp();

    // Behind by the frames the fast pass drew since it was loaded; Cache() catches up.
    Color colorCache[kPixels];
    FastWarp fast;
    FastBlend overlay;
};
