// EventHandler: what the frame loop hands its frames and input events to.
#pragma once

#include <SDL.h>

class App;

class EventHandler {
public:
    virtual ~EventHandler();

    virtual void OnEvent(SDL_Event* event);               // every event, before the dispatch
    virtual void OnKeyDown(SDLKey sym);                   // a key press
    virtual void OnKeyUp(SDLKey sym);                     // a key release
    virtual void Update();                                // once a frame, to draw it
    virtual void OnMouseMove(int x, int y);               // the pointer moved
    virtual void OnMouseButton(int x, int y, int button); // a mouse button went down

    // The App running this handler; set when its frame loop starts.
    App* app = nullptr;
};
