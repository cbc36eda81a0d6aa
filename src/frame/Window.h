// Window: the App's screen in a desktop window, or full screen.
#pragma once

#include "frame/Presenter.h"

// The frame is drawn at its own size. In a window of that size it is the screen itself;
// full screen, or in a window the window manager has made larger, it is drawn on a surface
// of its own and shown blown up by the largest whole factor that fits, centred on black,
// each pixel a block of its colour: the frame's pixels are the same on any screen.
//
// F11 and Alt+Enter switch between the window and full screen, and Escape leaves full
// screen. The window manager's own full screen gives the same picture: the program follows
// it into full screen and out again.
class Window : public Presenter {
public:
    // Gives the pointer back, where full screen hid it.
    ~Window() override;

    SDL_Surface* Open(int width, int height, int bpp, bool fullscreen) override;
    bool LocksScreen() const override { return false; }
    const SDL_PixelFormat* Begin(SDL_Surface* screen, SDL_Rect clear, bool covered) override;
    bool NextEvent(SDL_Event& event, bool wait) override;
    void Notice(const SDL_Event& event) override;
    void Present(Image& screen, int width, int height) override;
    void Run(App& app) override;

    // Whether the frame is shown full screen.
    bool FullScreen() const { return full; }

private:
    // Sets the mode wanted (full screen, or a window of windowWidth x windowHeight), and
    // gives `screen` the surface to draw on. A full screen that cannot be had leaves the
    // window as it was asked for.
    void Change(Image& screen);
    // The display surface for the mode wanted; null where it cannot be had.
    SDL_Surface* SetMode();
    // Follows the window manager into full screen and out of it, where it has switched since
    // it was last asked.
    void FollowManager();

    int frameWidth = 0, frameHeight = 0, bpp = 0;
    int desktopWidth = 0, desktopHeight = 0; // the display's own size, full screen's
    // The mode wanted: full screen, or a window of this size (the frame's, unless the window
    // manager has made it another).
    bool wantFull = false;
    int windowWidth = 0, windowHeight = 0;
    // The mode as it is.
    bool full = false;
    SDL_Surface* display = nullptr; // SDL's; the screen itself where the frame is not blown up
    int factor = 1, x0 = 0, y0 = 0; // how the frame is blown up onto the display
    bool bare = true;               // the display has not been cleared since its mode was set
    bool managerFull = false;       // what the window manager last said of full screen
    Uint32 managerAsked = 0;        // when it was last asked, in SDL's ticks
    static constexpr Uint32 kManagerInterval = 250; // ms between two askings
};
