// WebFrames: the frames the web page must show, drawn here by the plain passes on a screen
// in the desktop's 32-bit layout (XRGB8888), through the App's own frame, with keys pressed
// at set frames.
//
//   web_frames FOLDER COUNT KEYS            one line a frame: its number, the hash of its
//                                           pixels, the factor after it, and 1 where the
//                                           overlay was on
//   web_frames FOLDER COUNT KEYS --rgb N    frame N's pixels, as web_test.py reads the canvas
//
// FOLDER holds lsd.bmp. KEYS lists presses as FRAME:KEY, comma-separated (KEY is up, down or
// left; "-" for none): the key goes down and up before that frame, so the frame's events
// hold it, and the overlay changes from the next frame on. A frame's pixels are its red,
// green and blue bytes, row by row; the hash is 32-bit FNV-1a over them.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "Events.h"
#include "SurfaceLoan.h"
#include "TestPlatform.h"
#include "effect/WarpEffect.h"
#include "main/ErrorMsg.h"

namespace {

const std::map<std::string, SDLKey> kKeys = {
    {"up", SDLK_UP}, {"down", SDLK_DOWN}, {"left", SDLK_LEFT}};

// The presses before each frame; false for a list it cannot read.
bool ReadKeys(const std::string& list, std::multimap<int, SDLKey>& keys) {
    if (list == "-") return true;
    std::istringstream items(list);
    for (std::string item; std::getline(items, item, ',');) {
        const std::size_t colon = item.find(':');
        if (colon == std::string::npos) return false;
        const auto key = kKeys.find(item.substr(colon + 1));
        const int frame = std::atoi(item.substr(0, colon).c_str());
        if (key == kKeys.end() || frame < 1) return false;
        keys.emplace(frame, key->second);
    }
    return true;
}

std::vector<Uint8> Rgb(SDL_Surface* screen) {
    std::vector<Uint8> rgb;
    rgb.reserve(std::size_t(screen->w) * std::size_t(screen->h) * 3);
    for (int y = 0; y < screen->h; ++y) {
        const auto* row = reinterpret_cast<const Uint32*>(
            static_cast<const Uint8*>(screen->pixels) + y * screen->pitch);
        for (int x = 0; x < screen->w; ++x) {
            Uint8 r, g, b;
            SDL_GetRGB(row[x], screen->format, &r, &g, &b);
            rgb.insert(rgb.end(), {r, g, b});
        }
    }
    return rgb;
}

Uint32 Fnv1a(const std::vector<Uint8>& bytes) {
    Uint32 hash = 2166136261u;
    for (const Uint8 byte : bytes)
        hash = (hash ^ byte) * 16777619u;
    return hash;
}

void Push(SDL_Event event) {
    if (SDL_PushEvent(&event) != 0) throw ErrorMsg("SDL_PushEvent failed");
}

} // namespace

int main(int argc, char* argv[]) {
    std::multimap<int, SDLKey> keys;
    const bool rgbOfOne = argc == 6 && std::string(argv[4]) == "--rgb";
    const int count = argc >= 4 ? std::atoi(argv[2]) : 0;
    const int shown = rgbOfOne ? std::atoi(argv[5]) : 0;
    if ((argc != 4 && !rgbOfOne) || count < 1 || !ReadKeys(argv[3], keys) ||
        (rgbOfOne && (shown < 1 || shown > count))) {
        std::fprintf(stderr, "usage: %s FOLDER COUNT KEYS [--rgb FRAME]\n", argv[0]);
        return 2;
    }
    if (chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 1);

    try {
        App app(TestPlatform::Get(), "Prismwarp", 320, 240, 32, false);
        Image desktop;
        desktop.surface =
            SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
        if (!desktop.surface) throw ErrorMsg(SDL_GetError());
        SurfaceLoan loan(app.screen, desktop.surface);

        auto* effect = new WarpEffect();
        app.handler = effect;
        effect->path = CpuPath::Plain;
        effect->app = &app;
        app.running = true;
        for (int frame = 1; frame <= count; ++frame) {
            const auto pressed = keys.equal_range(frame);
            for (auto key = pressed.first; key != pressed.second; ++key) {
                Push(Key(SDL_KEYDOWN, key->second));
                Push(Key(SDL_KEYUP, key->second));
            }
            const int overlay = effect->blendEnabled;
            app.Frame();
            const std::vector<Uint8> rgb = Rgb(app.screen.surface);
            if (!rgbOfOne) {
                std::printf("%d %08x %.9g %d\n", frame, Fnv1a(rgb), double(warpFactor), overlay);
            } else if (frame == shown) {
                std::fwrite(rgb.data(), 1, rgb.size(), stdout);
                break;
            }
        }
    } catch (const ErrorMsg& error) {
        std::fprintf(stderr, "%s\n", error.message.c_str());
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
