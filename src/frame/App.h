// App: the window, its frame loop, and reading and writing single pixels.
#pragma once

#include <memory>
#include <string>

#include "frame/Color.h"
#include "frame/DrawTarget.h"
#include "frame/EventHandler.h"
#include "frame/Image.h"
#include "frame/Pixels.h"
#include "frame/Platform.h"
#include "frame/Presenter.h"

class App {
public:
    // Opens the window; throws ErrorMsg when SDL or the video mode cannot be had, running out
    // of memory among them. `platform` starts SDL, and outlives the App.
    App(Platform& platform, const std::string& caption, int width, int height, int bpp,
        bool fullscreen);
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    virtual void Init(const std::string& caption, int width, int height, int bpp, bool fullscreen);

    // Draws frames until the window is closed. Needs a handler. While the window is hidden
    // (minimised or unmapped) nothing is drawn: the loop waits for events instead. In a web
    // browser it returns to the page instead, which then calls Frame for each frame.
    virtual void Run();

    // One frame of Run's loop: clear the screen, let the handler draw, hand it the events,
    // present the screen; for a hidden window, wait for an event and hand it on.
    void Frame();

    // Mixes a with b over x0 <= x < x1, y0 <= y < y1 onto the screen: a weighs alpha,
    // b weighs 1 - alpha.
    virtual void Blend(Image& a, Image& b, int x0, int y0, int x1, int y1, float alpha);

    // One channel of Blend: ca weighs alpha, cb weighs w, 1 - alpha rounded to a float. Each
    // product is exact in double; the sum is rounded once, held at 255 and truncated.
    static Uint8 Mix(Uint8 ca, Uint8 cb, float alpha, float w) {
        const double v = ca * double(alpha) + cb * double(w);
        return Uint8(int(v > 255.0 ? 255.0 : v));
    }

    // Reads one pixel. For 1, 2 and 4 bytes a pixel the channels are the raw value's low
    // three bytes; for 3 they are the format's components. Outside the image: black, 0.
    static Color GetPixel(const Image& image, int x, int y);

    // Writes color.mapped into the screen; positions outside it are left alone. Throws
    // ErrorMsg "Unknown BitDepth" for a screen of more than 4 bytes a pixel.
    void PutPixel(int x, int y, Color color);

    // What the handler draws into: the screen, the layout the presenter takes this frame's
    // pixels in, and whether the screen is locked while a frame is drawn.
    DrawTarget Target() const;

    bool running = false;
    bool shown = true; // false while the window is hidden, as SDL's active events tell
    int width = 0;
    int height = 0;
    Image screen;
    EventHandler* handler = nullptr; // owned
    int mouseX = 0;
    int mouseY = 0;
    int mouseButton = 0;
    Platform& platform;

private:
    std::unique_ptr<Presenter> presenter;
    // The layout of the frame being drawn; null between frames, when it is the screen's own.
    const SDL_PixelFormat* frameLayout = nullptr;
};

// The pixel operations run for every pixel of the plain passes, so they are inline: a few
// bounds checks, a switch the branch predictor learns, and the access.

inline Color App::GetPixel(const Image& image, int x, int y) {
    return Pixels(image.surface).GetPixel(x, y);
}

inline void App::PutPixel(int x, int y, Color color) {
    Pixels(screen.surface).PutPixel(x, y, color);
}
