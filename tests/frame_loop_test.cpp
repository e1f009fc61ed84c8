// The frame loop driven through the headless window: its clock, its yields, its refreshes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/frm_main.h"
#include "platform/headless.h"

namespace quellon {
namespace {

// Runs the real loop on a headless window and records, per pass, how many yields happened
// between its refresh and the next one.
class LoopTest : public ::testing::Test {
  protected:
    LoopTest() : frm(window, loadCarriedImages()) {
        window.setRefreshHook([this](HeadlessWindow& w, long refreshNumber) {
            refreshYields.push_back(w.yieldCount());
            if (onRefresh) {
                onRefresh(w, refreshNumber);
            }
        });
    }

    void run() {
        frm.Form_Load();
        refreshYields.push_back(window.yieldCount());
    }

    // Yields made during pass n (1-based), from its refresh to the next one (or the end).
    long yieldsInPass(std::size_t n) const { return refreshYields.at(n) - refreshYields.at(n - 1); }

    HeadlessWindow window;
    FrmMain frm;
    std::vector<long> refreshYields;
    HeadlessWindow::RefreshHook onRefresh;
};

TEST_F(LoopTest, RunsOneTickForEveryWholeFiveMilliseconds) {
    struct Case {
        std::uint32_t elapsedMs;
        long ticks;
    };
    // The wait is over at once for all of these, so every yield of the pass is a tick's.
    for (const Case c : {Case{6, 1}, Case{9, 1}, Case{10, 2}, Case{11, 2}, Case{12, 2}, Case{14, 2},
                         Case{15, 3}, Case{1000, 200}, Case{32767, 6553}}) {
        HeadlessWindow w;
        FrmMain f(w, loadCarriedImages());
        long yieldsAfterFirstRefresh = -1;
        w.setRefreshHook([&](HeadlessWindow& hw, long n) {
            if (n == 1) {
                hw.advanceTicks(c.elapsedMs);
                hw.queueClose();
                yieldsAfterFirstRefresh = hw.yieldCount();
            }
        });
        f.Form_Load();
        EXPECT_EQ(w.yieldCount() - yieldsAfterFirstRefresh, c.ticks)
            << "elapsedMs " << c.elapsedMs << " should run " << c.ticks << " ticks";
        EXPECT_EQ(w.refreshCount(), 1) << "elapsedMs " << c.elapsedMs;
    }
}

TEST_F(LoopTest, WaitPollsUntilMoreThanFiveMillisecondsHavePassed) {
    // The pass reaches the wait 2 ms after the last update; each yield of the wait takes 1 ms.
    long ticksSeen = 0;
    onRefresh = [](HeadlessWindow& w, long n) {
        if (n == 1) {
            w.advanceTicks(2);
            w.queueClose();
        }
    };
    window.setYieldHook([&](HeadlessWindow& w, long) {
        if (w.ticks() <= 5) {
            w.advanceTicks(1);
        } else {
            ++ticksSeen;
        }
    });
    run();
    // Yields at 2, 3, 4, 5 ms in the wait (the close arrives in the first), then at 6 ms the
    // wait ends and one tick runs. Each of the wait's yields is followed by a rest until the
    // reading that ends the wait; the tick's is not.
    EXPECT_EQ(yieldsInPass(1), 5);
    EXPECT_EQ(ticksSeen, 1);
    EXPECT_EQ(window.restCount(), 4);
    EXPECT_EQ(window.lastRestUntil(), 6u);
}

TEST_F(LoopTest, StallInTheWaitIsMadeUpBeforeTheNextFrame) {
    onRefresh = [](HeadlessWindow& w, long n) {
        if (n == 1) {
            w.advanceTicks(2);  // arrive early, so the wait yields
        } else if (n == 2) {
            w.queueClose();
            w.advanceTicks(6);
        }
    };
    bool stalled = false;
    window.setYieldHook([&](HeadlessWindow& w, long) {
        if (!stalled) {
            stalled = true;
            w.advanceTicks(9998);  // the user holds the window still for ten seconds
        }
    });
    run();
    ASSERT_EQ(window.refreshCount(), 2);
    EXPECT_EQ(yieldsInPass(1), 1 + 2000) << "one yield of the wait, then 2000 ticks";
    EXPECT_EQ(yieldsInPass(2), 1);
}

TEST_F(LoopTest, StallInsideATicksYieldIsNotMadeUp) {
    long yieldsAtStall = -1;
    onRefresh = [&](HeadlessWindow& w, long n) {
        w.advanceTicks(6);
        if (n == 1) {
            yieldsAtStall = w.yieldCount() + 1;  // the first tick's yield
        }
        if (n == 2) {
            w.queueClose();
        }
    };
    window.setYieldHook([&](HeadlessWindow& w, long number) {
        if (number == yieldsAtStall) {
            w.advanceTicks(10000);
        }
    });
    run();
    ASSERT_EQ(window.refreshCount(), 2);
    EXPECT_EQ(yieldsInPass(1), 1);
    EXPECT_EQ(yieldsInPass(2), 1) << "the stall in the tick's yield must be dropped";
}

TEST_F(LoopTest, StallBeyondSixteenBitsRunsTheMostTicksThatFit) {
    onRefresh = [](HeadlessWindow& w, long n) {
        if (n == 1) {
            w.advanceTicks(40000);
            w.queueClose();
        }
    };
    run();
    EXPECT_EQ(yieldsInPass(1), 6553) << "40000 ms counts as 32767 ms, never as a negative time";
}

TEST_F(LoopTest, PrintsZeroUntilTheFirstRateUpdateThenTheCountOfThePeriod) {
    // Each pass takes 6 ms; the first check at or past 1000 ms is at the end of pass 167.
    std::vector<std::string> printed;
    onRefresh = [&](HeadlessWindow& w, long n) {
        printed.push_back(w.lastPrinted());
        w.advanceTicks(6);
        if (n == 400) {
            w.queueClose();
        }
    };
    run();
    ASSERT_EQ(printed.size(), 400u);
    for (std::size_t i = 0; i < 167; ++i) {
        ASSERT_EQ(printed[i], "0 fps") << "frame " << i + 1;
    }
    EXPECT_EQ(printed[167], "167 fps") << "the 168th frame shows the first period's count";
    // The second period starts at the fresh reading of 1002 ms and ends at 2004 ms.
    EXPECT_EQ(printed[333], "167 fps");
    EXPECT_EQ(printed[334], "167 fps");
    EXPECT_EQ(frm.frameRate, 167);
}

TEST_F(LoopTest, DifferencesStayTrueAcrossTheCounterWrapAndItsSignStep) {
    for (const std::uint32_t start : {0xFFFFFFFFu - 100u, 0x7FFFFFFFu - 100u}) {
        HeadlessWindow w;
        FrmMain f(w, loadCarriedImages());
        w.setTicks(start);
        std::vector<long> yields;
        w.setRefreshHook([&](HeadlessWindow& hw, long n) {
            yields.push_back(hw.yieldCount());
            hw.advanceTicks(11);  // two ticks per pass, wherever the counter stands
            if (n == 200) {
                hw.queueClose();
            }
        });
        f.Form_Load();
        yields.push_back(w.yieldCount());
        for (std::size_t n = 1; n < yields.size(); ++n) {
            ASSERT_EQ(yields[n] - yields[n - 1], 2) << "pass " << n << " from " << start;
        }
        // 200 passes of 11 ms: rate updates at 1001 and 2002 ms after start, 91 frames each.
        EXPECT_EQ(f.frameRate, 91) << "start " << start;
    }
}

TEST_F(LoopTest, CloseDuringStartUpTakesEffectAfterTheFirstFrame) {
    window.queueClose();  // raised while the window is still starting: nothing yields yet
    window.setYieldHook([](HeadlessWindow& w, long) { w.advanceTicks(1); });
    run();
    EXPECT_EQ(window.refreshCount(), 1);
    EXPECT_EQ(window.refreshesAfterClose(), 0);
    EXPECT_TRUE(window.closed());
    EXPECT_EQ(frm.quitFlag, kTrue);
}

TEST_F(LoopTest, NoFrameIsDrawnAfterACloseButTheDueTicksStillRun) {
    long closeAtYield = -1;
    onRefresh = [&](HeadlessWindow& w, long n) {
        if (n == 3) {
            w.advanceTicks(50);  // ten ticks due
            closeAtYield = w.yieldCount() + 3;
        } else {
            w.advanceTicks(6);
        }
    };
    window.setYieldHook([&](HeadlessWindow& w, long number) {
        if (number == closeAtYield) {
            w.queueClose();
        }
    });
    run();
    EXPECT_EQ(window.refreshCount(), 3);
    EXPECT_EQ(window.refreshesAfterClose(), 0);
    EXPECT_EQ(yieldsInPass(3), 10) << "the seven ticks after the close still run";
}

TEST_F(LoopTest, StartsFromTheZeroedStateAndTheStartPose) {
    EXPECT_EQ(frm.pose.playerX, 0.0f);
    EXPECT_EQ(frm.frameRate, 0);
    EXPECT_EQ(frm.quitFlag, 0);
    EXPECT_EQ(frm.worldMap, WorldMap{});
    EXPECT_EQ(window.showCount(), 0);

    bool checked = false;
    window.setYieldHook([&](HeadlessWindow& w, long number) {
        if (number == 1) {
            checked = true;
            EXPECT_EQ(frm.pose.playerX, 2.5f);
            EXPECT_EQ(frm.pose.playerY, 2.5f);
            EXPECT_EQ(frm.pose.playerAngle, 0.0f);
            EXPECT_EQ(frm.frameRate, 0);
            for (int code = 0; code < kKeyCodes; ++code) {
                ASSERT_EQ(frm.keyState[code], 0) << "key " << code;
            }
            EXPECT_EQ(w.showCount(), 1);
            EXPECT_EQ(w.beepCount(), 1);
            EXPECT_EQ(frm.trig.sinTable[90], 1.0f) << "tables are built before the loop";
            w.queueClose();
        }
        w.advanceTicks(1);
    });
    run();
    EXPECT_TRUE(checked);
    EXPECT_EQ(window.lastPrinted(), "0 fps");
}

}  // namespace
}  // namespace quellon
