// Events: SDL events made in code, to push into the queue the frame loop drains.
#pragma once

#include <SDL.h>

inline SDL_Event Key(Uint8 type, SDLKey sym) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = sym;
    return e;
}

inline SDL_Event Motion(Uint16 x, Uint16 y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    return e;
}

inline SDL_Event Button(Uint8 type, Uint16 x, Uint16 y, Uint8 button) {
    SDL_Event e{};
    e.type = type;
    e.button.x = x;
    e.button.y = y;
    e.button.button = button;
    return e;
}

// The window gained (gain 1) or lost (gain 0) what `state` names: SDL_APPACTIVE for being in
// view, SDL_APPINPUTFOCUS and SDL_APPMOUSEFOCUS for the focus.
inline SDL_Event Active(Uint8 state, Uint8 gain) {
    SDL_Event e{};
    e.type = SDL_ACTIVEEVENT;
    e.active.state = state;
    e.active.gain = gain;
    return e;
}

inline SDL_Event Quit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    return e;
}
