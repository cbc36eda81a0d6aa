// Prismwarp: a picture warped and colour-cycled as fast as the machine draws it.
#include <SDL.h>

#include <exception>

#include "effect/WarpEffect.h"
#include "frame/App.h"
#include "frame/Platform.h"
#include "main/ErrorMsg.h"

// On Windows SDL.h renames this to SDL_main, which SDLmain's entry calls.
int main(int, char*[]) {
    // SDL's life, and the way out for every fatal error: the error box, then status 1.
    Platform platform(ErrorMsg::Report);
    try {
        App app(platform, "Prismwarp", WarpEffect::kWidth, WarpEffect::kHeight, 0, false);
        app.handler = new WarpEffect();
        app.Run();
    } catch (...) {
        platform.Fail(std::current_exception());
    }
    return 0;
}
