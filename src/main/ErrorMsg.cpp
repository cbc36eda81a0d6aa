// ErrorMsg: composing the error text and putting it in front of the user.
#include "main/ErrorMsg.h"

#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <cstdio>

#include "main/Dialog.h"
#endif

namespace {

const char* const kCaption = "Unhandled Exception";

} // namespace

std::string ErrorMsg::Text() const {
    std::ostringstream text;
    text << "Unhandled Exception: " << message << "\n";
    return text.str();
}

void ErrorMsg::Show() const {
    const std::string text = Text();
#ifdef _WIN32
    MessageBoxA(GetForegroundWindow(), text.c_str(), kCaption, MB_ICONERROR);
#else
    // A stderr whose reader has gone must not end the program before the box: SIGPIPE is
    // ignored while the text is written, and then given back its former handling.
    struct sigaction ignore = {}, former;
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &former);
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    sigaction(SIGPIPE, &former, nullptr);
    Dialog::Show(kCaption, text);
#endif
}
