// GifWriter: palettes by median cut, LZW, and the GIF89a blocks around them.
#include "GifWriter.h"

#include <algorithm>
#include <initializer_list>
#include <stdexcept>

namespace {

uint32_t Packed(const Rgb& c) {
    return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

uint8_t Channel(uint32_t packed, int channel) {
    return uint8_t(packed >> (16 - 8 * channel));
}

// A colour of the picture and how many of its pixels have it.
struct Counted {
    uint32_t colour;
    uint32_t count;
};

// The picture's colours, each once, in the order of their packed values.
std::vector<Counted> Histogram(const std::vector<Rgb>& pixels) {
    std::vector<uint32_t> sorted(pixels.size());
    std::transform(pixels.begin(), pixels.end(), sorted.begin(), Packed);
    std::sort(sorted.begin(), sorted.end());
    std::vector<Counted> colours;
    for (const uint32_t colour : sorted) {
        if (colours.empty() || colours.back().colour != colour) colours.push_back({colour, 0});
        ++colours.back().count;
    }
    return colours;
}

// A box of the median cut: colours [begin, end) of the working list.
struct Box {
    size_t begin;
    size_t end;
    uint64_t pixels;
    int longest; // the channel (0 red, 1 green, 2 blue) the colours spread most along
    int spread;  // how far, the highest value less the lowest
};

Box Measure(const std::vector<Counted>& colours, size_t begin, size_t end) {
    Box box{begin, end, 0, 0, 0};
    int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
        box.pixels += colours[i].count;
        for (int channel = 0; channel < 3; ++channel) {
            const int value = Channel(colours[i].colour, channel);
            low[channel] = std::min(low[channel], value);
            high[channel] = std::max(high[channel], value);
        }
    }
    for (int channel = 0; channel < 3; ++channel) {
        if (high[channel] - low[channel] > box.spread) {
            box.spread = high[channel] - low[channel];
            box.longest = channel;
        }
    }
    return box;
}

// The pixel-weighted mean of the box's colours, each channel rounded half up.
Rgb Mean(const std::vector<Counted>& colours, const Box& box) {
    uint64_t sum[3] = {0, 0, 0};
    for (size_t i = box.begin; i < box.end; ++i)
        for (int channel = 0; channel < 3; ++channel)
            sum[channel] += uint64_t(Channel(colours[i].colour, channel)) * colours[i].count;
    const auto mean = [&](int channel) {
        return uint8_t((sum[channel] + box.pixels / 2) / box.pixels);
    };
    return {mean(0), mean(1), mean(2)};
}

// The bits of the codes, lowest first, gathered into bytes.
class BitPacker {
public:
    void Put(uint32_t code, int bits) {
        pending |= code << held;
        held += bits;
        while (held >= 8) {
            bytes.push_back(uint8_t(pending));
            pending >>= 8;
            held -= 8;
        }
    }

    std::vector<uint8_t> Finish() {
        if (held > 0) bytes.push_back(uint8_t(pending));
        held = 0;
        pending = 0;
        return std::move(bytes);
    }

private:
    std::vector<uint8_t> bytes;
    uint32_t pending = 0;
    int held = 0;
};

void PutBytes(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// The bits an index into `colours` entries needs: GIF's colour tables have 2 to 256 entries,
// a power of two.
int IndexBits(size_t colours) {
    int bits = 1;
    while ((size_t(1) << bits) < colours)
        ++bits;
    return bits;
}

// For each colour, the index of the nearest entry of `palette` by the squared distance of
// the channels, the lowest where several are as near.
std::vector<uint8_t> Nearest(const std::vector<Counted>& colours, const std::vector<Rgb>& palette) {
    std::vector<uint8_t> nearest(colours.size());
    for (size_t i = 0; i < colours.size(); ++i) {
        const int r = Channel(colours[i].colour, 0);
        const int g = Channel(colours[i].colour, 1);
        const int b = Channel(colours[i].colour, 2);
        size_t best = 0;
        int bestDistance = 3 * 255 * 255 + 1;
        for (size_t entry = 0; entry < palette.size(); ++entry) {
            const int dr = r - palette[entry].r, dg = g - palette[entry].g,
                      db = b - palette[entry].b;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = entry;
            }
        }
        nearest[i] = uint8_t(best);
    }
    return nearest;
}

} // namespace

