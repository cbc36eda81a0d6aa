// Browser: the App's screen and frame loop in a web page, built with Emscripten.
#pragma once

#include <SDL.h>

class App;

// Emscripten's SDL keeps the screen's pixels in memory and copies them to the page's canvas
// when the screen is unlocked, in the canvas's own layout: red, green, blue, alpha from the
// lowest byte. There every surface must be locked, SDL_FillRect paints the canvas rather than
// the pixels, and SDL_UpdateRect does nothing. So a frame is drawn between a lock and an
// unlock, in the layout of the desktop's 32-bit screen, and reordered for the canvas when it
// is presented: the page shows the desktop's frames to the bit, overlay included, which
// reads a screen pixel's low three bytes as red, green and blue. A pass that draws every
// pixel may store them in the canvas's layout straight away instead, and spare presenting
// its pass over them; the clear that such a pass would overwrite is left out too (see
// App::Frame).
class Browser {
public:
    // Gives the screen the desktop's 32-bit layout, red in bits 16-23 and nothing in the top
    // byte, with the shifts and losses that Emscripten's SDL leaves unset.
    static void UseDesktopLayout(SDL_Surface* screen);

    // Locks the screen for a frame.
    static void Lock(SDL_Surface* screen);

    // Clears `rect` of the locked screen to pixel value 0.
    static void Clear(SDL_Surface* screen, const SDL_Rect& rect);

    // The canvas's layout: red, green, blue and alpha from the lowest byte, alpha 255.
    static const SDL_PixelFormat& CanvasLayout();

    // Whether a pass about to draw every pixel of `surface` in this frame may store them in
    // the canvas's layout straight away: the same bytes as drawing in the desktop's layout
    // and reordering. Where it may, which is on the page's screen of `width` x `height`
    // pixels, Present then puts them on the canvas as they are.
    static bool DrawInCanvasLayout(SDL_Surface* surface, int width, int height);

    // Reorders the frame into the canvas's layout, opaque, unless it was drawn in that
    // layout, and unlocks the screen, which puts it on the canvas.
    static void Present(SDL_Surface* screen);

    // Has the browser call app.Frame() as often as it can and returns to the page, leaving
    // main's stack frame, and the App on it, as it is. An error that leaves a frame is shown
    // in the error box and ends the program with status 1; closing the page ends it with 0.
    [[noreturn]] static void Run(App& app);
};
