// SanitizerOptions: the defaults every sanitized program of ours runs with, wherever it is
// started from: errors end the program, leaks are checked, and the known leaks inside the
// SDL libraries are suppressed. Variables such as ASAN_OPTIONS still override them.

extern "C" const char* __asan_default_options() {
    // Full malloc stacks, so that the suppressions can see the SDL calls they name.
    return "halt_on_error=1:abort_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0";
}

extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0:suppressions=" PRISMWARP_LSAN_SUPPRESSIONS;
}

extern "C" const char* __ubsan_default_options() {
    return "halt_on_error=1:print_stacktrace=1";
}
