// FrameBench: the warp and blend passes, plain and fast, and whole frames, next to the
// floor of a frame that draws nothing, all in one run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Events.h"
#include "TestPicture.h"
#include "TestPlatform.h"
#include "effect/FastBlend.h"
#include "effect/WarpEffect.h"
#include "frame/App.h"
#include "main/ErrorMsg.h"

namespace {

// Hands App::Run one frame: the inner handler draws, then a quit is queued, so Run
// clears, updates, polls and presents exactly once per call, as it does every frame.
class OneFrame : public EventHandler {
public:
    void Update() override {
        if (inner) {
            inner->app = app;
            inner->Update();
        }
        SDL_Event quit = Quit();
        SDL_PushEvent(&quit);
    }

    EventHandler* inner = nullptr; // nothing drawn while null: the floor
};

struct Bench {
    App* app = nullptr;
    OneFrame* frame = nullptr; // owned by the app
    std::unique_ptr<WarpEffect> fast;
    std::unique_ptr<WarpEffect> plain;
    std::vector<std::unique_ptr<WarpEffect>> narrower; // the fast passes on narrower paths
    std::unique_ptr<FastBlend> overlay;
};
Bench bench;

// Each effect keeps its own factor across the benchmarks, so that each sweeps the cycle.
std::map<const WarpEffect*, float> factors;

float& FactorOf(const WarpEffect* effect) {
    return factors.emplace(effect, 1.0f).first->second;
}

void Frame(benchmark::State& state, WarpEffect* effect, bool overlay) {
    bench.frame->inner = effect;
    if (effect) effect->blendEnabled = overlay ? 1 : 0;
    for (auto _ : state) {
        if (effect) warpFactor = FactorOf(effect);
        bench.app->Run();
        if (effect) FactorOf(effect) = warpFactor;
    }
}

// The warp pass alone: Update with the overlay off.
void Warp(benchmark::State& state, WarpEffect* effect) {
    effect->app = bench.app;
    effect->blendEnabled = 0;
    for (auto _ : state) {
        warpFactor = FactorOf(effect);
        effect->Update();
        FactorOf(effect) = warpFactor;
    }
}

// The blend's weight is the factor after a frame, which sweeps 0 to 10 in 13 frames;
// both passes sweep it alike, since how often the sums pass 255 depends on it.
float BlendWeight(std::size_t frame) {
    return float(frame % 13) * 0.768f;
}

// Weights the whole numbers do not take, mixed in doubles: below 1/8, as the factor is at the
// end of a frame in which it started anew from 0 in the last 12,500 pixels.
float BlendWeightInDoubles(std::size_t frame) {
    return float(frame % 13 + 1) * 0.0096f;
}

void BlendFast(benchmark::State& state, CpuPath path, float (*weight)(std::size_t)) {
    const ScreenRows rows(bench.app->screen.surface);
    std::size_t frame = 0;
    for (auto _ : state) {
        const float alpha = weight(frame++);
        for (int y = 0; y < WarpEffect::kHeight; ++y)
            bench.overlay->Row(rows.Row<Uint8>(y), y, alpha, path, rows);
    }
}

void BlendPlain(benchmark::State& state) {
    App& app = *bench.app;
    std::size_t frame = 0;
    for (auto _ : state)
        app.Blend(app.screen, bench.plain->image, 0, 0, WarpEffect::kWidth, WarpEffect::kHeight,
                  BlendWeight(frame++));
}

// The console output, and after it the ratios of the medians that the goals are set in.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.str()] = run.GetAdjustedCPUTime();
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto ratio = [&](const char* label, const char* over, const char* under) {
            if (medians.count(over) && medians.count(under))
                std::printf("  %-44s %7.2f\n", label, medians[over] / medians[under]);
        };
        std::printf("\nRatios of the medians (CPU time):\n");
        ratio("frame, overlay off / floor", "Frame/fast/overlay_off", "Frame/floor");
        ratio("frame, overlay on / floor", "Frame/fast/overlay_on", "Frame/floor");
        ratio("plain / fast, frame overlay off", "Frame/plain/overlay_off",
              "Frame/fast/overlay_off");
        ratio("plain / fast, frame overlay on", "Frame/plain/overlay_on", "Frame/fast/overlay_on");
        ratio("plain / fast, warp pass", "Warp/plain", "Warp/fast");
        ratio("plain / fast, blend pass", "Blend/plain", "Blend/fast");
        ratio("fast blend, in doubles / whole numbers", "Blend/fast/doubles", "Blend/fast");
        ratio("plain frame, overlay off / floor", "Frame/plain/overlay_off", "Frame/floor");
        ratio("plain frame, overlay on / floor", "Frame/plain/overlay_on", "Frame/floor");
        for (const char* path : {"AVX2", "baseline"}) {
            for (const char* overlay : {"off", "on"}) {
                const std::string label =
                    std::string(path) + " frame, overlay " + overlay + " / floor";
                const std::string name = std::string("Frame/") + path + "/overlay_" + overlay;
                ratio(label.c_str(), name.c_str(), "Frame/floor");
            }
        }
    }

