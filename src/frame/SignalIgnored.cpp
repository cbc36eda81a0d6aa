// SignalIgnored: sigaction there and back.
#include "frame/SignalIgnored.h"

#ifndef _WIN32
SignalIgnored::SignalIgnored(int signal) : signal(signal), former() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    set = sigaction(signal, &ignore, &former) == 0;
}

SignalIgnored::~SignalIgnored() {
    if (set) sigaction(signal, &former, nullptr);
}
#endif
