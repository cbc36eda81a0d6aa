// mkpicture: draws the demo's bundled picture, a 24-bit BMP of overlapping colour waves,
// rings and a fine checker, so that every part of the warp has detail to move.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const int kWidth = 320;
const int kHeight = 240;

void Put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

uint8_t Wave(double phase) {
    return uint8_t(127.5 + 127.5 * std::sin(phase));
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkpicture OUT.bmp\n");
        return 2;
    }

    const int rowBytes = (kWidth * 3 + 3) & ~3;
    const unsigned imageBytes = unsigned(rowBytes * kHeight);
    std::vector<uint8_t> bmp;
    // File header, then the 40-byte info header: 24 bits a pixel, uncompressed.
    bmp.push_back('B');
    bmp.push_back('M');
    Put32(bmp, 54 + imageBytes);
    Put32(bmp, 0);
    Put32(bmp, 54);
    Put32(bmp, 40);
    Put32(bmp, kWidth);
    Put32(bmp, kHeight);
    Put16(bmp, 1);
    Put16(bmp, 24);
    Put32(bmp, 0);
    Put32(bmp, imageBytes);
    Put32(bmp, 2835);
    Put32(bmp, 2835);
    Put32(bmp, 0);
    Put32(bmp, 0);

    // Rows are stored bottom-up, each pixel blue, green, red.
    for (int row = kHeight - 1; row >= 0; --row) {
        const double y = row;
        for (int x = 0; x < kWidth; ++x) {
            const double rings = std::hypot(x - 160.0, y - 120.0) / 7.0;
            const double plasma = std::sin(x / 23.0) + std::sin(y / 17.0) + std::sin((x + y) / 31.0);
            const int checker = (x / 4 + row / 4) % 2 * 24;
            bmp.push_back(uint8_t(Wave(plasma * 2.1 + 4.0) ^ checker));
            bmp.push_back(Wave(rings + plasma));
            bmp.push_back(Wave(rings * 0.5 - plasma * 1.7));
        }
        for (int pad = kWidth * 3; pad < rowBytes; ++pad) bmp.push_back(0);
    }

    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file || std::fwrite(bmp.data(), 1, bmp.size(), file) != bmp.size() || std::fclose(file)) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
