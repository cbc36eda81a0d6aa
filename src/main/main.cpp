// Prismwarp: a picture warped and colour-cycled as fast as the machine draws it.
#include <SDL.h>

#include "effect/WarpEffect.h"
#include "main/ErrorMsg.h"

// On Windows SDL.h renames this to SDL_main, which SDLmain's entry calls.
int main(int, char*[]) {
    try {
        App app("Prismwarp", 320, 240, 0, false);
        app.handler = new WarpEffect();
        app.Run();
    } catch (const ErrorMsg& error) {
        error.Show();
        return 1;
    }
    return 0;
}
