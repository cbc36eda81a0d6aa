// ProgramRun: runs a program headless and collects its exit status and output.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ProgramResult {
    int status = -1; // exit status, or 128 + signal number when a signal ended it
    std::string out;
    std::string err;
    long peakKiB = 0; // the most memory the program held at once (resident set)
};

// What a run changes beyond the headless environment.
struct ProgramOptions {
    // Variables set ("NAME=value") or removed ("NAME"), in order.
    std::vector<std::string> environment;
    // A limit on the program's address space, in bytes; 0 for none.
    uint64_t memoryLimit = 0;
    // Standard descriptors (0-2) the program is started with closed.
    std::vector<int> closed;
    // Polled every 20 ms while the program runs; once it returns true, `signal` is sent
    // to the program, once.
    std::function<bool()> signalWhen;
    int signal = 0;
};

// Runs argv[0] (a path) in the working directory, under SDL's dummy video driver and
// with no display to show an error box on, and waits for it to end. A program still
// running after `killAfterSeconds` is killed (SIGKILL).
ProgramResult RunProgram(const std::vector<std::string>& argv, int killAfterSeconds);
ProgramResult RunProgram(const std::vector<std::string>& argv, int killAfterSeconds,
                         const ProgramOptions& options);
