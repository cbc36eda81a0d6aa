// WebBench: the program's frame in a web browser, with the overlay off and on, and the floor
// of the same frame drawing nothing, switched by the page bench.html, which times them.
#include <emscripten.h>

#include <exception>
#include <memory>

#include "effect/WarpEffect.h"
#include "frame/App.h"
#include "main/ErrorMsg.h"

namespace {

// What a frame's Update does: nothing (the floor: clear, lock, unlock, present), or the
// effect with the overlay off or on.
enum Stage { kFloor = 0, kOverlayOff = 1, kOverlayOn = 2 };

class Stages : public EventHandler {
public:
    void Update() override {
        if (stage == kFloor) return;
        effect->app = app;
        effect->blendEnabled = stage == kOverlayOn ? 1 : 0;
        effect->Update();
    }

    bool DrawsOver(const SDL_Rect& area) const override {
        if (stage == kFloor) return false;
        effect->app = app;
        return effect->DrawsOver(area);
    }

    std::unique_ptr<WarpEffect> effect = std::make_unique<WarpEffect>();
    int stage = kFloor;
};

Stages* stages = nullptr;

} // namespace

// The page's switch between the stages, from the next frame on.
extern "C" EMSCRIPTEN_KEEPALIVE void SetStage(int stage) {
    if (stages && stage >= kFloor && stage <= kOverlayOn) stages->stage = stage;
}

int main() {
    Platform platform(ErrorMsg::Report);
    try {
        App app(platform, "Prismwarp", WarpEffect::kWidth, WarpEffect::kHeight, 0, false);
        stages = new Stages();
        app.handler = stages;
        app.Run();
    } catch (...) {
        platform.Fail(std::current_exception());
    }
    return 0;
}
