// The frame as the loop draws it, beside the floors it is measured against: a plain fill of the
// same surface and a streaming one (stores that bypass the cache, the fastest way to write
// memory that is not read back soon), and for the refresh path a plain and a streaming copy of
// the frame. Each iteration does the work and then its floors, timed apart, so all see the same
// machine at the same moment:
//   build/bench/quellon_bench            (the refresh benchmarks need a display, e.g. Xvfb)
// Counter x_floor is the frame's time over the faster of the two fills, each of the three timed
// warm, the quickest of a few back to back; x_copy and x_copy_nt the refresh's time over the plain
// and the streaming copy's, and cpu_x_copy and cpu_x_copy_nt the CPU time this whole process spends
// on a refresh (every thread counted) over the same two. The refresh's own time includes waiting
// for the X server to finish copying the frame before last, which back-to-back refreshes do at
// large sizes.
#include <benchmark/benchmark.h>
#include <emmintrin.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "app/frm_main.h"
#include "platform/headless.h"
#include "render/what_if.h"

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

// Stores `count` words from `out` on, each `word`, with streaming stores of 16 bytes.
void streamWords(std::uint32_t* out, std::size_t count, std::uint32_t word) {
    constexpr std::size_t kWordsPerStore = sizeof(__m128i) / sizeof(std::uint32_t);
    std::size_t i = 0;
    for (; i < count && reinterpret_cast<std::uintptr_t>(out + i) % sizeof(__m128i) != 0; ++i) {
        out[i] = word;
    }
    const __m128i words = _mm_set1_epi32(static_cast<int>(word));
    for (; i + kWordsPerStore <= count; i += kWordsPerStore) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + i), words);
    }
    for (; i < count; ++i) {
        out[i] = word;
    }
    _mm_sfence();
}

// Copies `count` words with streaming stores of 16 bytes (the target aligned as the source).
void streamCopy(std::uint32_t* out, const std::uint32_t* in, std::size_t count) {
    constexpr std::size_t kWordsPerStore = sizeof(__m128i) / sizeof(std::uint32_t);
    std::size_t i = 0;
    for (; i < count && reinterpret_cast<std::uintptr_t>(out + i) % sizeof(__m128i) != 0; ++i) {
        out[i] = in[i];
    }
    for (; i + kWordsPerStore <= count; i += kWordsPerStore) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)));
    }
    for (; i < count; ++i) {
        out[i] = in[i];
    }
    _mm_sfence();
}

std::size_t pixelsOf(const Surface& surface) {
    return static_cast<std::size_t>(surface.width()) * static_cast<std::size_t>(surface.height());
}

// The quickest of `times` runs of `work` back to back: warm, as a program that does it every
// frame runs it.
template <class Work>
double quickest(int times, Work&& work) {
    double best = 1e300;
    for (int i = 0; i < times; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, seconds(start, Clock::now()));
    }
    return best;
}

// The frame: clear, Raycast and the rate text, as a pass of the loop draws them, under `rules`
// (empty: the exact frame). x_floor is its time over the faster of a plain and a streaming fill
// of the same surface; each of the three is timed warm, the quickest of a few back to back.
void frame(benchmark::State& state, Size size, Pose pose, const char* rules) {
    constexpr int kRuns = 3;
    HeadlessWindow window(size.width, size.height);
    FrmMain frm(window, loadCarriedImages());
    frm.startUp();
    frm.placePlayer(pose);
    frm.setRules(parseWhatIf(rules).rules);
    Surface& surface = window.drawingSurface();
    Colour colour = 0;
    double frameSeconds = 0;
    double plainSeconds = 0;
    double streamSeconds = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): `_` is unread by design
        const double drawn = quickest(kRuns, [&] {
            frm.clear();
            frm.Raycast();
            window.print("181 fps");
            benchmark::DoNotOptimize(surface.data());
            benchmark::ClobberMemory();
        });
        state.SetIterationTime(drawn);
        frameSeconds += drawn;
        plainSeconds += quickest(kRuns, [&] {
            std::fill(surface.data(), surface.data() + pixelsOf(surface), ++colour);
            benchmark::DoNotOptimize(surface.data());
            benchmark::ClobberMemory();
        });
        streamSeconds += quickest(kRuns, [&] {
            streamWords(surface.data(), pixelsOf(surface), ++colour);
            benchmark::DoNotOptimize(surface.data());
            benchmark::ClobberMemory();
        });
    }
    state.counters["x_floor"] = frameSeconds / std::min(plainSeconds, streamSeconds);
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["plain_fill_us"] = plainSeconds / iterations * 1e6;
    state.counters["stream_fill_us"] = streamSeconds / iterations * 1e6;
}

// The SDL refresh path: the drawing surface reaching the screen, once per iteration, beside a
// plain copy of the same pixels.
void refresh(benchmark::State& state, Size size) {
    std::string error;
    const std::unique_ptr<Window> window =
        openWindow(WindowRequest{.width = size.width, .height = size.height}, error);
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
    double streamSeconds = 0;
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
        streamCopy(copy.data(), window->drawingSurface().data(), pixelsOf(copy));
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
        const auto streamed = Clock::now();
        state.SetIterationTime(seconds(start, refreshed));
        refreshSeconds += seconds(start, refreshed);
        refreshCpuSeconds += cpuRefreshed - cpuStart;
        copySeconds += seconds(refreshed, copied);
        streamSeconds += seconds(copied, streamed);
    }
    state.counters["x_copy"] = refreshSeconds / copySeconds;
    state.counters["x_copy_nt"] = refreshSeconds / streamSeconds;
    state.counters["cpu_x_copy_nt"] = refreshCpuSeconds / streamSeconds;
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
                                         pose.pose, "")
                ->Unit(benchmark::kMicrosecond)
                ->UseManualTime();
        }
    }
    // What-if frames, drawn by the same drawer, at 1920x1080 from the start.
    for (const char* rules :
         {"fisheye", "exact-angles", "screen-rays,fov=90", "plain-walls", "strip=8", "strip=1"}) {
        benchmark::RegisterBenchmark((std::string("whatif/1920x1080/") + rules).c_str(), frame,
                                     Size{1920, 1080}, kPoses[0].pose, rules)
            ->Unit(benchmark::kMicrosecond)
            ->UseManualTime();
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
