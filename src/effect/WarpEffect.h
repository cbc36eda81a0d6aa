// WarpEffect: the picture, reshuffled and colour-cycled every frame.
#pragma once

#include "effect/FactorTable.h"
#include "frame/App.h"
#include "frame/ColorRun.h"

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

    void Update() override;
    void OnKeyDown(SDLKey sym) override;

    // The value the factor takes after one more pixel.
    static float Advance(float factor);
    // A channel times the factor, truncated, keeping its low 8 bits.
    static Uint8 Scale(Uint8 channel, float factor);

    // One column's colours times their factors, into scaled's channels.
    static void ScaleColumn(const Color* column, const float* factor, ColorRun& scaled);

    Image image;
    int blendEnabled = 0; // 1 while Up has switched the overlay on
    // The working colours, column by column: position (x, y) is entry x * kHeight + y.
    Color colorCache[kPixels];
    // The factor of every pixel of a frame, read instead of stepped.
    FactorTable factors;
};
