// ErrorMsg: composing the error text and putting it in front of the user.
#include "main/ErrorMsg.h"

#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace {

const char* const kCaption = "Unhandled Exception";

#ifndef _WIN32
// True when the variable holds a value; an empty DISPLAY names no display.
bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// True when `name` is an executable file in one of the PATH folders.
bool OnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string file = (folder.empty() ? "." : folder) + "/" + name;
        if (access(file.c_str(), X_OK) == 0) return true;
    }
    return false;
}

// Runs the dialog tool with its standard input on /dev/null, so that it can never
// wait on ours, and blocks until the user has dismissed it.
void RunDialog(const char* const argv[]) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ) ==
        0) {
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

// The modal box of a desktop without MessageBoxA: the first dialog tool installed shows
// the text with one button to dismiss it. Without a display there is nothing to show.
void ShowDialog(const std::string& text) {
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) return;
    const char* t = text.c_str();
    if (OnPath("zenity")) {
        const char* const argv[] = {"zenity", "--error", "--no-markup", "--title", kCaption,
                                    "--text", t,         nullptr};
        RunDialog(argv);
    } else if (OnPath("kdialog")) {
        const char* const argv[] = {"kdialog", "--title", kCaption, "--error", t, nullptr};
        RunDialog(argv);
    } else if (OnPath("xmessage")) {
        const char* const argv[] = {"xmessage", "-title",  kCaption, "-buttons",
                                    "OK:0",     "-center", t,        nullptr};
        RunDialog(argv);
    }
}
#endif

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
    ShowDialog(text);
#endif
}
