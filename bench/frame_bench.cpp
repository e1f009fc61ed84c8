// The frame as the loop draws it, beside the floor it is measured against: a plain fill of
// the same surface, and for the refresh path a plain copy of it. Everything runs in one
// process so that the ratios compare like with like:
//   build/bench/quellon_bench            (the refresh benchmarks need a display, e.g. Xvfb)
// Counter x_fill is the frame's time over one fill of the same size; x_copy is the refresh's
// time over one copy of the frame.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "app/frm_main.h"
#include "platform/headless.h"
#include "platform/sdl_window.h"

namespace quellon {
namespace {

using Clock = std::chrono::steady_clock;

struct Size {
    int width;
    int height;
};

struct NamedPose {
    const char* name;
    Pose pose;
};

constexpr Size kSizes[] = {{307, 285}, {640, 480}, {1920, 1080}, {3840, 2160}};
constexpr NamedPose kPoses[] = {
    {"start", {2.5f, 2.5f, 0.0f}},
    {"hall", {60.5f, 62.5f, 270.0f}},    // along the open hall: the longest walks
    {"wall", {2.5f, 11.979991f, 0.0f}},  // against a wall: columns taller than the view
};

// Mean seconds of `work` over enough rounds to be steady.
template <class Work>
double secondsPerRound(Work&& work) {
    work();  // warm the caches and the page tables
    constexpr int kRounds = 40;
    const auto start = Clock::now();
    for (int i = 0; i < kRounds; ++i) {
        work();
        benchmark::ClobberMemory();
    }
    return std::chrono::duration<double>(Clock::now() - start).count() / kRounds;
}

double secondsPerFill(const Size& size) {
    Surface surface(size.width, size.height);
    Colour colour = 0;
    return secondsPerRound([&] {
        surface.fill(++colour);
        benchmark::DoNotOptimize(surface.data());
    });
}

double secondsPerCopy(const Size& size) {
    const Surface from(size.width, size.height, kWhite);
    Surface to(size.width, size.height);
    return secondsPerRound([&] {
        to = from;
        benchmark::DoNotOptimize(to.data());
    });
}

// Runs the benchmark loop, then reports its mean time over `floorSeconds` as `counter`.
template <class Work>
void timeAgainst(benchmark::State& state, const char* counter, double floorSeconds, Work&& work) {
    const auto start = Clock::now();
    for (auto _ : state) {
        work();
        benchmark::ClobberMemory();
    }
    const double mean = std::chrono::duration<double>(Clock::now() - start).count() /
                        static_cast<double>(state.iterations());
    state.counters[counter] = mean / floorSeconds;
}

void frame(benchmark::State& state, Size size, Pose pose) {
    HeadlessWindow window;
    window.resize(size.width, size.height);
    FrmMain frm(window, loadCarriedImages());
    frm.startUp();
    frm.pose = pose;
    timeAgainst(state, "x_fill", secondsPerFill(size), [&] {
        frm.clear();
        frm.Raycast();
        window.print("181 fps");
        benchmark::DoNotOptimize(window.drawingSurface().data());
    });
}

void fill(benchmark::State& state, Size size) {
    Surface surface(size.width, size.height);
    Colour colour = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): `_` is unread by design
        surface.fill(++colour);
        benchmark::DoNotOptimize(surface.data());
        benchmark::ClobberMemory();
    }
}

void copy(benchmark::State& state, Size size) {
    const Surface from(size.width, size.height, kWhite);
    Surface to(size.width, size.height);
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): `_` is unread by design
        to = from;
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

// The SDL refresh path: the drawing surface reaching the screen, once per iteration.
void refresh(benchmark::State& state, Size size) {
    std::string error;
    const std::unique_ptr<Window> window = openSdlWindow(error, size.width, size.height);
    if (!window) {
        state.SkipWithError(("no SDL window (run under Xvfb): " + error).c_str());
        return;
    }
    window->show();
    window->drawingSurface().fill(kWhite);
    window->refresh();
    timeAgainst(state, "x_copy", secondsPerCopy(size), [&] { window->refresh(); });
}

std::string sizeName(const Size& size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

void registerAll() {
    for (const Size& size : kSizes) {
        const std::string name = sizeName(size);
        for (const NamedPose& pose : kPoses) {
            benchmark::RegisterBenchmark(("frame/" + name + "/" + pose.name).c_str(), frame, size,
                                         pose.pose)
                ->Unit(benchmark::kMicrosecond);
        }
        benchmark::RegisterBenchmark(("fill/" + name).c_str(), fill, size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("copy/" + name).c_str(), copy, size)
            ->Unit(benchmark::kMicrosecond);
    }
    for (const Size& size : kSizes) {
        benchmark::RegisterBenchmark(("refresh/" + sizeName(size)).c_str(), refresh, size)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
    }
}

}  // namespace
}  // namespace quellon

int main(int argc, char** argv) {
    quellon::registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
