// Nothing is allocated in the frame path once the loop runs: this test binary counts every
// allocation of the process and runs the real loop on the headless window.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "app/frm_main.h"
#include "platform/headless.h"
#include "world/keys.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace quellon {
namespace {

TEST(FramePathTest, AllocatesNothingOncePassesRunAtAGivenSize) {
    for (const auto& [width, height] : {std::pair{307, 285}, {1920, 1080}, {640, 480}}) {
        HeadlessWindow window;
        window.resize(width, height);
        FrmMain frm(window, loadCarriedImages());
        long atWarm = -1;
        long atEnd = -1;
        constexpr long kWarmPasses = 3;
        constexpr long kPasses = 300;
        window.setRefreshHook([&](HeadlessWindow& w, long n) {
            w.advanceTicks(n % 7 == 0 ? 1200 : 11);  // now and then a whole rate period
            if (n == 1) {
                w.queueKeyDown(vk::kUp);
                w.queueKeyDown(vk::kRight);
                w.queueKeyDown(vk::kComma);
            }
            if (n == kWarmPasses) {
                atWarm = allocations.load();
            }
            if (n == kPasses) {
                atEnd = allocations.load();
                w.queueClose();
            }
        });
        frm.Form_Load();
        ASSERT_GE(atWarm, 0);
        EXPECT_EQ(atEnd - atWarm, 0) << "allocations in " << kPasses - kWarmPasses << " passes at "
                                     << width << "x" << height;
        EXPECT_NE(frm.pose.playerAngle, 0.0f) << "the player turned, so ticks ran";
    }
}

}  // namespace
}  // namespace quellon
