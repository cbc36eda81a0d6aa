// ReferencePass: the straightforward rendition of a frame, the yardstick of the program's own.
#pragma once

#include <SDL.h>

#include <vector>

#include "frame/Color.h"
#include "frame/EventHandler.h"
#include "frame/Image.h"

// Every pixel the plain way: out-of-line pixel access, SDL_MapRGB for each colour, a
// lock check for each pixel and the factor stepped pixel by pixel, split over the units
// as the plain program was (colour, pixels with the blend, pass), so that the calls stay
// calls. The tests hold the program's frames against it, and the benchmark times it
// beside them.
namespace reference {

// The colour with `mapped` from SDL_MapRGB on the surface's format.
Color MapColor(SDL_Surface* surface, Uint8 r, Uint8 g, Uint8 b);

// A pixel of any image, as the program reads it.
Color GetPixel(SDL_Surface* image, int x, int y);
// Writes `mapped` into the surface; positions outside it are left alone.
void PutPixel(SDL_Surface* screen, int x, int y, Uint32 mapped);

// The warp pass over the 320 x 240 positions: reshuffles `cache` in place and draws it
// scaled by `factor`, which steps once a pixel.
void Warp(SDL_Surface* screen, Color* cache, float& factor);
// a weighs alpha and b weighs 1 - alpha, over x0 <= x < x1, y0 <= y < y1 of the screen.
void Blend(SDL_Surface* screen, SDL_Surface* a, SDL_Surface* b, int x0, int y0, int x1, int y1,
           float alpha);

// The effect's Update done the plain way, with a factor and a cache of its own.
class Effect : public EventHandler {
public:
    // Starts from a copy of the cache of an effect that loaded `picture`.
    Effect(const Color* cache, SDL_Surface* picture, float factor);

    void Update() override;
    void OnKeyDown(SDLKey sym) override;

    std::vector<Color> cache;
    SDL_Surface* picture; // not owned
    float factor;
    bool blend = false;
};

} // namespace reference
