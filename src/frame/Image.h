// Image: the owner of one SDL surface.
#pragma once

#include <SDL.h>

class Image {
public:
    Image() = default;
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Reads a BMP file; true when a surface came of it. Called on an empty image. What is
    // not a regular file (or a link to one) is refused without waiting on it, and a header
    // declaring more pixels than the file can hold is refused before SDL allocates them.
    bool Load(const char* filename);

    SDL_Surface* surface = nullptr;
};
