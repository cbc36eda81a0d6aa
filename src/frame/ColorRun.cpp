// ColorRun: mapping a run of colours into a pixel format.
#include "frame/ColorRun.h"

#include "frame/Color.h"
#include "frame/VectorClones.h"

// For a true-colour format the loop has no dependence between colours and no call, so
// the compiler maps several colours at a time.
PRISMWARP_VECTOR_CLONES
void ColorRun::Map(const SDL_PixelFormat* format, int n) {
    if (format->palette) {
        for (int i = 0; i < n; ++i)
            mapped[i] = SDL_MapRGB(format, r[i], g[i], b[i]);
        return;
    }
    const SDL_PixelFormat layout = *format;
    for (int i = 0; i < n; ++i)
        mapped[i] = Color::Pack(layout, r[i], g[i], b[i]);
}
