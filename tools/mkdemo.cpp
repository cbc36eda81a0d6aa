// mkdemo: the animated picture of the demo, docs/prismwarp.gif, made of the program's own
// frames: the real effect drawn headless through the program's frame loop on the bundled
// picture, Up pressed part of the way through, as a user would, and every frame added to a
// GIF with a palette of its own.
// Usage: mkdemo OUT.gif [LAST.bmp], run in the folder that holds lsd.bmp, where the program
// reads it. LAST.bmp, where it is named, is the last frame as the screen showed it, in its
// true colours, for a test to hold the GIF's last frame to.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "BmpWriter.h"
#include "GifWriter.h"
#include "effect/WarpEffect.h"
#include "main/ErrorMsg.h"

namespace {

// The animation, frames counted from 0: the first frames the program draws, the factor rising
// from 1 to its first reset (in frame 11) and on; then Up, and the overlay's frames over the
// next rise, until the reset in frame 24 lets the untouched picture show through.
const int kFrames = 26;
const int kOverlayFrom = 13; // Up is pressed before this frame is drawn
const int kDelay = 8;        // hundredths of a second each frame is shown
// The frames' fine grain is noise to LZW: a frame takes about 90 KB in 256 colours, about
// 60 KB in these, which keep the file within 1.5 MB.
const int kColours = 48;

// A fatal error of the frame loop, told on stderr: a tool shows no error box.
void Print(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const ErrorMsg& e) {
        std::fprintf(stderr, "mkdemo: %s\n", e.message.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkdemo: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "mkdemo: an exception of no known type\n");
    }
}

// The program's window, drawn into memory alone (SDL's dummy driver, which main chooses).
// The App is built here and nowhere else, as the program's main builds it but for the
// screen, asked for at 32 bits whatever the driver would give, so that the frames are the
// same on every machine.
struct Window {
    Platform platform{Print};
    App app{platform, "Prismwarp", WarpEffect::kWidth, WarpEffect::kHeight, 32, false};
};

// The effect as the program draws it, each frame also added to the GIF and kept as `last`,
// and the window closed after the last.
class Recorder : public WarpEffect {
public:
    Recorder(GifWriter& gif, std::vector<Rgb>& last) : gif(gif), last(last) {}

    void Update() override {
        if (drawn == kOverlayFrom) OnKeyDown(SDLK_UP);
        WarpEffect::Update();
        last = Shown();
        gif.AddFrame(last, kDelay);
        if (++drawn == kFrames) {
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            if (SDL_PushEvent(&quit) != 0) throw ErrorMsg("SDL_PushEvent failed");
        }
    }

private:
    // The frame's colours as the screen shows them, row by row.
    std::vector<Rgb> Shown() const {
        const SDL_Surface* screen = app->screen.surface;
        if (screen->format->BitsPerPixel != 32) throw ErrorMsg("the screen is not one of 32 bits");
        std::vector<Rgb> pixels;
        pixels.reserve(kPixels);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                Rgb c;
                SDL_GetRGB(App::GetPixel(app->screen, x, y).mapped, screen->format, &c.r, &c.g,
                           &c.b);
                pixels.push_back(c);
            }
        }
        return pixels;
    }

    GifWriter& gif;
    std::vector<Rgb>& last;
    int drawn = 0;
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr,
                     "usage: mkdemo OUT.gif [LAST.bmp] (in the folder that holds lsd.bmp)\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    try {
        GifWriter gif(WarpEffect::kWidth, WarpEffect::kHeight, kColours);
        std::vector<Rgb> last;
        {
            Window window;
            window.app.handler = new Recorder(gif, last);
            window.app.Run();
        }
        const std::vector<uint8_t> bytes = gif.Bytes();
        WriteFile(argv[1], bytes);
        if (argc == 3) {
            WriteBmp24(argv[2], WarpEffect::kWidth, WarpEffect::kHeight,
                       [&](int x, int y) { return last[size_t(y * WarpEffect::kWidth + x)]; });
        }
        std::printf("%s: %d frames, %zu bytes\n", argv[1], kFrames, bytes.size());
    } catch (const ErrorMsg& error) {
        std::string message = error.message;
        if (message.empty() || message.back() != '\n') message += '\n';
        std::fprintf(stderr, "mkdemo: %s", message.c_str());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mkdemo: %s\n", error.what());
        return 1;
    }
    return 0;
}
