// ErrorMsg: composing the error text and putting it in front of the user.
#include "main/ErrorMsg.h"

#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
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
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    Dialog::Show(kCaption, text);
#endif
}
