// Xlib: the X library, reached at run time.
#pragma once

#if defined(__unix__) && !defined(__APPLE__) && !defined(__EMSCRIPTEN__)
// The program does not link Xlib nor build against its headers: SDL loads it where it runs
// on X11, and the few calls made of it here take its Display and XErrorEvent as void*.
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
