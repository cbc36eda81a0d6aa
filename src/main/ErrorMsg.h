// ErrorMsg: the program's one exception type, and the error box that shows it.
#pragma once

#include <string>

class ErrorMsg {
public:
    explicit ErrorMsg(std::string message) : message(std::move(message)) {}

    // The error for the exception being handled; call it in a catch block. The program's
    // own errors are themselves; running out of memory, which has no text of its own, takes
    // `outOfMemory`, that of the step it stopped; any other exception, a fault of the
    // program's own, is shown in its own words rather than ending the program without a box.
    static ErrorMsg Caught(const char* outOfMemory);

    // The text the box shows: "Unhandled Exception: ", the message, a line feed.
    std::string Text() const;

    // Shows the error box and returns once the user has dismissed it.
    void Show() const;

    std::string message;
};
