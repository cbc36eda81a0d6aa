// SurfaceDifference: where two surfaces of one format first differ, for test messages.
#pragma once

#include <SDL.h>

#include <string>

// The first pixel, row by row, in which the two surfaces differ, with both values; ""
// when none does. Both have the size and format of `ours`.
std::string FirstDifference(SDL_Surface* ours, SDL_Surface* plain);
