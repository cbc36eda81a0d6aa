// Color: mapping runs of colours into a pixel format.
#include "frame/Color.h"

#include "frame/VectorClones.h"

// For a true-colour format the loop has no dependence between colours and no call, so
// the compiler maps several colours at a time.
PRISMWARP_VECTOR_CLONES
void Color::Map(const SDL_PixelFormat* format, const Uint8* __restrict r, const Uint8* __restrict g,
                const Uint8* __restrict b, Uint32* __restrict mapped, int n) {
    if (format->palette) {
        for (int i = 0; i < n; ++i)
            mapped[i] = SDL_MapRGB(format, r[i], g[i], b[i]);
        return;
    }
    for (int i = 0; i < n; ++i)
        mapped[i] = Pack(*format, r[i], g[i], b[i]);
}
