// FloorLoop: the frame loop with nothing drawn, the desktop benchmark's yardstick. It opens a
// 320x240 window at the display's depth, or with "full" the whole display full screen, and
// clears, polls and presents it as App::Run does until the window is closed.
#include <SDL.h>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    const bool full = argc > 1 && std::strcmp(argv[1], "full") == 0;
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "floor_loop: %s\n", SDL_GetError());
        return 1;
    }
    // Before a mode is set, the current one is the desktop's.
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    const int width = full ? info->current_w : 320, height = full ? info->current_h : 240;
    SDL_Surface* screen = SDL_SetVideoMode(width, height, 0, full ? SDL_FULLSCREEN : 0);
    if (!screen) {
        std::fprintf(stderr, "floor_loop: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_WM_SetCaption("Prismwarp floor", "Prismwarp floor");

    SDL_Rect clear = {0, 0, Uint16(width), Uint16(height)};
    for (bool running = true; running;) {
        SDL_FillRect(screen, &clear, 0);
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT) running = false;
        SDL_UpdateRect(screen, 0, 0, Uint32(width), Uint32(height));
    }
    SDL_Quit();
    return 0;
}
