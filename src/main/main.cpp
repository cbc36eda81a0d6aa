// Prismwarp: a picture warped and colour-cycled as fast as the machine draws it.
#include <SDL.h>

#include "effect/WarpEffect.h"
#include "main/ErrorMsg.h"

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32
// A descriptor among 0-2 that was closed when we were started would go to the next file
// opened: the X connection or the picture, which our error text or a library's
// diagnostics would then be written into. /dev/null takes their place.
void OpenClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        // The lowest free descriptor: `fd` itself, since the ones below it are open.
        if (opened > 2) close(opened);
    }
}
#endif

// Shows the error box and gives the status of a failed run. On Linux the window goes first:
// nothing reads its events while the box is up, and the window manager would offer to kill
// it as hung. On Windows the box belongs to the window, which Windows keeps answering.
int Report(const ErrorMsg& error) {
#ifndef _WIN32
    App::CloseWindow();
#endif
    error.Show();
    return 1;
}

} // namespace

// On Windows SDL.h renames this to SDL_main, which SDLmain's entry calls.
int main(int, char*[]) {
#ifndef _WIN32
    OpenClosedStandardStreams();
#endif
    // Running out of memory has no text of its own: it takes that of the step it stopped,
    // opening the window, or loading the picture into the effect and drawing it.
    const char* outOfMemory = "Couldnt Set Display Mode!\n";
    try {
        App app("Prismwarp", WarpEffect::kWidth, WarpEffect::kHeight, 0, false);
        outOfMemory = "Unable to Load Image make sure its in the directory!\n";
        app.handler = new WarpEffect();
        app.Run();
    } catch (...) {
        return Report(ErrorMsg::Caught(outOfMemory));
    }
    return 0;
}
