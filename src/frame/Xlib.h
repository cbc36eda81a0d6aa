// Xlib: the X library, reached at run time.
#pragma once

#if defined(__unix__) && !defined(__APPLE__) && !defined(__EMSCRIPTEN__)
// The program does not link Xlib: SDL loads it where it runs on X11, and the few calls made
// of it are looked up in the library SDL loaded, or in one loaded for the question alone.
class Xlib {
public:
    // Xlib as SDL has loaded it; none where SDL has not.
    static Xlib Loaded();
    // Xlib loaded for the caller; none where it is not installed.
    static Xlib Load();

    ~Xlib();
    Xlib(Xlib&& other) noexcept : handle(other.handle) { other.handle = nullptr; }
    Xlib(const Xlib&) = delete;
    Xlib& operator=(const Xlib&) = delete;

    explicit operator bool() const { return handle != nullptr; }

    // Whether the window manager shows SDL's window full screen, as the X property it keeps
    // on the window says; false where that cannot be told (SDL is not on X11). A window
    // manager that keeps the window's size while it does so leaves what the window shows in
    // a corner of a black screen.
    bool ShowsFullScreen() const;

    // Xlib's function `name` as a `Function` pointer; null where there is none.
    template <typename Function> Function Find(const char* name) const {
        return reinterpret_cast<Function>(Symbol(name));
    }

private:
    explicit Xlib(void* handle) : handle(handle) {}
    void* Symbol(const char* name) const;

    void* handle;
};
#endif
