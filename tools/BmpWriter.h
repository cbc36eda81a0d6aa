// BmpWriter: pictures made in code, written as Windows BMP files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;

    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// Appends a 16- or 32-bit value as BMP headers store it, lowest byte first.
void Put16(std::vector<uint8_t>& out, uint32_t v);
void Put32(std::vector<uint8_t>& out, uint32_t v);

// The colour of the picture at (x, y), x across from the left, y down from the top.
using PixelSource = std::function<Rgb(int x, int y)>;

// An uncompressed 24-bit BMP: the 14-byte file header, the 40-byte info header, then the
// rows bottom-up, each pixel blue, green, red and each row padded to 4 bytes.
std::vector<uint8_t> EncodeBmp24(int width, int height, const PixelSource& pixel);

// Writes the bytes to path; throws std::runtime_error when that fails.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

inline void WriteBmp24(const std::string& path, int width, int height, const PixelSource& pixel) {
    WriteFile(path, EncodeBmp24(width, height, pixel));
}