std::vector<Rgb> MedianCut(const std::vector<Rgb>& pixels, int colours) {
    if (colours < 1 || colours > 256) throw std::invalid_argument("a palette has 1 to 256 colours");
    std::vector<Counted> list = Histogram(pixels);
    std::vector<Rgb> palette;
    if (list.size() <= size_t(colours)) {
        for (const Counted& c : list)
            palette.push_back({Channel(c.colour, 0), Channel(c.colour, 1), Channel(c.colour, 2)});
        return palette;
    }

    std::vector<Box> boxes = {Measure(list, 0, list.size())};
    while (boxes.size() < size_t(colours)) {
        // The box to split: its spread times its pixels the largest, the first such.
        size_t chosen = boxes.size();
        uint64_t best = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            const uint64_t weight = uint64_t(boxes[i].spread) * boxes[i].pixels;
            if (boxes[i].end - boxes[i].begin >= 2 && weight > best) {
                best = weight;
                chosen = i;
            }
        }
        if (chosen == boxes.size()) break; // every box is one colour
        const Box box = boxes[chosen];
        // Along its longest side, the other channels after: the colours are distinct, so the
        // order is the same whatever the sort.
        const int channel = box.longest;
        const auto key = [channel](const Counted& c) {
            return uint32_t(Channel(c.colour, channel)) << 24 | c.colour;
        };
        std::sort(list.begin() + std::ptrdiff_t(box.begin), list.begin() + std::ptrdiff_t(box.end),
                  [&](const Counted& a, const Counted& b) { return key(a) < key(b); });
        // The cut: after the first colour where half of the box's pixels are reached, leaving
        // at least one colour on each part.
        size_t cut = box.begin;
        uint64_t below = 0;
        while (cut < box.end - 1 && (below += list[cut].count) * 2 < box.pixels)
            ++cut;
        cut = std::min(cut + 1, box.end - 1);
        boxes[chosen] = Measure(list, box.begin, cut);
        boxes.insert(boxes.begin() + std::ptrdiff_t(chosen) + 1, Measure(list, cut, box.end));
    }
    for (const Box& box : boxes)
        palette.push_back(Mean(list, box));
    return palette;
}

std::vector<uint8_t> PaletteIndices(const std::vector<Rgb>& pixels,
                                    const std::vector<Rgb>& palette) {
    if (palette.empty() || palette.size() > 256)
        throw std::invalid_argument("a palette has 1 to 256 colours");
    // The nearest entry is found once for each colour of the picture.
    const std::vector<Counted> colours = Histogram(pixels);
    const std::vector<uint8_t> nearest = Nearest(colours, palette);
    std::vector<uint8_t> indices(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t colour = Packed(pixels[i]);
        const auto at =
            std::lower_bound(colours.begin(), colours.end(), colour,
                             [](const Counted& c, uint32_t value) { return c.colour < value; });
        indices[i] = nearest[size_t(at - colours.begin())];
    }
    return indices;
}

