// Image: the owner of one SDL surface.
#pragma once

#include <SDL.h>

#include <string>

class Image {
public:
    Image() = default;
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Reads a BMP file; true when a surface came of it. Called on an empty image. What is
    // not a regular file (or a link to one) is refused without waiting on it, and a header
    // declaring more pixels than the file can hold is refused before SDL allocates them.
    // Where it fails, `why` is a line that names the file, the folder it was looked for in,
    // and what is wrong with it. Throws std::bad_alloc where SDL runs out of memory for it.
    bool Load(const char* filename);

    SDL_Surface* surface = nullptr;
    std::string why;
};
