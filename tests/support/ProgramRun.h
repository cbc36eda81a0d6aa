// ProgramRun: runs a program headless and collects its exit status and output.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ScratchDir.h"

// What a run changes beyond the headless environment.
struct ProgramOptions {
    // Where the program runs; the working directory when empty.
    std::string folder;
    // Variables set ("NAME=value") or removed ("NAME"), in order.
    std::vector<std::string> environment;
    // A limit on the program's address space, in bytes; 0 for none.
    uint64_t memoryLimit = 0;
    // Standard descriptors (0-2) the program is started with closed.
    std::vector<int> closed;
    // Standard descriptors (0-2) the program is started with on a pipe whose reader has gone.
    std::vector<int> brokenPipes;
    // Signals the program is started with ignored (as nohup or a background job starts it).
    std::vector<int> ignored;
    // For RunProgram: polled while the program runs; once it returns true, `signal` is sent
    // to the program, once.
    std::function<bool()> signalWhen;
    int signal = 0;
};

// One run of argv[0] (a path), started headless: under SDL's dummy video driver, with no
// display to show an error box on, reading nothing, with the signals a fresh login has,
// and then changed as `options` say. Its output goes to files of a private folder. A
// program still running when its ProgramRun goes is killed (SIGKILL).
class ProgramRun {
public:
    explicit ProgramRun(const std::vector<std::string>& argv, const ProgramOptions& options = {});
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    pid_t Pid() const { return pid; }

    // True once the program has ended; Status() is then its exit status, or 128 + the
    // signal number when a signal ended it, and PeakKiB() the most memory it held at once
    // (resident set).
    bool Exited();
    int Status() const { return status; }
    long PeakKiB() const { return peakKiB; }

    // Waits up to `seconds` for the program to end; false when it still runs.
    bool AwaitExit(int seconds);

    std::string Out() const;
    std::string Err() const;

private:
    ScratchDir output;
    pid_t pid = -1;
    int status = -1;
    long peakKiB = 0;
};

struct ProgramResult {
    int status = -1; // exit status, or 128 + signal number when a signal ended it
    std::string out;
    std::string err;
    long peakKiB = 0; // the most memory the program held at once (resident set)
};

// Runs argv[0] headless and waits for it to end. A program still running after
// `killAfterSeconds` is killed (SIGKILL).
ProgramResult RunProgram(const std::vector<std::string>& argv, int killAfterSeconds,
                         const ProgramOptions& options = {});

// The whole of a file's bytes (a run's output, a log a fake tool wrote); empty when it
// cannot be read.
std::string ReadFile(const std::string& path);

// The changes to a run's environment that preload the present hook (PresentHook.cpp) into
// the program, followed by the hook's `settings` ("PRISMWARP_...=value").
std::vector<std::string> WithPresentHook(const std::vector<std::string>& settings);

// Polls the condition until it holds or `seconds` have passed; true when it held.
bool Await(const std::function<bool()>& condition, int seconds);