std::vector<uint8_t> LzwCompress(const std::vector<uint8_t>& indices, int minCodeSize) {
    if (minCodeSize < 2 || minCodeSize > 8) throw std::invalid_argument("LZW codes of 2 to 8 bits");
    const uint32_t clear = 1u << minCodeSize;
    const uint32_t end = clear + 1;
    const uint32_t kMaxCodes = 4096; // codes of at most 12 bits
    // table[prefix << minCodeSize | index]: the code of the string `prefix` then `index`, 0
    // while there is none (no string's code is 0, which stands for a single index).
    std::vector<uint16_t> table(size_t(kMaxCodes) << minCodeSize);
    uint32_t next = clear + 2;
    int codeSize = minCodeSize + 1;
    BitPacker bits;
    // The clear code, in the width the decoder reads, and the table as it starts.
    const auto clearTable = [&] {
        bits.Put(clear, codeSize);
        std::fill(table.begin(), table.end(), 0);
        next = clear + 2;
        codeSize = minCodeSize + 1;
    };

    for (const uint8_t index : indices)
        if (index >= clear) throw std::invalid_argument("an index beyond the code size");

    clearTable();
    if (!indices.empty()) {
        uint32_t prefix = indices[0];
        for (size_t i = 1; i < indices.size(); ++i) {
            const uint32_t index = indices[i];
            uint16_t& code = table[size_t(prefix) << minCodeSize | index];
            if (code != 0) {
                prefix = code;
                continue;
            }
            bits.Put(prefix, codeSize);
            if (next < kMaxCodes) {
                code = uint16_t(next++);
                // The decoder adds this code only after it has read the next one, and reads
                // wider codes once its table reaches the current width's end.
                if (next > (1u << codeSize) && codeSize < 12) ++codeSize;
            } else {
                clearTable();
            }
            prefix = index;
        }
        bits.Put(prefix, codeSize);
    }
    bits.Put(end, codeSize);
    return bits.Finish();
}

GifWriter::GifWriter(int width, int height, int colours)
    : width(width), height(height), colours(colours) {
    if (width < 1 || height < 1 || width > 65535 || height > 65535)
        throw std::invalid_argument("a GIF is 1 to 65535 pixels wide and high");
    if (colours < 1 || colours > 256) throw std::invalid_argument("a palette has 1 to 256 colours");
    const char* const header = "GIF89a";
    out.insert(out.end(), header, header + 6);
    // The logical screen: its size, no global colour table, 8 bits a channel (0x70).
    Put16(out, uint32_t(width));
    Put16(out, uint32_t(height));
    PutBytes(out, {0x70, 0, 0});
    // Netscape's application extension: loop for ever (a count of 0).
    const char* const netscape = "NETSCAPE2.0";
    PutBytes(out, {0x21, 0xFF, 11});
    out.insert(out.end(), netscape, netscape + 11);
    PutBytes(out, {3, 1, 0, 0, 0});
}

void GifWriter::AddFrame(const std::vector<Rgb>& pixels, int delay) {
    if (pixels.size() != size_t(width) * size_t(height))
        throw std::invalid_argument("a frame of another size than the GIF's");
    if (delay < 0 || delay > 65535) throw std::invalid_argument("a delay of 0 to 65535");
    const std::vector<Rgb> palette = MedianCut(pixels, colours);
    const int bits = IndexBits(palette.size());

    // The graphic control extension: the frame stays when the next is drawn over it
    // (disposal 1), no transparent colour, shown for `delay`.
    PutBytes(out, {0x21, 0xF9, 4, 0x04});
    Put16(out, uint32_t(delay));
    PutBytes(out, {0, 0});
    // The image descriptor: the whole screen, with a local colour table of 2^bits entries.
    out.push_back(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, uint32_t(width));
    Put16(out, uint32_t(height));
    out.push_back(uint8_t(0x80 | (bits - 1)));
    for (size_t entry = 0; entry < (size_t(1) << bits); ++entry) {
        const Rgb c = entry < palette.size() ? palette[entry] : Rgb{};
        PutBytes(out, {c.r, c.g, c.b});
    }
    // The pixels: LZW codes of at least 2 bits, in sub-blocks of up to 255 bytes.
    const int minCodeSize = std::max(2, bits);
    const std::vector<uint8_t> code = LzwCompress(PaletteIndices(pixels, palette), minCodeSize);
    out.push_back(uint8_t(minCodeSize));
    for (size_t at = 0; at < code.size(); at += 255) {
        const size_t length = std::min<size_t>(255, code.size() - at);
        out.push_back(uint8_t(length));
        out.insert(out.end(), code.begin() + std::ptrdiff_t(at),
                   code.begin() + std::ptrdiff_t(at + length));
    }
    out.push_back(0);
}

std::vector<uint8_t> GifWriter::Bytes() const {
    std::vector<uint8_t> file = out;
    file.push_back(0x3B); // the trailer
    return file;
}
