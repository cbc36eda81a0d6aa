// Faults around the program: dialog tools that misbehave or cannot run, signals while the
// box is up, stderr on a broken pipe, standard descriptors closed at start, no display, and
// too little memory. The
// real program runs headless in a scratch folder; dialog tools are small shell scripts in
// a folder of their own, which is the program's whole PATH.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BmpWriter.h"
#include "ProgramRun.h"
#include "ScratchDir.h"

namespace {

// The picture's text: without a line where the program ran out of memory for it, and with
// the line that names the folder (FOLDER, the stage's, in the tables) where there is none.
const char* const kPictureError =
    "Unhandled Exception: Unable to Load Image make sure its in the directory!\n\n";
const char* const kNoPicture = "Unhandled Exception: Unable to Load Image make sure its in the "
                               "directory!\nThere is no lsd.bmp in FOLDER.\n\n";
const char* const kDisplayError = "Unhandled Exception: Couldnt Set Display Mode!\n\n";

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

Rgb Stripes(int x, int y) {
    return {uint8_t(x * 5), uint8_t(y * 3), uint8_t(x + y)};
}

// A scratch folder to run the program in, with a `bin` folder for fake dialog tools.
class Stage {
public:
    Stage() {
        scratch.Enter();
        mkdir(Bin().c_str(), 0755);
    }

    std::string Bin() const { return scratch.File("bin"); }
    // `text` with FOLDER standing for the stage's folder.
    std::string InFolder(std::string text) const {
        for (std::size_t at; (at = text.find("FOLDER")) != std::string::npos;)
            text.replace(at, 6, scratch.Path());
        return text;
    }
    std::string File(const std::string& name) const { return scratch.File(name); }

    // A dialog tool: a shell script whose first line may name another interpreter. It
    // finds the system's commands itself, since `bin` is the program's whole PATH.
    void Tool(const std::string& name, const std::string& body,
              const std::string& interpreter = "/bin/sh") const {
        const std::string path = Bin() + "/" + name;
        std::ofstream(path) << "#!" << interpreter << "\nPATH=/usr/bin:/bin\n" << body << "\n";
        chmod(path.c_str(), 0755);
    }

    // The environment of a run whose dialog tools are those of `bin`, with a display
    // named (the tools never look at it) and the dummy video driver chosen.
    std::vector<std::string> DialogEnvironment() const {
        return {"PATH=" + Bin(), "DISPLAY=:prismwarp-test", "LOG=" + File("log")};
    }

