// ReferenceColor: a colour mapped by SDL_MapRGB, out of line as the plain program has it.
#include "ReferencePass.h"

namespace reference {

Color MapColor(SDL_Surface* surface, Uint8 r, Uint8 g, Uint8 b) {
    return Color(r, g, b, SDL_MapRGB(surface->format, r, g, b));
}

} // namespace reference
