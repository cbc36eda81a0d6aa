// ErrorMsg: composing the error text and putting it in front of the user.
#include "main/ErrorMsg.h"

#include <exception>
#include <new>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#elif defined(__EMSCRIPTEN__)
#include <emscripten.h>

#include <cstdio>
#else
#include <csignal>
#include <cstdio>

#include "frame/SignalIgnored.h"
#include "main/Dialog.h"
#endif

namespace {

const char* const kCaption = "Unhandled Exception";

#ifdef __EMSCRIPTEN__
// The page's showError, or the browser's own modal box where the page has none.
EM_JS(void, ShowInPage, (const char* caption, const char* text), {
    if (Module['showError'])
        Module['showError'](UTF8ToString(caption), UTF8ToString(text));
    else
        alert(UTF8ToString(caption) + '\n\n' + UTF8ToString(text));
});
#endif

} // namespace

ErrorMsg ErrorMsg::Of(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const ErrorMsg& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return ErrorMsg("Unable to Load Image make sure its in the directory!\n");
    } catch (const std::exception& error) {
        return ErrorMsg(std::string(error.what()) + "\n");
    } catch (...) {
        return ErrorMsg("Unknown exception\n");
    }
}

void ErrorMsg::Report(std::exception_ptr error) {
    Of(error).Show();
}

std::string ErrorMsg::Text() const {
    std::ostringstream text;
    text << "Unhandled Exception: " << message << "\n";
    return text.str();
}

void ErrorMsg::Show() const {
    const std::string text = Text();
#ifdef _WIN32
    MessageBoxA(GetForegroundWindow(), text.c_str(), kCaption, MB_ICONERROR);
#elif defined(__EMSCRIPTEN__)
    // In a web page stderr is the browser's console, and the page shows the box in place of
    // its canvas.
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    ShowInPage(kCaption, text.c_str());
#else
    // A stderr whose reader has gone must not end the program before the box: SIGPIPE is
    // ignored while the text is written, and then given back its former handling, with
    // which it ends the box as every ending signal does.
    {
        const SignalIgnored brokenPipe(SIGPIPE);
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    }
    Dialog::Show(kCaption, text);
#endif
}
