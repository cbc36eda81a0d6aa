// Browser: the App's screen on a web page's canvas, built with Emscripten.
#pragma once

#include "frame/Presenter.h"

// Emscripten's SDL keeps the screen's pixels in memory and copies them to the page's canvas
// when the screen is unlocked, in the canvas's own layout: red, green, blue, alpha from the
// lowest byte. There every surface must be locked, SDL_FillRect paints the canvas rather than
// the pixels, and SDL_UpdateRect does nothing. So a frame is drawn between a lock and an
// unlock, in the layout of the desktop's 32-bit screen, and reordered for the canvas when it
// is presented: the page shows the desktop's frames to the bit, overlay included, which
// reads a screen pixel's low three bytes as red, green and blue. A frame that covers the
// screen is neither cleared nor reordered: it stores its pixels in the canvas's layout
// straight away, the same bytes.
class Browser : public Presenter {
public:
    // The screen, with the desktop's 32-bit layout: red in bits 16-23, nothing in the top
    // byte.
    SDL_Surface* Open(int width, int height, int bpp, bool fullscreen) override;
    bool LocksScreen() const override { return true; }
    const SDL_PixelFormat* Begin(SDL_Surface* screen, SDL_Rect clear, bool covered) override;
    // A web page has nothing to wait with: its frames are the browser's to schedule.
    bool NextEvent(SDL_Event& event, bool wait) override;
    void Present(Image& screen, int width, int height) override;
    // Has the browser call app.Frame() as often as it can and returns to the page, leaving
    // the entry's stack frame, and the App on it, as it is. An error that leaves a frame
    // ends the program through the App's platform; closing the page ends it with 0. While
    // the page is hidden (another tab in front, the window minimised) no frame is called, as
    // a hidden window draws none on the desktop: shown again, the frames go on where they
    // stopped.
    [[noreturn]] void Run(App& app) override;

private:
    // Stops the frames while the page is hidden and starts them again once it is shown.
    void Follow(bool hidden);

    bool inCanvasLayout = false; // this frame's pixels are stored in the canvas's layout
    bool paused = false;         // the browser calls no frame: the page is hidden
};
