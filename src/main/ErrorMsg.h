// ErrorMsg: the program's one exception type, and the error box that shows it.
#pragma once

#include <exception>
#include <string>
#include <utility>

// The frame and the effect throw it; showing it is the entry's alone (ErrorMsg.cpp is built
// into the program, not into the library of the frame and the effect).
class ErrorMsg {
public:
    explicit ErrorMsg(std::string message) : message(std::move(message)) {}

    // The error a fatal exception stands for. The program's own errors are themselves.
    // Running out of memory has no text of its own: the App tells it while it opens the
    // window as the display mode it could not set, and everything after that is the effect,
    // loading its picture or drawing it, whose words it takes. Any other exception, a fault
    // of the program's own, is shown in its own words rather than ending the program without
    // a box.
    static ErrorMsg Of(std::exception_ptr error);

    // Shows the error box for the error an exception stands for: the Platform's report.
    static void Report(std::exception_ptr error);

    // The text the box shows: "Unhandled Exception: ", the message, a line feed.
    std::string Text() const;

    // Shows the error box and returns once the user has dismissed it.
    void Show() const;

    std::string message;
};
