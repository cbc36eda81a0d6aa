// ProgramRun: runs a program headless and collects its exit status and output.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "ScratchDir.h"

// One run of argv[0] (a path), started headless: under SDL's dummy video driver, with no
// display to show an error box on, reading nothing. `env` holds NAME=value entries that
// take the place of the caller's (SDL_VIDEODRIVER among them). It runs in `folder`, or in
// the working directory when that is empty, and its output goes to files of a private
// folder. A program still running when its ProgramRun goes is killed (SIGKILL).
class ProgramRun {
public:
    explicit ProgramRun(const std::vector<std::string>& argv, const std::string& folder = "",
                        const std::vector<std::string>& env = {});
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    pid_t Pid() const { return pid; }

    // True once the program has ended; Status() is then its exit status, or 128 + the
    // signal number when a signal ended it.
    bool Exited();
    int Status() const { return status; }

    // Waits up to `seconds` for the program to end; false when it still runs.
    bool AwaitExit(int seconds);

    std::string Out() const;
    std::string Err() const;

private:
    ScratchDir output;
    pid_t pid = -1;
    int status = -1;
};

struct ProgramResult {
    int status = -1; // exit status, or 128 + signal number when a signal ended it
    std::string out;
    std::string err;
};

// Runs argv[0] headless in the working directory and waits for it to end. A program still
// running after `killAfterSeconds` is killed (SIGKILL).
ProgramResult RunProgram(const std::vector<std::string>& argv, int killAfterSeconds);

// Polls the condition until it holds or `seconds` have passed; true when it held.
bool Await(const std::function<bool()>& condition, int seconds);
