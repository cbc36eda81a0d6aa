// BmpWriter: encoding pictures as 24-bit BMP files.
#include "BmpWriter.h"

#include <fstream>
#include <stdexcept>

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::vector<uint8_t> EncodeBmp24(int width, int height, const PixelSource& pixel) {
    const uint32_t rowBytes = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * uint32_t(height);
    std::vector<uint8_t> out;
    out.reserve(54 + imageBytes);

    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + imageBytes); // file size
    Put32(out, 0);               // reserved
    Put32(out, 54);              // offset of the pixels
    Put32(out, 40);              // info header size
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height)); // positive: bottom-up
    Put16(out, 1);                // planes
    Put16(out, 24);               // bits a pixel
    Put32(out, 0);                // no compression
    Put32(out, imageBytes);
    Put32(out, 2835); // 72 dpi
    Put32(out, 2835);
    Put32(out, 0); // palette colours
    Put32(out, 0); // important colours

    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, y);
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
        }
        for (uint32_t pad = uint32_t(width) * 3; pad < rowBytes; ++pad)
            out.push_back(0);
    }
    return out;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error("cannot write " + path);
}
