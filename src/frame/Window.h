// Window: the App's screen in a desktop window.
#pragma once

#include "frame/Presenter.h"

class Window : public Presenter {
public:
    SDL_Surface* Open(int width, int height, int bpp, bool fullscreen) override;
    bool LocksScreen() const override { return false; }
    const SDL_PixelFormat* Begin(SDL_Surface* screen, SDL_Rect clear, bool covered) override;
    bool NextEvent(SDL_Event& event, bool wait) override;
    void Present(SDL_Surface* screen, int width, int height) override;
    void Run(App& app) override;
};
