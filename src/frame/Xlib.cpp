// Xlib: dlopen and dlsym on libX11.
#include "frame/Xlib.h"

#if defined(__unix__) && !defined(__APPLE__) && !defined(__EMSCRIPTEN__)
#include <dlfcn.h>

namespace {
const char* const kLibrary = "libX11.so.6";
}

Xlib Xlib::Loaded() {
    return Xlib(dlopen(kLibrary, RTLD_LAZY | RTLD_NOLOAD));
}

Xlib Xlib::Load() {
    return Xlib(dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL));
}

Xlib::~Xlib() {
    if (handle) dlclose(handle);
}

void* Xlib::Symbol(const char* name) const {
    return handle ? dlsym(handle, name) : nullptr;
}
#endif
