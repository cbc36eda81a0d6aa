// BmpFlavours: BMP files in every layout SDL reads, written byte by byte, with the colour
// each pixel decodes to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BmpWriter.h"

namespace bmpflavours {

enum class Flavour {
    Mono1,        // 1 bit, 2-colour palette
    Pal4,         // 4 bits, 16-colour palette
    Pal8,         // 8 bits, 256-colour palette
    Rle4,         // 4 bits, run-length encoded
    Rle8,         // 8 bits, run-length encoded
    Rgb555,       // 16 bits, the default 5-5-5 layout
    Rgb565,       // 16 bits, 5-6-5 through bit-field masks
    Bgr24,        // 24 bits, rows bottom-up
    Bgr24TopDown, // 24 bits, rows top-down (negative height)
    Bgrx32,       // 32 bits, no masks
    Bgra32,       // 32 bits with an alpha mask, version 4 header
    Os2Pal8,      // OS/2 12-byte header, 3-byte palette entries
    Os2Bgr24,     // OS/2 12-byte header, 24 bits
};

const std::vector<Flavour>& AllFlavours();
std::string Name(Flavour flavour);

using ::Rgb;

// The whole file of a width x height picture; width and height are at least 1.
std::vector<uint8_t> Write(Flavour flavour, int width, int height);

// The colour SDL decodes at (x, y) of that picture.
Rgb Expected(Flavour flavour, int x, int y);

// Overwrites the 16- or 32-bit little-endian field at byte `at`, as BMP headers store
// it: for files made broken on purpose.
void Patch16(std::vector<uint8_t>& bytes, size_t at, uint32_t v);
void Patch32(std::vector<uint8_t>& bytes, size_t at, uint32_t v);

// Writes bytes to a file with the BMP tool's WriteFile; false when it cannot.
bool SaveFile(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace bmpflavours
