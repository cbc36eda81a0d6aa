// TestPicture: drawing the picture and saving it as a BMP in a scratch folder.
#include "TestPicture.h"

#include "BmpWriter.h"

namespace {

// Channels that cross every value at different rates, so products and wraps vary.
Rgb Ramps(int x, int y) {
    return {uint8_t(x * 7 + y), uint8_t(y * 5 + (x ^ y)),
            uint8_t((x / 2 + y / 3) * 3 + ((x + y) % 4 == 0 ? 128 : 0))};
}

} // namespace

TestPicture::TestPicture() {
    WriteBmp24(File(), 320, 240, Ramps);
}
