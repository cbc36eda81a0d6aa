// App: opening the window, the frame loop and the plain blend.
#include "frame/App.h"

#include <memory>
#include <new>

#include "main/ErrorMsg.h"

#ifdef __EMSCRIPTEN__
#include "frame/Browser.h"
#else
#include "frame/Window.h"
#endif

namespace {

std::unique_ptr<Presenter> ThePresenter() {
#ifdef __EMSCRIPTEN__
    return std::make_unique<Browser>();
#else
    return std::make_unique<Window>();
#endif
}

// SDL 2 does not check every allocation it makes while it starts and opens the window, and
// Xlib ends the process when it cannot grow its buffers: with too little memory left, the
// program would crash there or end in Xlib's words. Both together take under 3 MiB.
bool RoomToOpenTheWindow() {
    const std::unique_ptr<char[]> room(new (std::nothrow) char[4 << 20]);
    return room != nullptr;
}

} // namespace

App::App(Platform& platform, const std::string& caption, int width, int height, int bpp,
         bool fullscreen)
    : platform(platform), presenter(ThePresenter()) {
    Init(caption, width, height, bpp, fullscreen);
}

App::~App() {
    delete handler;
}

void App::Init(const std::string& caption, int width, int height, int bpp, bool fullscreen) {
    // Running out of memory while the window opens is the window's failure.
    try {
        if (!RoomToOpenTheWindow()) throw ErrorMsg("Couldnt Set Display Mode!\n");
        if (!platform.StartVideo()) throw ErrorMsg("Error Couldnt Initalize SDL!\n");
        screen.surface = presenter->Open(width, height, bpp, fullscreen);
        if (!screen.surface) throw ErrorMsg("Couldnt Set Display Mode!\n");
    } catch (const std::bad_alloc&) {
        throw ErrorMsg("Couldnt Set Display Mode!\n");
    }

    SDL_WM_SetCaption(caption.c_str(), caption.c_str());
    this->width = width;
    this->height = height;
    platform.WindowOpen();
}

void App::Run() {
    running = true;
    handler->app = this;
    presenter->Run(*this);
}

void App::Frame() {
    // The clear rectangle is taken once, at the first frame of the process.
    static const SDL_Rect clear = {0, 0, Uint16(width), Uint16(height)};
    // A hidden window is not drawn: its frame waits for the next event instead, and the
    // animation takes up where it stopped once the window is shown again.
    const bool drawing = shown;
    if (drawing) {
        frameLayout = presenter->Begin(screen.surface, clear, handler->DrawsOver(clear));
        handler->Update();
    }

    SDL_Event event;
    bool waiting = !drawing;
    while (presenter->NextEvent(event, waiting)) {
        waiting = false;
        // The keys and requests that change how the frame is shown are the presenter's, and
        // reach the handler as well.
        presenter->Notice(event);
        handler->OnEvent(&event);
        switch (event.type) {
        case SDL_KEYDOWN: handler->OnKeyDown(event.key.keysym.sym); break;
        case SDL_KEYUP: handler->OnKeyUp(event.key.keysym.sym); break;
        case SDL_MOUSEMOTION:
            mouseX = event.motion.x;
            mouseY = event.motion.y;
            handler->OnMouseMove(mouseX, mouseY);
            break;
        case SDL_MOUSEBUTTONDOWN:
            mouseX = event.button.x;
            mouseY = event.button.y;
            mouseButton = event.button.button;
            handler->OnMouseButton(mouseX, mouseY, mouseButton);
            break;
        // Minimised or unmapped, and shown again; focus comes and goes without it.
        case SDL_ACTIVEEVENT:
            if (event.active.state & SDL_APPACTIVE) shown = event.active.gain != 0;
            break;
        // Closing the window ends the loop after this frame; the events behind
        // the quit are still handled and the frame is still presented.
        case SDL_QUIT: running = false; break;
        }
    }

    if (!drawing) return;
    presenter->Present(screen, width, height);
    frameLayout = nullptr;
}

DrawTarget App::Target() const {
    return {screen.surface, frameLayout ? frameLayout : screen.surface->format,
            presenter->LocksScreen()};
}

void App::Blend(Image& a, Image& b, int x0, int y0, int x1, int y1, float alpha) {
    // Each position is read before it is drawn and no other position is drawn at that
    // step, so reading a from the screen being drawn on sees the warp frame.
    for (int x = x0; x < x1; ++x) {
        const float w = 1.0f - alpha;
        for (int y = y0; y < y1; ++y) {
            const Color pa = GetPixel(a, x, y);
            const Color pb = GetPixel(b, x, y);
            PutPixel(x, y,
                     Color(screen, Mix(pa.r, pb.r, alpha, w), Mix(pa.g, pb.g, alpha, w),
                           Mix(pa.b, pb.b, alpha, w)));
        }
    }
}