    ProgramResult Run(const ProgramOptions& options, int killAfterSeconds = 60) const {
        return RunProgram({PRISMWARP_PROGRAM}, killAfterSeconds, options);
    }

private:
    ScratchDir scratch;
};

// --- The dialog tools -------------------------------------------------------------------

// Each tool logs its name when it runs and then exits as the case says; xmessage logs its
// arguments as well. Every tool writes noise to its output and error streams, as xmessage
// and zenity do in some locales; none of it may reach the program's own.
struct ToolCase {
    const char* name;
    const char* zenity;  // the body of the zenity script; null when there is none
    const char* kdialog; // the same for kdialog
    std::string log;     // the tools that ran, in order
    // The interpreter that the zenity and kdialog scripts name.
    const char* interpreter = "/bin/sh";
};

void PrintTo(const ToolCase& c, std::ostream* out) {
    *out << c.name;
}

const char* const kNoise = "echo noise; echo 'Warning: Missing charsets' >&2";

// What xmessage logs: its name, then the caption and the composed text it was given.
const std::string kXmessage =
    std::string("xmessage\n-title Unhandled Exception -buttons OK:0 -center ") + kNoPicture + "\n";

const ToolCase kToolCases[] = {
    // Exits as the loader does when a library is missing.
    {"ZenityCannotLoad", "echo zenity >>\"$LOG\"; exit 127", nullptr, "zenity\n" + kXmessage},
    // An option this zenity does not know: its own error status, -1.
    {"ZenityRefusesOptions", "echo zenity >>\"$LOG\"; exit 255", nullptr, "zenity\n" + kXmessage},
    {"KdialogCrashes", nullptr, "echo kdialog >>\"$LOG\"; kill -ABRT $$", "kdialog\n" + kXmessage},
    {"ZenityAndKdialogCannotRun", "exit 126", "echo kdialog >>\"$LOG\"; exit 127",
     "kdialog\n" + kXmessage},
    // Closing the box gives 1: the box was shown, nothing else runs.
    {"ZenityClosed", "echo zenity >>\"$LOG\"; exit 1", nullptr, "zenity\n"},
    {"ZenityConfirmed", "echo zenity >>\"$LOG\"; exit 0", "echo kdialog >>\"$LOG\"", "zenity\n"},
    {"XmessageAlone", nullptr, nullptr, kXmessage},
    // Scripts whose interpreter does not exist cannot be started at all.
    {"ZenityAndKdialogCannotBeStarted", "echo zenity >>\"$LOG\"", "echo kdialog >>\"$LOG\"",
     kXmessage, "/nonexistent/prismwarp-shell"},
};

class DialogTools : public testing::TestWithParam<ToolCase> {};

TEST_P(DialogTools, FallBackToTheNextToolAndKeepTheirOutputAway) {
    const ToolCase& c = GetParam();
    Stage stage;
    if (c.zenity) stage.Tool("zenity", std::string(kNoise) + "\n" + c.zenity, c.interpreter);
    if (c.kdialog) stage.Tool("kdialog", std::string(kNoise) + "\n" + c.kdialog, c.interpreter);
    stage.Tool("xmessage",
               std::string(kNoise) + "\necho xmessage >>\"$LOG\"; echo \"$@\" >>\"$LOG\"; exit 1");

    ProgramOptions options;
    options.environment = stage.DialogEnvironment();
    const ProgramResult run = stage.Run(options);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, stage.InFolder(kNoPicture));
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadFile(stage.File("log")), stage.InFolder(c.log));
}

