// DesktopBench: the program and the floor loop on the X server named by DISPLAY, each
// presenting the way SDL chooses by default and the fast way, run side by side in
// interleaved rounds. Prints ms a frame, the CPU time a frame takes in the process and in
// the X server (given by PRISMWARP_XSERVER_PID), start-up (exec to the first presented
// frame) and peak RSS, with their ratios to the floor loop's fast presenting.
// bench/desktop_bench.sh starts the X servers and runs it.
#include <sys/utsname.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "ScratchDir.h"

namespace {

// How presenting is chosen: by SDL's defaults (on a desktop with OpenGL that is OpenGL,
// through Mesa's llvmpipe where there is no GPU), by the settings of SDL's software
// renderer and the X11 shared-memory framebuffer, or by the program itself (the variables
// unset, so that its own choice holds).
enum class Presenting { SdlDefault, Fast, Own };

struct Variant {
    const char* name;
    bool program; // the program, or the floor loop
    Presenting presenting;
    bool overlay;
    bool full; // full screen: the floor loop at the display's size, the program after F11
};

// The floor loop with fast presenting is the yardstick, in a window and full screen: the
// first row of the ratios of each.
const Variant kVariants[] = {
    {"floor loop, fast presenting", false, Presenting::Fast, false, false},
    {"floor loop, SDL's default presenting", false, Presenting::SdlDefault, false, false},
    {"Prismwarp, overlay off", true, Presenting::Own, false, false},
    {"Prismwarp, overlay on", true, Presenting::Own, true, false},
    {"Prismwarp, SDL's default presenting, off", true, Presenting::SdlDefault, false, false},
    {"Prismwarp, SDL's default presenting, on", true, Presenting::SdlDefault, true, false},
    {"full screen: floor loop, fast presenting", false, Presenting::Fast, false, true},
    {"full screen: Prismwarp, overlay off", true, Presenting::Own, false, true},
    {"full screen: Prismwarp, overlay on", true, Presenting::Own, true, true},
};
constexpr int kVariantCount = int(sizeof kVariants / sizeof kVariants[0]);

struct Measure {
    double frameMs = 0; // ms a frame, after the warm-up
    double cpuMs = 0;   // CPU ms a frame, of the program and the X server
    double startMs = 0; // from exec to the return of the first present
    double peakMiB = 0; // the most memory held at once
};

struct Setup {
    std::string program, floor, hook, picture;
    int rounds = 10;
    int frames = 2000;
};

// The first tenth of the frames warms up: the overlay goes on, the caches fill.
int Warm(const Setup& setup) {
    return setup.frames / 10;
}

std::vector<std::string> Environment(const Setup& setup, const Variant& variant,
                                     const std::string& times) {
    std::vector<std::string> env = {
        "DISPLAY=" + std::string(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : ""),
        "SDL_VIDEODRIVER=x11",
        "LD_PRELOAD=" + setup.hook,
        "PRISMWARP_FRAME_TIMES=" + times,
        "PRISMWARP_QUIT_AFTER=" + std::to_string(setup.frames),
        "PRISMWARP_FROM=" + std::to_string(Warm(setup) + 1),
    };
    if (const char* server = std::getenv("PRISMWARP_XSERVER_PID"))
        env.push_back("PRISMWARP_XSERVER_PID=" + std::string(server));
    if (variant.overlay) env.push_back("PRISMWARP_PRESS_UP=1");
    if (variant.full && variant.program) env.push_back("PRISMWARP_PRESS_F11=1");
    switch (variant.presenting) {
    case Presenting::SdlDefault:
        // Set, but empty: SDL's own choice, and the program leaves set variables alone.
        env.push_back("SDL_RENDER_DRIVER=");
        env.push_back("SDL_FRAMEBUFFER_ACCELERATION=");
        break;
    case Presenting::Fast:
        env.push_back("SDL_RENDER_DRIVER=software");
        env.push_back("SDL_FRAMEBUFFER_ACCELERATION=0");
        break;
    case Presenting::Own:
        env.push_back("SDL_RENDER_DRIVER");
        env.push_back("SDL_FRAMEBUFFER_ACCELERATION");
        break;
    }
    return env;
}

// What the present hook wrote: the clock and the CPU time at each present, and the X
// server's CPU time at the first measured present and the last (-1 where it could not tell).
struct Times {
    std::vector<long long> wall, cpu;
    long long serverFrom = -1, serverEnd = -1;
};

Times ReadTimes(const std::string& path) {
    std::ifstream in(path);
    Times times;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        long long a = 0, b = 0;
        if (line.rfind("server ", 0) == 0) {
            fields.ignore(7);
            fields >> times.serverFrom >> times.serverEnd;
        } else if (fields >> a >> b) {
            times.wall.push_back(a);
            times.cpu.push_back(b);
        }
    }
    return times;
}

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One run of a variant to its end; exits the benchmark when the run fails.
Measure RunOnce(const Setup& setup, const Variant& variant, const ScratchDir& folder) {
    const std::string times = folder.File("times");
    std::remove(times.c_str());
    ProgramOptions options;
    options.folder = folder.Path();
    options.environment = Environment(setup, variant, times);
    // steady_clock is CLOCK_MONOTONIC, the clock the present hook writes.
    const long long exec = NowNs();
    std::vector<std::string> command = {variant.program ? setup.program : setup.floor};
    if (variant.full && !variant.program) command.push_back("full");
    ProgramRun run(command, options);
    if (!run.AwaitExit(120) || run.Status() != 0) {
        std::fprintf(stderr, "%s: %s (status %d)\n%s", variant.name,
                     run.Exited() ? "failed" : "did not end within 2 minutes", run.Status(),
                     run.Err().c_str());
        std::exit(1);
    }
    const Times t = ReadTimes(times);
    if (int(t.wall.size()) != setup.frames) {
        std::fprintf(stderr, "%s: %zu frame times, expected %d\n", variant.name, t.wall.size(),
                     setup.frames);
        std::exit(1);
    }
    const std::size_t warm = std::size_t(Warm(setup));
    const double measured = double(setup.frames - 1 - int(warm)) * 1e6;
    Measure m;
    m.frameMs = double(t.wall.back() - t.wall[warm]) / measured;
    m.cpuMs = double(t.cpu.back() - t.cpu[warm]) / measured;
    if (t.serverFrom >= 0) m.cpuMs += double(t.serverEnd - t.serverFrom) / measured;
    m.startMs = double(t.wall.front() - exec) / 1e6;
    m.peakMiB = double(run.PeakKiB()) / 1024.0;
    return m;
}

