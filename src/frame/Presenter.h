// Presenter: how the frames of the App's screen reach the user.
#pragma once

#include <SDL.h>

#include "frame/Image.h"

class App;

// A desktop window (Window) or a web page's canvas (Browser). The App's frame loop is the
// same for both; what differs is how the screen is opened, readied for a frame, presented,
// and how the frames follow each other.
class Presenter {
public:
    virtual ~Presenter() = default;

    // Sets the video mode; the screen to draw on, or null where no mode can be had.
    virtual SDL_Surface* Open(int width, int height, int bpp, bool fullscreen) = 0;

    // Whether the screen is locked while a frame is drawn.
    virtual bool LocksScreen() const = 0;

    // Readies the screen for a frame: `clear` is cleared to pixel value 0, unless `covered`
    // says that the frame draws every pixel of it. Returns the layout the frame's pixels are
    // to be stored in (see DrawTarget).
    virtual const SDL_PixelFormat* Begin(SDL_Surface* screen, SDL_Rect clear, bool covered) = 0;

    // The next event: waited for when `wait` says so and there is a way to wait, taken if
    // there is one otherwise.
    virtual bool NextEvent(SDL_Event& event, bool wait) = 0;

    // Sees every event before the handler does: the keys and the window manager's requests
    // that change how the frame is shown.
    virtual void Notice(const SDL_Event&) {}

    // Puts the frame drawn on `screen` in front of the user; then makes the change of mode
    // asked for since, giving `screen` the surface the next frame is drawn on.
    virtual void Present(Image& screen, int width, int height) = 0;

    // Has app.Frame() called until the App stops running.
    virtual void Run(App& app) = 0;
};
