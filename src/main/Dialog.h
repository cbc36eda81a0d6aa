// Dialog: the modal error box of a desktop without MessageBoxA, shown by a dialog tool.
#pragma once

#include <string>

class Dialog {
public:
    // Shows `text` under `caption` with one button to dismiss it, through the first of
    // zenity, kdialog and xmessage that runs and can draw on the display, and returns once
    // the user has dismissed it. Without a display there is nothing to show. A signal that
    // would end the process (SIGTERM, SIGHUP, SIGQUIT, ...) while the box is up closes the
    // box and then ends the process by that signal; one the process ignores stays ignored.
    static void Show(const std::string& caption, const std::string& text);

    // The folders searched for the tools: PATH, or the usual system folders when PATH is
    // unset or empty.
    static std::string SearchPath();

    // The path of the executable file `name` in the first folder of SearchPath() that holds
    // one; empty when there is none.
    static std::string Find(const std::string& name);
};
