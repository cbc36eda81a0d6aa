// FloorLoop: the frame loop with nothing drawn, the desktop benchmark's yardstick. It opens a
// 320x240 window at the display's depth and clears, polls and presents it as App::Run does
// until the window is closed.
#include <SDL.h>

#include <cstdio>

int main(int, char*[]) {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "floor_loop: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Surface* screen = SDL_SetVideoMode(320, 240, 0, 0);
    if (!screen) {
        std::fprintf(stderr, "floor_loop: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_WM_SetCaption("Prismwarp floor", "Prismwarp floor");

    SDL_Rect clear = {0, 0, 320, 240};
    for (bool running = true; running;) {
        SDL_FillRect(screen, &clear, 0);
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT) running = false;
        SDL_UpdateRect(screen, 0, 0, 320, 240);
    }
    SDL_Quit();
    return 0;
}