private:
    std::map<std::string, double> medians;
};

const char* PathName(CpuPath path) {
    switch (path) {
    case CpuPath::Plain: return "plain";
    case CpuPath::Baseline: return "baseline";
    case CpuPath::Avx2: return "AVX2";
    case CpuPath::Avx512: return "AVX-512";
    case CpuPath::Simd128: return "WebAssembly SIMD";
    }
    return "?";
}

} // namespace

int main(int argc, char* argv[]) {
    // Headless unless told otherwise: the figures are those of SDL's dummy driver.
    setenv("SDL_VIDEODRIVER", "dummy", 0);

    // Medians over repetitions, interleaved so that a noisy spell of the machine falls
    // on every benchmark alike; any of these may be overridden on the command line.
    std::vector<char*> args(argv, argv + argc);
    std::string defaults[] = {"--benchmark_repetitions=12", "--benchmark_min_time=0.05",
                              "--benchmark_display_aggregates_only=true",
                              "--benchmark_enable_random_interleaving=true"};
    for (std::string& option : defaults)
        args.insert(args.begin() + 1, option.data());
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

    try {
        App app(TestPlatform::Get(), "Prismwarp", WarpEffect::kWidth, WarpEffect::kHeight, 0,
                false);
        bench.app = &app;
        bench.frame = new OneFrame();
        app.handler = bench.frame;
        {
            TestPicture picture;
            TestPicture::Scope here(picture);
            bench.fast = std::make_unique<WarpEffect>();
            bench.plain = std::make_unique<WarpEffect>();
        }
        bench.plain->path = CpuPath::Plain;
        for (const CpuPath path : {CpuPath::Avx2, CpuPath::Baseline}) {
            if (path == bench.fast->path || !CpuRuns(path)) continue;
            TestPicture picture;
            TestPicture::Scope here(picture);
            bench.narrower.push_back(std::make_unique<WarpEffect>());
            bench.narrower.back()->path = path;
        }
        bench.overlay =
            std::make_unique<FastBlend>(bench.fast->image, WarpEffect::kWidth, WarpEffect::kHeight);
        std::printf("Fast passes on the %s path, screen of %d bits a pixel\n",
                    PathName(bench.fast->path), app.screen.surface->format->BitsPerPixel);

        const auto unit = benchmark::kMicrosecond;
        benchmark::RegisterBenchmark("Warp/fast", Warp, bench.fast.get())->Unit(unit);
        benchmark::RegisterBenchmark("Warp/plain", Warp, bench.plain.get())->Unit(unit);
        benchmark::RegisterBenchmark("Blend/fast", BlendFast, bench.fast->path, BlendWeight)
            ->Unit(unit);
        benchmark::RegisterBenchmark("Blend/fast/doubles", BlendFast, bench.fast->path,
                                     BlendWeightInDoubles)
            ->Unit(unit);
        benchmark::RegisterBenchmark("Blend/plain", BlendPlain)->Unit(unit);
        benchmark::RegisterBenchmark("Frame/floor", Frame, nullptr, false)->Unit(unit);
        benchmark::RegisterBenchmark("Frame/fast/overlay_off", Frame, bench.fast.get(), false)
            ->Unit(unit);
        benchmark::RegisterBenchmark("Frame/fast/overlay_on", Frame, bench.fast.get(), true)
            ->Unit(unit);
        benchmark::RegisterBenchmark("Frame/plain/overlay_off", Frame, bench.plain.get(), false)
            ->Unit(unit);
        benchmark::RegisterBenchmark("Frame/plain/overlay_on", Frame, bench.plain.get(), true)
            ->Unit(unit);
        for (const auto& effect : bench.narrower) {
            const std::string blend = std::string("Blend/") + PathName(effect->path);
            benchmark::RegisterBenchmark(blend.c_str(), BlendFast, effect->path, BlendWeight)
                ->Unit(unit);
            benchmark::RegisterBenchmark((blend + "/doubles").c_str(), BlendFast, effect->path,
                                         BlendWeightInDoubles)
                ->Unit(unit);
            for (const bool overlay : {false, true}) {
                const std::string name = std::string("Frame/") + PathName(effect->path) +
                                         (overlay ? "/overlay_on" : "/overlay_off");
                benchmark::RegisterBenchmark(name.c_str(), Frame, effect.get(), overlay)
                    ->Unit(unit);
            }
        }

        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        bench.fast.reset();
        bench.plain.reset();
        bench.narrower.clear();
        bench.overlay.reset();
    } catch (const ErrorMsg& error) {
        std::fprintf(stderr, "%s\n", error.message.c_str());
        return 1;
    }
    return 0;
}
