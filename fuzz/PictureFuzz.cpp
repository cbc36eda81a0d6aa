// PictureFuzz: any bytes as lsd.bmp, through loading, the cache fill, a warp pass and a
// blend pass.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "BmpFlavours.h"
#include "ScratchDir.h"
#include "TestPlatform.h"
#include "effect/WarpEffect.h"
#include "main/ErrorMsg.h"

namespace {

// One headless screen for the whole run, in a private working folder that holds only
// lsd.bmp. Paths given to the fuzzer must be absolute: the working folder changes.
struct Stage {
    Stage() { scratch.Enter(); }

    ScratchDir scratch;
    bool headless = setenv("SDL_VIDEODRIVER", "dummy", 1) == 0;
    App app{TestPlatform::Get(), "Prismwarp", 320, 240, 0, false};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Stage stage;
    if (!bmpflavours::SaveFile("lsd.bmp", std::vector<uint8_t>(data, data + size))) std::abort();
    try {
        // The effect is built as the program builds it, from the file in the working folder.
        auto effect = std::make_unique<WarpEffect>();
        effect->app = &stage.app;
        effect->OnKeyDown(SDLK_UP);
        effect->Update();
    } catch (const ErrorMsg&) {
        // A file SDL refuses: the program reports it and ends, there is nothing to draw.
    }
    return 0;
}
