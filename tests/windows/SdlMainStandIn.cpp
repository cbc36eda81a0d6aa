// Stands in for SDL 1.2's entry library SDLmain in the Windows build check: the GUI entry
// point, which hands over to the program's SDL_main as SDLmain's own does.
#include <windows.h>

extern "C" int SDL_main(int argc, char* argv[]);

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char name[] = "prismwarp";
    char* argv[] = {name, nullptr};
    return SDL_main(1, argv);
}
