// TestPlatform: SDL's life for the tests, the benchmarks and the tools.
#pragma once

#include "frame/Platform.h"

// One Platform for the whole test program, made at its first use and shut down at exit, as
// the program's entry keeps one for its whole run. A fatal error is printed on stderr rather
// than shown in a box, and ends the program with status 1.
class TestPlatform {
public:
    static Platform& Get();
};
