// Events: SDL events made in code, to push into the queue the frame loop drains.
#pragma once

#include <SDL.h>

// A key pressed (SDL_KEYDOWN) or released (SDL_KEYUP).
inline SDL_Event Key(Uint8 type, SDLKey sym) {
    SDL_Event e{};
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = sym;
    return e;
}

// The mouse moved to (x, y): type, which mouse, buttons held, x, y, relative x and y.
inline SDL_Event Motion(Uint16 x, Uint16 y) {
    SDL_Event e{};
    e.motion = {SDL_MOUSEMOTION, 0, 0, x, y, 0, 0};
    return e;
}

// A mouse button pressed or released at (x, y): type, which mouse, button, state, x, y.
inline SDL_Event Button(Uint8 type, Uint16 x, Uint16 y, Uint8 button) {
    SDL_Event e{};
    e.button = {type, 0, button, Uint8(type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED),
                x,    y};
    return e;
}

// The window gained (gain 1) or lost (gain 0) what `state` names: SDL_APPACTIVE for being in
// view, SDL_APPINPUTFOCUS and SDL_APPMOUSEFOCUS for the focus.
inline SDL_Event Active(Uint8 state, Uint8 gain) {
    SDL_Event e{};
    e.active = {SDL_ACTIVEEVENT, gain, state};
    return e;
}

inline SDL_Event Quit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    return e;
}
