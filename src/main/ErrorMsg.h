// ErrorMsg: the program's one exception type, and the error box that shows it.
#pragma once

#include <string>

class ErrorMsg {
public:
    explicit ErrorMsg(std::string message) : message(std::move(message)) {}

    // The text the box shows: "Unhandled Exception: ", the message, a line feed.
    std::string Text() const;

    // Shows the error box and returns once the user has dismissed it.
    void Show() const;

    std::string message;
};
