// Image: loading a BMP and freeing the surface with its owner.
#include "frame/Image.h"

Image::~Image() {
    if (surface) SDL_FreeSurface(surface);
}

bool Image::Load(const char* filename) {
    // SDL_LoadBMP_RW closes the stream itself, and accepts a null one.
    surface = SDL_LoadBMP_RW(SDL_RWFromFile(filename, "rb"), 1);
    return surface != nullptr;
}
