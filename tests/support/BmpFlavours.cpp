// BmpFlavours: the headers, palettes, row layouts and run-length codes of each flavour.
#include "BmpFlavours.h"

#include "BmpWriter.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <stdexcept>

namespace bmpflavours {

namespace {

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

int Bits(Flavour f) {
    switch (f) {
    case Flavour::Mono1: return 1;
    case Flavour::Pal4:
    case Flavour::Rle4: return 4;
    case Flavour::Pal8:
    case Flavour::Rle8:
    case Flavour::Os2Pal8: return 8;
    case Flavour::Rgb555:
    case Flavour::Rgb565: return 16;
    case Flavour::Bgr24:
    case Flavour::Bgr24TopDown:
    case Flavour::Os2Bgr24: return 24;
    case Flavour::Bgrx32:
    case Flavour::Bgra32: return 32;
    }
    return 0;
}

int PaletteSize(Flavour f) {
    const int bits = Bits(f);
    return bits <= 8 ? 1 << bits : 0;
}

// Palette entry i: spread over the colour cube, so that neighbouring indices differ.
Rgb PaletteColor(int i) {
    return {uint8_t(i * 67 + 13), uint8_t(i * 151 + 29), uint8_t(i * 43 + 101)};
}

// Runs of four equal indices alternate with four indices that change every pixel, so
// that the run-length flavours hold both encoded runs and literal groups.
int Index(int x, int y, int colors) {
    const int v = (x & 4) ? x * 5 + y * 3 : (x / 4) * 7 + y * 3;
    return v % colors;
}

// The 5- and 6-bit fields of the 16-bit flavours, and their 8-bit values as SDL_GetRGB
// gives them (scaled to 255 and truncated).
int Red5(int x, int y) {
    return (x + y) & 31;
}
int Green6(int x, int y) {
    return (x * 3 + y) & 63;
}
int Blue5(int x, int y) {
    return (y * 7 + x) & 31;
}
uint8_t Expand5(int v) {
    return uint8_t(v * 255 / 31);
}
uint8_t Expand6(int v) {
    return uint8_t(v * 255 / 63);
}

Rgb TrueColor(int x, int y) {
    return {uint8_t(x * 7 + y), uint8_t(x ^ (y * 3)), uint8_t(x * y + 5)};
}

// One row of indices, run-length encoded; rows end with end-of-line, the last with
// end-of-bitmap.
void EncodeRleRow(std::vector<uint8_t>& out, const std::vector<int>& row, bool rle4) {
    const auto runAt = [&](size_t i) {
        size_t n = 1;
        while (i + n < row.size() && row[i + n] == row[i] && n < 255)
            ++n;
        return n;
    };
    const auto pair = [](int a, int b) { return uint8_t(a << 4 | b); };
    size_t i = 0;
    while (i < row.size()) {
        const size_t run = runAt(i);
        if (run >= 2) {
            out.push_back(uint8_t(run));
            out.push_back(rle4 ? pair(row[i], row[i]) : uint8_t(row[i]));
            i += run;
            continue;
        }
        size_t n = 0;
        while (i + n < row.size() && runAt(i + n) < 2 && n < 255)
            ++n;
        if (n < 3) {
            // Absolute mode needs three pixels at least: shorter groups go as runs of one.
            for (size_t k = 0; k < n; ++k) {
                out.push_back(1);
                out.push_back(rle4 ? pair(row[i + k], 0) : uint8_t(row[i + k]));
            }
        } else {
            out.push_back(0);
            out.push_back(uint8_t(n));
            size_t bytes = 0;
            for (size_t k = 0; k < n; k += rle4 ? 2 : 1, ++bytes) {
                if (rle4)
                    out.push_back(pair(row[i + k], k + 1 < n ? row[i + k + 1] : 0));
                else
                    out.push_back(uint8_t(row[i + k]));
            }
            // Absolute groups end on a 16-bit boundary.
            if (bytes % 2) out.push_back(0);
        }
        i += n;
    }
}

std::vector<uint8_t> PixelData(Flavour f, int width, int height) {
    const int bits = Bits(f);
    const int colors = PaletteSize(f);
    const bool rle = f == Flavour::Rle4 || f == Flavour::Rle8;
    const bool topDown = f == Flavour::Bgr24TopDown;
    std::vector<uint8_t> data;
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        if (rle) {
            std::vector<int> indices;
            for (int x = 0; x < width; ++x)
                indices.push_back(Index(x, y, colors));
            EncodeRleRow(data, indices, f == Flavour::Rle4);
            data.push_back(0);
            data.push_back(row + 1 < height ? 0 : 1);
            continue;
        }
        const size_t start = data.size();
        if (bits < 8) {
            // Pixels packed from the high bits of each byte.
            unsigned byte = 0;
            int used = 0;
            for (int x = 0; x < width; ++x) {
                byte = byte << bits | unsigned(Index(x, y, colors));
                used += bits;
                if (used == 8) {
                    data.push_back(uint8_t(byte));
                    byte = 0;
                    used = 0;
                }
            }
            if (used) data.push_back(uint8_t(byte << (8 - used)));
        }
        for (int x = 0; bits >= 8 && x < width; ++x) {
            const Rgb c = TrueColor(x, y);
            switch (f) {
            case Flavour::Pal8:
            case Flavour::Os2Pal8: data.push_back(uint8_t(Index(x, y, colors))); break;
            case Flavour::Rgb555:
                Put16(data, Red5(x, y) << 10 | (Green6(x, y) >> 1) << 5 | Blue5(x, y));
                break;
            case Flavour::Rgb565:
                Put16(data, Red5(x, y) << 11 | Green6(x, y) << 5 | Blue5(x, y));
                break;
            case Flavour::Bgrx32:
            case Flavour::Bgra32:
                data.insert(data.end(), {c.b, c.g, c.r, uint8_t(x * 3 + y * 5)});
                break;
            default: data.insert(data.end(), {c.b, c.g, c.r}); break;
            }
        }
        // Rows are padded to a multiple of 4 bytes.
        while ((data.size() - start) % 4)
            data.push_back(0);
    }
    return data;
}

} // namespace

