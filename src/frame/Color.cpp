// Color: building a pixel value in an image's format.
#include "frame/Color.h"

#include "frame/Image.h"

Color::Color(const Image& image, Uint8 r, Uint8 g, Uint8 b)
    : r(r), g(g), b(b), mapped(SDL_MapRGB(image.surface->format, r, g, b)) {}
