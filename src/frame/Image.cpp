// Image: loading a BMP and freeing the surface with its owner.
#include "frame/Image.h"

#include <cstdint>

namespace {

// The little-endian number in the `bytes` bytes at p.
uint32_t Le(const Uint8* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// SDL allocates and clears the whole surface a BMP header declares before it reads the
// first pixel, so a file of a few bytes that claims 60000 x 60000 pixels costs gigabytes
// before the load fails. Such headers are refused here: the rows of an uncompressed
// picture must fit in the file (SDL fails on a shorter file anyway), and a
// run-length picture, where two bytes may stand for 255 pixels, may take at most 64 MiB
// (8192 x 8192 pixels). Whatever else the header says is left for SDL to judge.
bool PixelsCanBeInFile(SDL_RWops* file) {
    // Bytes past the end of a short file stay 0, as SDL reads them.
    Uint8 h[14 + 20] = {};
    const int got = SDL_RWread(file, h, 1, sizeof h);
    const int size = SDL_RWseek(file, 0, RW_SEEK_END);
    if (SDL_RWseek(file, 0, RW_SEEK_SET) != 0 || size <= 0) return true;
    if (got < 2 || h[0] != 'B' || h[1] != 'M') return true;

    const Uint8* info = h + 14;
    const bool os2 = Le(info, 4) == 12;
    // OS/2 headers hold 16-bit sizes; the others signed 32-bit ones, a negative height
    // meaning rows top-down.
    const int64_t width = os2 ? int64_t(Le(info + 4, 2)) : int64_t(int32_t(Le(info + 4, 4)));
    const int64_t height = os2 ? int64_t(Le(info + 6, 2)) : int64_t(int32_t(Le(info + 8, 4)));
    const uint64_t bits = os2 ? Le(info + 10, 2) : Le(info + 14, 2);
    const uint32_t compression = os2 ? 0 : Le(info + 16, 4);
    const uint64_t w = uint64_t(width < 0 ? -width : width);
    const uint64_t rows = uint64_t(height < 0 ? -height : height);
    if (w == 0 || rows == 0 || bits == 0 || bits > 32) return true;

    // Run-length pictures load as one byte a pixel, rows padded to 4 bytes.
    const uint32_t kRle8 = 1, kRle4 = 2;
    if (compression == kRle8 || compression == kRle4)
        return rows <= (uint64_t(64) << 20) / ((w + 3) / 4 * 4);
    // Rows are padded to 4 bytes in the file; the last one needs no padding.
    const uint64_t rowBytes = (w * bits + 31) / 32 * 4;
    const uint64_t lastRow = (w * bits + 7) / 8;
    if (rows - 1 > uint64_t(size) / rowBytes) return false;
    return (rows - 1) * rowBytes + lastRow <= uint64_t(size);
}

} // namespace

Image::~Image() {
    if (surface) SDL_FreeSurface(surface);
}

bool Image::Load(const char* filename) {
    SDL_RWops* file = SDL_RWFromFile(filename, "rb");
    if (!file) return false;
    if (!PixelsCanBeInFile(file)) {
        SDL_RWclose(file);
        return false;
    }
    // SDL_LoadBMP_RW closes the stream itself.
    surface = SDL_LoadBMP_RW(file, 1);
    return surface != nullptr;
}
