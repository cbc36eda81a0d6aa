// PosixShim: mkdtemp for mingw-w64, from the C runtime's _mktemp_s and _mkdir.
#include "PosixShim.h"

#include <cerrno>
#include <cstring>
#include <direct.h>
#include <io.h>

char* mkdtemp(char* pattern) {
    const size_t length = std::strlen(pattern);
    if (length < 6 || std::strcmp(pattern + length - 6, "XXXXXX") != 0) {
        errno = EINVAL;
        return nullptr;
    }
    // _mktemp_s offers 26 names per pattern; another process may take one between the
    // choice and _mkdir, so a few rounds are tried.
    for (int attempt = 0; attempt < 26; ++attempt) {
        std::memcpy(pattern + length - 6, "XXXXXX", 6);
        if (_mktemp_s(pattern, length + 1) != 0) return nullptr;
        if (_mkdir(pattern) == 0) return pattern;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}
