// PosixShim: the POSIX call the test helpers use that mingw-w64 lacks. Included ahead of
// every source of the helpers in a Windows build.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Replaces the trailing XXXXXX of `pattern` so that it names a new folder, makes that folder
// and returns `pattern`; returns null (with errno set) when none could be made.
char* mkdtemp(char* pattern);

#ifdef __cplusplus
}
#endif
