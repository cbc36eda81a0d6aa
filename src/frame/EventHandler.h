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

    // Whether the next Update draws every pixel of `area` before anything reads it, so that
    // clearing the area first would be lost work: in a web page the frame then leaves it
    // uncleared (see App::Frame). By default, no.
    virtual bool DrawsOver(const SDL_Rect& area) const;

    // The App running this handler; set when its frame loop starts.
    App* app = nullptr;
};
