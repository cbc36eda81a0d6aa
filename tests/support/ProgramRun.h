// ProgramRun: runs a program headless and collects its exit status and output.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    int status = -1; // exit status, or 128 + signal number when a signal ended it
    std::string out;
    std::string err;
};

// Runs argv[0] (a path) in the working directory, under SDL's dummy video driver and
// with no display to show an error box on, and waits for it to end. A program still
// running after `killAfterSeconds` is killed (SIGKILL).
ProgramResult RunProgram(const std::vector<std::string>& argv, int killAfterSeconds);
