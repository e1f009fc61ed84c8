// The frame as the loop draws it, beside the floor it is measured against: a plain fill of the
// same surface, and for the refresh path a plain copy of the frame. Each iteration does the
// work and then its floor, timed apart, so both see the same machine at the same moment:
//   build/bench/quellon_bench            (the refresh benchmarks need a display, e.g. Xvfb)
// Counter x_fill is the frame's time over the fill's; x_copy is the refresh's time over the
// copy's, and cpu_x_copy the CPU time this whole process spends on a refresh (every thread,
// the OpenGL driver's included) over the copy's.
#include <benchmark/benchmark.h>

#include <time.h>

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

double seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The frame: clear, Raycast and the rate text, as a pass of the loop draws them.
void frame(benchmark::State& state, Size size, Pose pose) {
    HeadlessWindow window;
    window.resize(size.width, size.height);
    FrmMain frm(window, loadCarriedImages());
    frm.startUp();
    frm.pose = pose;
    Surface& surface = window.drawingSurface();
    Colour colour = 0;
    double frameSeconds = 0;
    double fillSeconds = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): `_` is unread by design
        const auto start = Clock::now();
        frm.clear();
        frm.Raycast();
        window.print("181 fps");
        benchmark::DoNotOptimize(surface.data());
        benchmark::ClobberMemory();
        const auto drawn = Clock::now();
        surface.fill(++colour);
        benchmark::DoNotOptimize(surface.data());
        benchmark::ClobberMemory();
        const auto filled = Clock::now();
        state.SetIterationTime(seconds(start, drawn));
        frameSeconds += seconds(start, drawn);
        fillSeconds += seconds(drawn, filled);
    }
    state.counters["x_fill"] = frameSeconds / fillSeconds;
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

// The SDL refresh path: the drawing surface reaching the screen, once per iteration, beside a
// plain copy of the same pixels.
void refresh(benchmark::State& state, Size size) {
    std::string error;
    const std::unique_ptr<Window> window =
        openSdlWindow(error, WindowRequest{.width = size.width, .height = size.height});
    if (!window) {
        state.SkipWithError(("no SDL window (run under Xvfb): " + error).c_str());
        return;
    }
    window->show();
    window->drawingSurface().fill(kWhite);
    window->refresh();
    Surface copy(size.width, size.height);
    double refreshSeconds = 0;
    double refreshCpuSeconds = 0;
    double copySeconds = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): `_` is unread by design
        const double cpuStart = processCpuSeconds();
        const auto start = Clock::now();
        window->refresh();
        const auto refreshed = Clock::now();
        const double cpuRefreshed = processCpuSeconds();
        copy = window->drawingSurface();
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
        const auto copied = Clock::now();
        state.SetIterationTime(seconds(start, refreshed));
        refreshSeconds += seconds(start, refreshed);
        refreshCpuSeconds += cpuRefreshed - cpuStart;
        copySeconds += seconds(refreshed, copied);
    }
    state.counters["x_copy"] = refreshSeconds / copySeconds;
    state.counters["cpu_x_copy"] = refreshCpuSeconds / copySeconds;
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
                ->Unit(benchmark::kMicrosecond)
                ->UseManualTime();
        }
        benchmark::RegisterBenchmark(("fill/" + name).c_str(), fill, size)
            ->Unit(benchmark::kMicrosecond);
    }
    for (const Size& size : kSizes) {
        benchmark::RegisterBenchmark(("refresh/" + sizeName(size)).c_str(), refresh, size)
            ->Unit(benchmark::kMicrosecond)
            ->UseManualTime();
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
