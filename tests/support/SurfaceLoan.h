// SurfaceLoan: lends a surface to an Image for one scope and takes it back.
#pragma once

#include "frame/Image.h"

// Puts `surface` into `image` and restores the image's own surface when destroyed, so the
// Image never frees a surface it does not own (a test surface, a hand-made fake, or the
// App's display surface while a test surface stands in for it).
class SurfaceLoan {
public:
    SurfaceLoan(Image& image, SDL_Surface* surface) : image(image), own(image.surface) {
        image.surface = surface;
    }
    ~SurfaceLoan() { image.surface = own; }
    SurfaceLoan(const SurfaceLoan&) = delete;
    SurfaceLoan& operator=(const SurfaceLoan&) = delete;

private:
    Image& image;
    SDL_Surface* own;
};
