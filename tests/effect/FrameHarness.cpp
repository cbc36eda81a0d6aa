// FrameHarness: the program's own frame loop on lsd.bmp for a fixed number of frames with
// the blend overlay on, for memory checkers. Up is pressed before the first frame, as a
// user would, and the window is closed after the last one.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "Events.h"
#include "TestPlatform.h"
#include "effect/WarpEffect.h"
#include "main/ErrorMsg.h"

namespace {

class CountedFrames : public WarpEffect {
public:
    explicit CountedFrames(int frames) : left(frames) {}

    void Update() override {
        WarpEffect::Update();
        if (--left == 0) Push(Quit());
    }

    static void Push(SDL_Event event) {
        if (SDL_PushEvent(&event) != 0) throw ErrorMsg("SDL_PushEvent failed");
    }

    int left;
};

} // namespace

int main(int argc, char* argv[]) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 3;
    if (frames < 2) {
        std::fprintf(stderr, "usage: %s [FRAMES >= 2]\n", argv[0]);
        return 2;
    }
    try {
        App app(TestPlatform::Get(), "Prismwarp", WarpEffect::kWidth, WarpEffect::kHeight, 0,
                false);
        auto* effect = new CountedFrames(frames);
        app.handler = effect;
        // The overlay is on from the second frame: the events of a frame come after it.
        CountedFrames::Push(Key(SDL_KEYDOWN, SDLK_UP));
        app.Run();
        if (effect->blendEnabled != 1) {
            std::fprintf(stderr, "the Up key did not reach the effect\n");
            return 3;
        }
    } catch (const ErrorMsg& error) {
        std::fprintf(stderr, "%s\n", error.message.c_str());
        return 1;
    }
    return 0;
}