struct Spread {
    double median, low, high;
};

Spread SpreadOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

std::string CpuModel() {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    utsname u;
    return uname(&u) == 0 ? u.machine : "unknown";
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

int Usage() {
    std::fprintf(stderr, "usage: desktop_bench PROGRAM FLOOR_LOOP PRESENT_HOOK PICTURE "
                         "[ROUNDS [FRAMES]]\n(on the X server named by DISPLAY)\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 5 || argc > 7) return Usage();
    Setup setup{argv[1], argv[2], argv[3], argv[4]};
    if (argc > 5) setup.rounds = std::atoi(argv[5]);
    if (argc > 6) setup.frames = std::atoi(argv[6]);
    if (setup.rounds < 1 || setup.frames < 20) return Usage();

    ScratchDir folder;
    {
        std::ifstream in(setup.picture, std::ios::binary);
        std::ofstream out(folder.File("lsd.bmp"), std::ios::binary);
        out << in.rdbuf();
    }

    std::printf("CPU: %s; load average before: %s\n", CpuModel().c_str(), LoadAverage().c_str());
    std::printf("Rounds: %d, of %d frames (a tenth of them to warm up); each round runs every "
                "variant once, the order turning by one each round\n",
                setup.rounds, setup.frames);
    std::fflush(stdout);

    std::vector<std::vector<Measure>> measures(kVariantCount);
    for (int round = 0; round < setup.rounds; ++round) {
        for (int k = 0; k < kVariantCount; ++k) {
            const int v = (k + round) % kVariantCount;
            measures[std::size_t(v)].push_back(RunOnce(setup, kVariants[v], folder));
        }
    }

    // Each ratio is taken within a round, to the floor loop's fast run of the same round on
    // the same screen (a window, or full screen), so that a busy spell of the machine weighs
    // on both sides; their median and spread follow.
    const auto yardstick = [](int v) {
        int floor = 0;
        while (kVariants[floor].program || kVariants[floor].presenting != Presenting::Fast ||
               kVariants[floor].full != kVariants[v].full)
            ++floor;
        return std::size_t(floor);
    };
    const auto column = [&](int v, double Measure::*field, bool ratio) {
        std::vector<double> values;
        for (int r = 0; r < setup.rounds; ++r) {
            const double value = measures[std::size_t(v)][std::size_t(r)].*field;
            const double floor = measures[yardstick(v)][std::size_t(r)].*field;
            values.push_back(ratio ? value / floor : value);
        }
        return SpreadOf(values);
    };
    std::printf("\n%-41s %-18s %-17s %-18s %-17s %-17s %-16s %-16s %s\n", "median (min-max)",
                "ms a frame", "x fast floor", "CPU ms a frame", "x fast floor", "start-up ms",
                "x fast floor", "peak RSS MiB", "x fast floor");
    for (int v = 0; v < kVariantCount; ++v) {
        std::printf("%-41s", kVariants[v].name);
        for (double Measure::*field :
             {&Measure::frameMs, &Measure::cpuMs, &Measure::startMs, &Measure::peakMiB}) {
            const Spread value = column(v, field, false);
            const Spread ratio = column(v, field, true);
            const bool frame = field == &Measure::frameMs || field == &Measure::cpuMs;
            std::ostringstream cell;
            cell.precision(frame ? 3 : 1);
            cell << std::fixed << value.median << " (" << value.low << "-" << value.high << ")";
            std::printf(" %-*s", frame ? 18 : 17, cell.str().c_str());
            char ratios[64];
            std::snprintf(ratios, sizeof ratios, "%.2f (%.2f-%.2f)", ratio.median, ratio.low,
                          ratio.high);
            std::printf(" %-*s", frame ? 17 : 16, ratios);
        }
        std::printf("\n");
    }
    // The goals, for the program presenting its own way.
    const auto goal = [&](const char* what, bool full, bool overlay, double Measure::*field,
                          double most) {
        int v = 0;
        while (!kVariants[v].program || kVariants[v].presenting != Presenting::Own ||
               kVariants[v].overlay != overlay || kVariants[v].full != full)
            ++v;
        const double ratio = column(v, field, true).median;
        std::printf("  %-34s %5.2f x the fast floor, goal at most %.2f: %s\n", what, ratio, most,
                    ratio <= most ? "met" : "missed");
    };
    std::printf("\nGoals (medians of the ratios):\n");
    for (const bool full : {false, true}) {
        std::printf("%s\n", full ? " full screen:" : " in a window:");
        goal("frame, overlay off", full, false, &Measure::frameMs, 1.25);
        goal("frame, overlay on", full, true, &Measure::frameMs, 1.7);
        goal("CPU a frame, overlay off", full, false, &Measure::cpuMs, 1.25);
        goal("CPU a frame, overlay on", full, true, &Measure::cpuMs, 1.7);
        if (full) continue;
        goal("start-up, overlay off", full, false, &Measure::startMs, 1.6);
        goal("peak RSS, overlay on", full, true, &Measure::peakMiB, 1.5);
    }
    std::printf("load average after: %s\n", LoadAverage().c_str());
    return 0;
}