INSTANTIATE_TEST_SUITE_P(Program, DialogTools, testing::ValuesIn(kToolCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Signals while the box is up --------------------------------------------------------

// A dialog tool that writes its process id to `pidFile` and then waits for ever.
void WaitingDialog(const Stage& stage, const std::string& pidFile) {
    stage.Tool("xmessage", "echo $$ >\"" + pidFile + ".new\"; mv \"" + pidFile + ".new\" \"" +
                               pidFile + "\"; exec sleep 600");
}

// True once the process is gone: ended and reaped by the program, or reaped at once by init.
bool Gone(pid_t pid) {
    return Await(
        [pid] {
            const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
            return stat.empty() || stat.find(") Z") != std::string::npos;
        },
        5);
}

struct SignalCase {
    const char* name;
    int signal;
};

void PrintTo(const SignalCase& c, std::ostream* out) {
    *out << c.name;
}

class SignalWhileBoxIsUp : public testing::TestWithParam<SignalCase> {};

// The box waits for the user; every signal that would end the program ends the box and then
// the program, by that signal: the status is the one the signal gives without a box.
TEST_P(SignalWhileBoxIsUp, EndsTheProgramAndItsDialog) {
    const int signal = GetParam().signal;
    Stage stage;
    const std::string pidFile = stage.File("dialog.pid");
    WaitingDialog(stage, pidFile);

    ProgramOptions options;
    options.environment = stage.DialogEnvironment();
    options.signalWhen = [&] { return Exists(pidFile); };
    options.signal = signal;
    const ProgramResult run = stage.Run(options, 30);
    const pid_t dialog = pid_t(std::atoi(ReadFile(pidFile).c_str()));
    ASSERT_GT(dialog, 0) << "the dialog never ran";

    const bool dialogGone = Gone(dialog);
    if (!dialogGone) kill(dialog, SIGKILL);
    EXPECT_TRUE(dialogGone) << "the dialog still runs after the program ended";

    EXPECT_EQ(run.status, 128 + signal);
    EXPECT_EQ(run.err, stage.InFolder(kNoPicture));
}

// SIGTERM and SIGINT, which SDL takes for quitting while the window is open; the terminal's
// hangup and quit; a broken pipe; the user's own, an alarm and a real-time one.
INSTANTIATE_TEST_SUITE_P(Program, SignalWhileBoxIsUp,
                         testing::Values(SignalCase{"Term", SIGTERM}, SignalCase{"Int", SIGINT},
                                         SignalCase{"Hup", SIGHUP}, SignalCase{"Quit", SIGQUIT},
                                         SignalCase{"Pipe", SIGPIPE}, SignalCase{"Usr1", SIGUSR1},
                                         SignalCase{"Alrm", SIGALRM},
                                         SignalCase{"RtMin", SIGRTMIN}),
                         [](const auto& info) { return std::string(info.param.name); });

// Started under nohup, the program keeps ignoring SIGHUP while its box is up; SIGTERM still
// ends both. Were SIGHUP taken, the lower-numbered signal would be the one to end them.
TEST(SignalWhileBoxIsUp, OneIgnoredAtStartStaysIgnored) {
    Stage stage;
    const std::string pidFile = stage.File("dialog.pid");
    WaitingDialog(stage, pidFile);

    ProgramOptions options;
    options.environment = stage.DialogEnvironment();
    options.ignored = {SIGHUP};
    ProgramRun run({PRISMWARP_PROGRAM}, options);
    ASSERT_TRUE(Await([&] { return Exists(pidFile) || run.Exited(); }, 30))
        << "the dialog never ran";
    ASSERT_FALSE(run.Exited()) << "ended before the signals, status " << run.Status();
    kill(run.Pid(), SIGHUP);
    kill(run.Pid(), SIGTERM);
    ASSERT_TRUE(run.AwaitExit(30)) << "still running after SIGTERM";
    EXPECT_EQ(run.Status(), 128 + SIGTERM);
    EXPECT_TRUE(Gone(pid_t(std::atoi(ReadFile(pidFile).c_str()))));
}

// --- Standard descriptors ----------------------------------------------------------------

// Started with standard descriptors closed or on a pipe whose reader has gone, the program
// still shows its box and exits with 1. Closed ones it has on /dev/null before it opens
// anything, so that neither the X connection nor the picture takes their place: the dialog
// tool logs what the program's closed descriptors are while the box is up. Writing the error
// text into the broken pipe does not end the program by SIGPIPE.
struct StreamCase {
    const char* name;
    std::vector<int> closed;
    std::vector<int> brokenPipes;
    const char* log;
};

void PrintTo(const StreamCase& c, std::ostream* out) {
    *out << c.name;
}

const StreamCase kStreamCases[] = {
    {"BrokenStderr", {}, {2}, "xmessage\n"},
    {"AllClosed", {0, 1, 2}, {}, "xmessage\n0 /dev/null\n1 /dev/null\n2 /dev/null\n"},
};

class StandardStreams : public testing::TestWithParam<StreamCase> {};

TEST_P(StandardStreams, StillShowTheBox) {
    const StreamCase& c = GetParam();
    Stage stage;
    std::string closed;
    for (const int fd : c.closed)
        closed += " " + std::to_string(fd);
    stage.Tool("xmessage", "echo xmessage >>\"$LOG\"; for fd in" + closed +
                               "; do echo \"$fd $(readlink /proc/$PPID/fd/$fd)\"; "
                               "done >>\"$LOG\"; exit 0");
    ProgramOptions options;
    options.environment = stage.DialogEnvironment();
    options.closed = c.closed;
    options.brokenPipes = c.brokenPipes;
    const ProgramResult run = stage.Run(options);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(ReadFile(stage.File("log")), c.log);
}

INSTANTIATE_TEST_SUITE_P(Program, StandardStreams, testing::ValuesIn(kStreamCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- No display ------------------------------------------------------------------------

// An X display number with no server behind it, neither a socket file nor an abstract one.
std::string FreeDisplay() {
    const std::string sockets = ReadFile("/proc/net/unix");
    for (int n = 4242;; ++n) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        if (!Exists(socket) && sockets.find(socket + "\n") == std::string::npos)
            return ":" + std::to_string(n);
    }
}

struct DisplayCase {
    const char* name;
    std::string display;        // empty: no DISPLAY at all
    bool runtimeDir;            // XDG_RUNTIME_DIR names a folder
    std::string libraryMessage; // what the libraries write to stderr before our text
};

void PrintTo(const DisplayCase& c, std::ostream* out) {
    *out << c.name;
}

class NoDisplay : public testing::TestWithParam<DisplayCase> {};

// SDL falls back to drawing into memory; unless the user chose that, it is no video mode.
// Before our text, stderr holds what the libraries say on the way: the Wayland client
// library, which SDL tries once X11 has failed, complains when XDG_RUNTIME_DIR is unset (su,
// cron, containers).
TEST_P(NoDisplay, IsNoVideoMode) {
    const DisplayCase& c = GetParam();
    Stage stage;
    WriteBmp24("lsd.bmp", 320, 240, Stripes);
    ProgramOptions options;
    // Nothing chooses the driver, there is no compositor, and there are no dialog tools.
    options.environment = {"SDL_VIDEODRIVER", "WAYLAND_DISPLAY", "PATH=" + stage.Bin(),
                           c.display.empty() ? "DISPLAY" : "DISPLAY=" + c.display,
                           c.runtimeDir ? "XDG_RUNTIME_DIR=" + stage.Bin() : "XDG_RUNTIME_DIR"};
    const ProgramResult run = stage.Run(options, 30);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, c.libraryMessage + kDisplayError);
    EXPECT_EQ(run.out, "");
}

const char* const kNoRuntimeDir =
    "error: XDG_RUNTIME_DIR is invalid or not set in the environment.\n";

INSTANTIATE_TEST_SUITE_P(
    Program, NoDisplay,
    testing::Values(DisplayCase{"Unset", "", false, kNoRuntimeDir},
                    DisplayCase{"NoServer", FreeDisplay(), false, kNoRuntimeDir},
                    DisplayCase{"UnsetWithRuntimeDir", "", true, ""},
                    DisplayCase{"NoServerWithRuntimeDir", FreeDisplay(), true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Out of memory -----------------------------------------------------------------------

// Under an address-space limit the program stops at the first step it has no room for:
// starting SDL, opening the window, loading the picture (here one of 18 MB) into the effect.
// Each step needs more room than the ones before it, so under a higher limit the program
// gets as far or further. Where it stops it shows that step's text and exits with 1; with
// room for every step it draws until the quit the present hook queues after the third frame
// ends it with the fourth, and exits with 0. Below about 24 MB the SDL 1.2 layer cannot load SDL 2
// itself and aborts before our code can do anything: those runs are left out.
TEST(OutOfMemory, StopsAtTheStepItHasNoRoomFor) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than the limits allow";
#endif
    Stage stage;
    WriteBmp24("lsd.bmp", 3000, 2000, Stripes);
    // In the order the program takes them; "" is no error at all.
    const std::string steps[] = {"Unhandled Exception: Error Couldnt Initalize SDL!\n\n",
                                 kDisplayError, kPictureError, ""};
    const auto ran = std::end(steps) - 1;
    const std::string* furthest = std::begin(steps);
    bool pictureReported = false;
    for (const uint64_t kib : {25000, 27000, 29000, 32000, 36000, 44000, 64000, 128000}) {
        SCOPED_TRACE("limit " + std::to_string(kib) + " KiB");
        ProgramOptions options;
        options.memoryLimit = kib * 1024;
        options.environment = WithPresentHook(
            {"PRISMWARP_QUIT_AFTER=3", "PRISMWARP_PRESENT_LOG=" + stage.File("presented")});
        std::remove(stage.File("presented").c_str());
        const ProgramResult run = stage.Run(options);
        if (run.err == "Failed loading SDL2 library.\n") continue;

        const std::string* step = std::find(std::begin(steps), std::end(steps), run.err);
        ASSERT_NE(step, std::end(steps)) << "status " << run.status << ", stderr: " << run.err;
        EXPECT_EQ(run.status, step == ran ? 0 : 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(ReadFile(stage.File("presented")), step == ran ? "ffff" : "");
        EXPECT_GE(step, furthest) << "stopped at an earlier step than under a lower limit";
        furthest = std::max(step, furthest);
        pictureReported = pictureReported || *step == kPictureError;
    }
    EXPECT_TRUE(pictureReported) << "no limit left room for the window but not for the picture";
    EXPECT_EQ(furthest, ran) << "the program did not run under the highest limit";
}

} // namespace
