// Platform: SDL's life in this process, and the one way out of it for a fatal error.
#pragma once

#include <exception>
#include <memory>

#include "frame/SignalIgnored.h"

// One per program, made by its entry before anything else and outliving every App. It makes
// the settings SDL is started with, starts SDL's video for the App, shuts it down when
// destroyed, and ends the program on a fatal error: from the entry's catch, from a web
// page's frame, and from Xlib's handlers, where the display has failed the program inside
// whichever SDL call noticed.
class Platform {
public:
    // Shows the user the error an exception stands for, and returns once it has been seen.
    // The entry gives it; the frame and the effect only throw.
    using Report = void (*)(std::exception_ptr error);

    // Before SDL starts: the standard descriptors, the presenting settings, and SIGPIPE
    // ignored (see Platform.cpp).
    explicit Platform(Report report);
    // Shuts SDL down.
    ~Platform();
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    // Starts SDL's video: false where it cannot start. From then on a display that fails the
    // program ends it through Fail. Until WindowOpen, SIGINT and SIGTERM end the program
    // wherever it waits: SDL, which turns them into a quit event once it has started, would
    // leave it waiting for ever on a display that never answers.
    bool StartVideo();

    // The window is open: SIGINT and SIGTERM are SDL's quit event from now on, a clean end.
    void WindowOpen();

    // Shuts SDL down now, which takes the window off the screen; SIGPIPE is given back its
    // former handling.
    void Close();

    // Ends the program on a fatal error, with status 1: the window is closed first where the
    // error box stands apart from it (on Windows the box belongs to the window, which
    // Windows keeps answering; elsewhere nothing would answer the window while the box is
    // up), then the error is reported.
    [[noreturn]] void Fail(std::exception_ptr error);

#ifndef _WIN32
    // Ends the process by `signal`, as the signal's default action would.
    [[noreturn]] static void EndBy(int signal);
#endif

private:
    class StartWatch;

    // Xlib's handlers land here: the X connection is gone or in error, so SDL is not shut
    // down through it.
    [[noreturn]] static void DisplayFailed();

    Report report;
    bool started = false;
    bool displayLost = false;
#ifndef _WIN32
    // A write to the X connection after the server has gone raises SIGPIPE, which would end
    // the program there and then, without a word; ignored, the write fails and Xlib's IO
    // error handler reports the loss. Ignored until SDL is shut down.
    std::unique_ptr<SignalIgnored> brokenPipe;
    std::unique_ptr<StartWatch> startWatch;
#endif
    // The platform Xlib's handlers report through.
    static Platform* current;
};