const std::vector<Flavour>& AllFlavours() {
    static const std::vector<Flavour> all = {
        Flavour::Mono1,  Flavour::Pal4,    Flavour::Pal8,    Flavour::Rle4,         Flavour::Rle8,
        Flavour::Rgb555, Flavour::Rgb565,  Flavour::Bgr24,   Flavour::Bgr24TopDown, Flavour::Bgrx32,
        Flavour::Bgra32, Flavour::Os2Pal8, Flavour::Os2Bgr24};
    return all;
}

std::string Name(Flavour f) {
    switch (f) {
    case Flavour::Mono1: return "Mono1";
    case Flavour::Pal4: return "Pal4";
    case Flavour::Pal8: return "Pal8";
    case Flavour::Rle4: return "Rle4";
    case Flavour::Rle8: return "Rle8";
    case Flavour::Rgb555: return "Rgb555";
    case Flavour::Rgb565: return "Rgb565";
    case Flavour::Bgr24: return "Bgr24";
    case Flavour::Bgr24TopDown: return "Bgr24TopDown";
    case Flavour::Bgrx32: return "Bgrx32";
    case Flavour::Bgra32: return "Bgra32";
    case Flavour::Os2Pal8: return "Os2Pal8";
    case Flavour::Os2Bgr24: return "Os2Bgr24";
    }
    return "?";
}

std::vector<uint8_t> Write(Flavour f, int width, int height) {
    const bool os2 = f == Flavour::Os2Pal8 || f == Flavour::Os2Bgr24;
    const bool masks = f == Flavour::Rgb565 || f == Flavour::Bgra32;
    const uint32_t headerSize = os2 ? 12 : f == Flavour::Bgra32 ? 108 : 40;
    const int colors = PaletteSize(f);
    const std::vector<uint8_t> data = PixelData(f, width, height);

    std::vector<uint8_t> info;
    Put32(info, headerSize);
    if (os2) {
        Put16(info, uint32_t(width));
        Put16(info, uint32_t(height));
        Put16(info, 1);
        Put16(info, uint32_t(Bits(f)));
    } else {
        uint32_t compression = masks ? kBitFields : kRgb;
        if (f == Flavour::Rle4) compression = kRle4;
        if (f == Flavour::Rle8) compression = kRle8;
        Put32(info, uint32_t(width));
        Put32(info, uint32_t(f == Flavour::Bgr24TopDown ? -height : height));
        Put16(info, 1);
        Put16(info, uint32_t(Bits(f)));
        Put32(info, compression);
        Put32(info, uint32_t(data.size()));
        Put32(info, 2835); // 72 dots an inch, both ways
        Put32(info, 2835);
        Put32(info, uint32_t(colors));
        Put32(info, 0);
        if (f == Flavour::Rgb565) {
            // The three masks follow the 40-byte header.
            Put32(info, 0xF800);
            Put32(info, 0x07E0);
            Put32(info, 0x001F);
        } else if (f == Flavour::Bgra32) {
            // Version 4 header: red, green, blue and alpha masks, colour space, end points
            // and gamma.
            Put32(info, 0x00FF0000);
            Put32(info, 0x0000FF00);
            Put32(info, 0x000000FF);
            Put32(info, 0xFF000000);
            Put32(info, 0x73524742); // "sRGB"
            info.resize(headerSize, 0);
        }
    }
    for (int i = 0; i < colors; ++i) {
        const Rgb c = PaletteColor(i);
        info.insert(info.end(), {c.b, c.g, c.r});
        if (!os2) info.push_back(0);
    }

    std::vector<uint8_t> file = {'B', 'M'};
    const uint32_t offset = uint32_t(14 + info.size());
    Put32(file, uint32_t(offset + data.size()));
    Put32(file, 0);
    Put32(file, offset);
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

Rgb Expected(Flavour f, int x, int y) {
    switch (f) {
    case Flavour::Rgb555:
        return {Expand5(Red5(x, y)), Expand5(Green6(x, y) >> 1), Expand5(Blue5(x, y))};
    case Flavour::Rgb565: return {Expand5(Red5(x, y)), Expand6(Green6(x, y)), Expand5(Blue5(x, y))};
    default: break;
    }
    const int colors = PaletteSize(f);
    return colors ? PaletteColor(Index(x, y, colors)) : TrueColor(x, y);
}

void Patch16(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    std::vector<uint8_t> field;
    Put16(field, v);
    std::copy(field.begin(), field.end(), bytes.begin() + std::ptrdiff_t(at));
}

void Patch32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    std::vector<uint8_t> field;
    Put32(field, v);
    std::copy(field.begin(), field.end(), bytes.begin() + std::ptrdiff_t(at));
}

bool SaveFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    try {
        WriteFile(path, bytes);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

} // namespace bmpflavours
