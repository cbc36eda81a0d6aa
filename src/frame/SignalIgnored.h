// SignalIgnored: one signal ignored for a scope, then given back its former handling.
#pragma once

#include <csignal>

#ifndef _WIN32
class SignalIgnored {
public:
    explicit SignalIgnored(int signal);
    ~SignalIgnored();
    SignalIgnored(const SignalIgnored&) = delete;
    SignalIgnored& operator=(const SignalIgnored&) = delete;

private:
    int signal;
    struct sigaction former;
    bool set;
};
#endif
