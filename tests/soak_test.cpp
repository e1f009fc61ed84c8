// A long, seeded run of the real frame loop on the headless window. The yields and refreshes
// drive everything: random key events of every code, walks and turns, stalls of up to 40 s,
// resizes from nothing to 4096x4096, a long stretch of turning one way, then a close. Along
// the way every tick, pass and (at intervals) picture is checked against what the loop, the
// keys and the cast say it must be. The same seed gives the same run, so a failure message
// (seed, tick, yield, refresh) is a reproduction.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "gfx/font.h"
#include "platform/headless.h"
#include "render/raycast.h"
#include "world/keys.h"
#include "world/movement.h"

namespace quellon {
namespace {

// splitmix64: small, fast and the same on every platform and standard library.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in lo..hi, both included.
    std::int64_t range(std::int64_t lo, std::int64_t hi) {
        return lo + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    // True once in `odds` on average.
    bool oneIn(std::int64_t odds) { return range(1, odds) == 1; }

  private:
    std::uint64_t state_;
};

struct SoakPlan {
    std::uint64_t seed;
    long wanderTicks;   // random walking, turning, keys, stalls and resizes
    long turnTicks;     // then Left alone held, with long stalls: hours of simulated time
    long tailTicks;     // then random again; the close comes in the last part of this
    long closeWindow;   // the close is requested at a random tick this close to the end
    int pictureEvery;   // check the whole picture at one refresh in this many (and after resizes)
    int bigResizeOdds;  // one resize in this many goes up to 4096x4096
};

constexpr int kMovementKeys[] = {vk::kLeft, vk::kUp,    vk::kRight,
                                 vk::kDown, vk::kComma, vk::kPeriod};
constexpr std::uint32_t kMaxStallMs = 40000;
constexpr int kMaxSide = 4096;
// Pictures up to this many pixels are checked whole, larger ones by samples.
constexpr long kEveryPixelLimit = 320L * 240L;

// One tick for every whole 5 ms since the last update; a stall longer than 16 bits of
// milliseconds counts as 32767 ms.
long ticksDueFor(std::uint32_t sinceUpdateMs) {
    return static_cast<long>(std::floor(std::min<std::uint32_t>(sinceUpdateMs, 32767) / kTickMs));
}

bool isMovementKey(int code) {
    return std::find(std::begin(kMovementKeys), std::end(kMovementKeys), code) !=
           std::end(kMovementKeys);
}

// Stops the loop at the first fault: a failure inside a hook would otherwise be followed by
// millions more.
struct SoakAbort {};

class Soak {
  public:
    explicit Soak(const SoakPlan& plan)
        : plan_(plan), rng_(plan.seed), frm_(window_, loadCarriedImages()) {
        totalTicks_ = plan.wanderTicks + plan.turnTicks + plan.tailTicks;
        closeAtTick_ = totalTicks_ - rng_.range(0, plan.closeWindow);
        // Start somewhere in the hour before the counter wraps, so the run goes across it.
        const std::uint32_t startClock =
            0xFFFFFFFFu - static_cast<std::uint32_t>(rng_.range(0, std::int64_t{3600} * 1000));
        window_.setTicks(startClock);
        lastUpdate_ = startClock;
        lastRate_ = startClock;
        expectedWidth_ = window_.drawingSurface().width();
        expectedHeight_ = window_.drawingSurface().height();
        window_.setYieldHook([this](HeadlessWindow& w, long n) { onYield(w, n); });
        window_.setRefreshHook([this](HeadlessWindow& w, long n) { onRefresh(w, n); });
        for (int k = 0; k < kTextureCount; ++k) {
            for (int column = 0; column < kTextureSize; ++column) {
                auto& texels = columnTexels_[k][column];
                const Surface& texture = frm_.holders.picTexture[k];
                if (column < texture.width() && texture.height() >= kTextureSize) {
                    for (int row = 0; row < kTextureSize; ++row) {
                        texels.push_back(texture.at(column, row));
                    }
                }
                std::sort(texels.begin(), texels.end());
            }
        }
    }

    void run() {
        const auto started = std::chrono::steady_clock::now();
        try {
            frm_.Form_Load();
            afterReturn();
        } catch (const SoakAbort&) {
            return;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf(
            "soak seed %llu: %ld ticks, %ld frames, %ld yields, %ld key events, %ld resizes "
            "(largest %dx%d), %ld pictures checked, %ld cells visited, %ld blocked steps, "
            "%.2f h simulated, heading %g, %.2f s\n",
            static_cast<unsigned long long>(plan_.seed), ticksRun_, window_.refreshCount(),
            window_.yieldCount(), keyEvents_, resizes_, largestWidth_, largestHeight_,
            picturesChecked_, visitedCount(), blockedSteps_, simulatedMs_ / 3.6e6,
            static_cast<double>(frm_.pose.playerAngle), seconds);
    }

  private:
    enum class Phase { kWander, kTurn, kTail };

    // ---- failure reporting ---------------------------------------------------------------

    [[noreturn]] void fail(const std::string& what) {
        const char* phase = phase_ == Phase::kWander ? "wander"
                            : phase_ == Phase::kTurn ? "turn"
                                                     : "tail";
        ADD_FAILURE() << "seed " << plan_.seed << ", tick " << ticksRun_ << ", yield "
                      << window_.yieldCount() << ", refresh " << window_.refreshCount()
                      << ", phase " << phase << ", clock " << window_.ticks() << ", pose "
                      << poseText(frm_.pose) << ", surface " << window_.drawingSurface().width()
                      << "x" << window_.drawingSurface().height() << ": " << what;
        throw SoakAbort{};
    }

    static std::string poseText(const Pose& p) {
        char text[128];
        (void)std::snprintf(text, sizeof text, "(%.9g, %.9g, %.9g)", static_cast<double>(p.playerX),
                            static_cast<double>(p.playerY), static_cast<double>(p.playerAngle));
        return text;
    }

    // ---- the model of the keys -----------------------------------------------------------

    void queueKey(bool down, int code) {
        const int shift = static_cast<int>(rng_.range(0, kShiftMask | kCtrlMask | kAltMask));
        if (down) {
            window_.queueKeyDown(code, shift);
        } else {
            window_.queueKeyUp(code, shift);
        }
        if (code >= 0 && code < kKeyCodes) {
            keyModel_[code] = down ? kTrue : kFalse;
        }
        ++keyEvents_;
    }

    HeldKeys heldModel() const {
        return HeldKeys{keyModel_[vk::kLeft] != 0,  keyModel_[vk::kRight] != 0,
                        keyModel_[vk::kUp] != 0,    keyModel_[vk::kDown] != 0,
                        keyModel_[vk::kComma] != 0, keyModel_[vk::kPeriod] != 0};
    }

    void checkKeyStates() {
        for (int code = 0; code < kKeyCodes; ++code) {
            if (frm_.keyState[code] != keyModel_[code]) {
                fail("key " + std::to_string(code) + " should be " +
                     std::to_string(keyModel_[code]) + " after the events sent, but is " +
                     std::to_string(frm_.keyState[code]));
            }
        }
    }

    // ---- every yield: the tick count, the pose, then the next events -----------------------

    void onYield(HeadlessWindow& w, long yieldNumber) {
        const std::uint32_t sincePass = w.ticks() - lastUpdate_;
        const bool isTick = sincePass > static_cast<std::uint32_t>(kWaitThresholdMs);
        if (isTick) {
            if (passTicks_ == 0) {
                dueTicks_ = ticksDueFor(sincePass);
                passElapsed_ = sincePass;
            }
            ++passTicks_;
            ++ticksRun_;
            if (passTicks_ > dueTicks_) {
                fail("the pass ran more than its " + std::to_string(dueTicks_) + " ticks due for " +
                     std::to_string(passElapsed_) + " ms");
            }
        } else if (++waitYields_ > 100000) {
            fail("the wait went on for 100000 yields with the clock at " +
                 std::to_string(sincePass) + " ms past the last update");
        }
        if (ticksRun_ > totalTicks_ + 200000) {
            fail("the loop is still running 200000 ticks past the close at tick " +
                 std::to_string(closeTick_));
        }

        checkPose(isTick);
        if (yieldNumber % 997 == 0) {
            checkKeyStates();
        }
        if (w.closed()) {
            return;  // the close is in: no more events, only the rest of the pass's ticks
        }

        nextPhase();
        if (phase_ == Phase::kTurn) {
            turnEvents();
        } else {
            wanderEvents();
        }
        resizeEvents();
        if (ticksRun_ >= closeAtTick_) {
            w.queueClose();
            closeTick_ = ticksRun_;
        }
        advanceClockInYield(w, isTick);
    }

    void checkPose(bool isTick) {
        const Pose& now = frm_.pose;
        Pose expected = lastPose_;
        if (isTick) {
            movePlayer(expected, heldModel(), frm_.trig, frm_.worldMap);
        }
        if (now.playerX != expected.playerX || now.playerY != expected.playerY ||
            now.playerAngle != expected.playerAngle) {
            fail(std::string(isTick ? "after a tick" : "during the wait (no tick)") +
                 " the pose should be " + poseText(expected) + " from " + poseText(lastPose_) +
                 " with the keys sent, but is " + poseText(now));
        }
        if (!(now.playerX >= 0.0f && now.playerX < kMapSize && now.playerY >= 0.0f &&
              now.playerY < kMapSize)) {
            fail("the player left the map: " + poseText(now));
        }
        const int cx = static_cast<int>(std::floor(now.playerX));
        const int cy = static_cast<int>(std::floor(now.playerY));
        if (frm_.worldMap(cx, cy) != kOpenFloor) {
            fail("the player stands in cell (" + std::to_string(cx) + ", " + std::to_string(cy) +
                 ") of code " + std::to_string(frm_.worldMap(cx, cy)) +
                 ", expected open floor 0; came from " + poseText(lastPose_));
        }
        if (isTick) {
            const double dx = static_cast<double>(now.playerX) - lastPose_.playerX;
            const double dy = static_cast<double>(now.playerY) - lastPose_.playerY;
            const double step = std::sqrt(dx * dx + dy * dy);
            if (step > kMoveStepCells * 1.0001) {
                fail("one tick moved the player " + std::to_string(step) + " cells from " +
                     poseText(lastPose_) + ", more than a step of " +
                     std::to_string(kMoveStepCells));
            }
            const HeldKeys keys = heldModel();
            if ((keys.up || keys.down || keys.comma || keys.period) &&
                step < kMoveStepCells * 0.99) {
                ++blockedSteps_;
            }
            if (phase_ == Phase::kTurn) {
                checkTurnTick(now);
            }
            visited_[cx][cy] = true;
        }
        lastPose_ = now;
    }

    // Left alone held: the heading goes down by exactly 2 a tick, and nothing else moves.
    void checkTurnTick(const Pose& now) {
        if (now.playerX != lastPose_.playerX || now.playerY != lastPose_.playerY) {
            fail("holding Left alone moved the player from " + poseText(lastPose_) + " to " +
                 poseText(now));
        }
        const float expected = lastPose_.playerAngle - kTurnStepDegrees;
        const bool exact = static_cast<double>(expected) ==
                           static_cast<double>(lastPose_.playerAngle) - kTurnStepDegrees;
        if (exact && now.playerAngle != expected) {
            fail("holding Left should turn from " + poseText(lastPose_) + " to heading " +
                 std::to_string(expected) + ", but the pose is " + poseText(now));
        }
        ++turnTicksSeen_;
    }

    void nextPhase() {
        if (phase_ == Phase::kWander && ticksRun_ >= plan_.wanderTicks) {
            phase_ = Phase::kTurn;
            for (const int code : kMovementKeys) {
                queueKey(code == vk::kLeft, code);
            }
            turnStartAngle_ = frm_.pose.playerAngle;
            turnStartTick_ = ticksRun_;
            turnTicksSeen_ = 0;
        } else if (phase_ == Phase::kTurn && ticksRun_ >= plan_.wanderTicks + plan_.turnTicks) {
            // Every tick from the one after the key went down until now turned by 2.
            const double expected =
                static_cast<double>(turnStartAngle_) - 2.0 * static_cast<double>(turnTicksSeen_);
            if (static_cast<double>(frm_.pose.playerAngle) != expected) {
                fail("after " + std::to_string(turnTicksSeen_) + " ticks of Left from heading " +
                     std::to_string(turnStartAngle_) + " (tick " + std::to_string(turnStartTick_) +
                     ") the heading should be " + std::to_string(expected));
            }
            phase_ = Phase::kTail;
            queueKey(false, vk::kLeft);
        }
    }

    // Random keys of every code, and now and then a new set of movement keys, sent as a burst.
    void wanderEvents() {
        if (rng_.oneIn(6)) {
            queueKey(rng_.oneIn(2), static_cast<int>(rng_.range(0, 65535)));
        }
        if (rng_.oneIn(5000)) {
            // A storm: a few hundred events in one yield.
            for (long k = rng_.range(50, 400); k > 0; --k) {
                queueKey(rng_.oneIn(2), static_cast<int>(rng_.range(0, 65535)));
            }
        }
        if (--nextKeySet_ <= 0) {
            nextKeySet_ = static_cast<long>(rng_.range(20, 600));
            const bool walk = rng_.range(0, 9) < 6;
            for (const int code : kMovementKeys) {
                bool down = false;
                if (code == vk::kUp) {
                    down = walk;
                } else if (code == vk::kLeft || code == vk::kRight) {
                    down = rng_.oneIn(4);
                } else {
                    down = rng_.oneIn(6);
                }
                // Key repeat: a held key sends its key-down again, sometimes several times.
                for (long repeat = rng_.oneIn(3) ? rng_.range(1, 4) : 1; repeat > 0; --repeat) {
                    queueKey(down, code);
                }
            }
        }
    }

    // Only the keys that do not move: Left stays the one movement key held.
    void turnEvents() {
        if (rng_.oneIn(20)) {
            int code = 0;
            do {
                code = static_cast<int>(rng_.range(0, 65535));
            } while (isMovementKey(code));
            queueKey(rng_.oneIn(2), code);
        }
    }

    void resizeEvents() {
        if (shrinkAfterBig_ > 0 && --shrinkAfterBig_ == 0) {
            queueResize(static_cast<int>(rng_.range(0, 320)), static_cast<int>(rng_.range(0, 240)));
            return;
        }
        if (!rng_.oneIn(400)) {
            return;
        }
        // A drag sends several sizes in a row; only the last one counts.
        for (long k = rng_.oneIn(4) ? rng_.range(2, 5) : 1; k > 0; --k) {
            int width = 0;
            int height = 0;
            const auto kind = rng_.range(0, 99);
            if (rng_.oneIn(plan_.bigResizeOdds)) {
                width = static_cast<int>(rng_.range(0, kMaxSide));
                height = static_cast<int>(rng_.range(0, kMaxSide));
                if (rng_.oneIn(3)) {
                    width = kMaxSide;
                    height = kMaxSide;
                }
                shrinkAfterBig_ = static_cast<int>(rng_.range(1, 12));
            } else if (kind < 60) {
                width = static_cast<int>(rng_.range(0, 100));
                height = static_cast<int>(rng_.range(0, 80));
            } else if (kind < 70) {
                width = rng_.oneIn(2) ? 0 : static_cast<int>(rng_.range(0, 2000));
                height = width == 0 ? static_cast<int>(rng_.range(0, 2000)) : 0;
            } else if (kind < 80) {
                width = static_cast<int>(rng_.range(1, 3));
                height = static_cast<int>(rng_.range(1, 3));
            } else if (kind < 90) {
                width = kOpeningWidthPx;
                height = kOpeningHeightPx;
            } else {
                // Window sizes people use; they stay a while, then the window is made small.
                static constexpr int kSizes[][2] = {
                    {320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1280, 720}};
                const auto& size = kSizes[rng_.range(0, 4)];
                width = size[0];
                height = size[1];
                if (rng_.oneIn(2)) {
                    width = static_cast<int>(rng_.range(0, 1280));
                    height = static_cast<int>(rng_.range(0, 960));
                }
                shrinkAfterBig_ = static_cast<int>(rng_.range(20, 400));
            }
            queueResize(width, height);
        }
    }

    void queueResize(int width, int height) {
        window_.queueResize(width, height);
        expectedWidth_ = width;
        expectedHeight_ = height;
        resizedSinceCheck_ = true;
        ++resizes_;
        if (static_cast<long>(width) * height > static_cast<long>(largestWidth_) * largestHeight_) {
            largestWidth_ = width;
            largestHeight_ = height;
        }
    }

    void advanceClockInYield(HeadlessWindow& w, bool isTick) {
        std::uint32_t ms = 0;
        if (isTick) {
            // Time lost inside a tick is not made up. In the turning stretch it is what makes
            // the hours go by.
            if (phase_ == Phase::kTurn) {
                ms = static_cast<std::uint32_t>(rng_.range(0, 40));
            } else if (rng_.oneIn(3000)) {
                ms = static_cast<std::uint32_t>(rng_.range(0, kMaxStallMs));
            }
        } else {
            ms = static_cast<std::uint32_t>(rng_.range(0, 3));
            if (rng_.oneIn(phase_ == Phase::kTurn ? 3 : 2000)) {
                ms = static_cast<std::uint32_t>(rng_.range(0, kMaxStallMs));
            }
        }
        w.advanceTicks(ms);
        simulatedMs_ += ms;
    }

    // ---- every refresh: the pass that ended, the rate line, the size, the picture -----------

    void onRefresh(HeadlessWindow& w, long refreshNumber) {
        if (w.closed()) {
            fail("a frame was drawn after the close of tick " + std::to_string(closeTick_));
        }
        if (refreshNumber >= 2) {
            endOfPass(w.ticks());
        }
        ++frameCount_;
        if (w.printCount() != refreshNumber) {
            fail("refresh " + std::to_string(refreshNumber) + " came with " +
                 std::to_string(w.printCount()) + " lines printed; expected one per frame");
        }
        checkRateLine(w.lastPrinted());
        if (w.drawingSurface().width() != expectedWidth_ ||
            w.drawingSurface().height() != expectedHeight_) {
            fail("the drawing surface should be " + std::to_string(expectedWidth_) + "x" +
                 std::to_string(expectedHeight_) + " after the last resize");
        }
        if (resizedSinceCheck_ || refreshNumber % plan_.pictureEvery == 1) {
            resizedSinceCheck_ = false;
            checkPicture(w.drawingSurface(), w.lastPrinted());
        }

        lastUpdate_ = w.ticks();
        passTicks_ = 0;
        dueTicks_ = 0;
        waitYields_ = 0;

        // How late the loop gets back to the wait: mostly a few ms, now and then a stall.
        std::uint32_t ms =
            static_cast<std::uint32_t>(rng_.range(0, phase_ == Phase::kTurn ? 12 : 25));
        if (rng_.oneIn(phase_ == Phase::kTurn ? 2 : 2000)) {
            ms = static_cast<std::uint32_t>(rng_.range(0, kMaxStallMs));
        }
        w.advanceTicks(ms);
        simulatedMs_ += ms;
    }

    // The pass that began at the last refresh ran its due ticks; the rate check at its end
    // read `now`.
    void endOfPass(std::uint32_t now) {
        if (passTicks_ == 0) {
            // No tick ran, so the clock has not moved since the wait ended.
            passElapsed_ = now - lastUpdate_;
            dueTicks_ = ticksDueFor(passElapsed_);
        }
        if (passTicks_ != dueTicks_) {
            fail("the pass that began at clock " + std::to_string(lastUpdate_) + " ran " +
                 std::to_string(passTicks_) + " ticks; " + std::to_string(passElapsed_) +
                 " ms elapsed make " + std::to_string(dueTicks_) + " due");
        }
        if (now - lastRate_ >= kRatePeriodMs) {
            rateModel_ = frameCount_;
            frameCount_ = 0;
            lastRate_ = now;
        }
    }

    void checkRateLine(const std::string& line) {
        const std::string expected = std::to_string(rateModel_) + " fps";
        if (line != expected) {
            fail("the rate line should read \"" + expected + "\" but reads \"" + line + "\"");
        }
        // The shape alone, so that a model error cannot hide a malformed line.
        const auto space = line.find(' ');
        if (space == 0 || space == std::string::npos || line.substr(space) != " fps" ||
            !std::all_of(line.begin(), line.begin() + static_cast<long>(space),
                         [](char c) { return c >= '0' && c <= '9'; })) {
            fail("the rate line \"" + line + "\" is not \"<digits> fps\"");
        }
    }

    // Every pixel is what the cast of this pose says: inside a strip's column a texel of its
    // texture column (the same across the strip's width), outside every column the
    // background, and over both the glyphs of the rate line.
    void checkPicture(const Surface& s, const std::string& line) {
        ++picturesChecked_;
        const int width = s.width();
        const int height = s.height();
        std::vector<Strip> strips;
        castStrips(static_cast<float>(width), static_cast<float>(height),
                   Scene{frm_.pose, frm_.worldMap, frm_.trig},
                   [&](const Strip& strip) { strips.push_back(strip); });
        // Which strip paints each column: later strips over earlier ones, as they are drawn.
        std::vector<int> owner(static_cast<std::size_t>(width), -1);
        for (std::size_t k = 0; k < strips.size(); ++k) {
            for (int x = std::max(strips[k].stripX, 0);
                 x < std::min<long>(static_cast<long>(strips[k].stripX) + kStripWidthPx, width);
                 ++x) {
                owner[static_cast<std::size_t>(x)] = static_cast<int>(k);
            }
        }
        if (width < 1 || height < 1) {
            return;  // no pixel to look at
        }
        for (int x = 0; x < width; ++x) {
            if (owner[static_cast<std::size_t>(x)] < 0) {
                fail("column " + std::to_string(x) + " belongs to no strip of the cast");
            }
        }
        const int textWidth =
            std::min<int>(width, font::kGlyphWidthPx * static_cast<int>(line.size()));
        const int textHeight = std::min(height, font::kLineHeightPx);
        Surface text(textWidth, textHeight, kBlack);
        font::drawText(text, 0, 0, line, Window::kTextColour);

        const auto checkPixel = [&](int x, int y, const Strip& strip) {
            const Colour got = s.at(x, y);
            const bool inText = x < textWidth && y < textHeight;
            if (inText && text.at(x, y) == Window::kTextColour) {
                if (got != Window::kTextColour) {
                    fail(pixelText(x, y, got) + " should be ink of \"" + line + "\"");
                }
                return;
            }
            const int element = strip.hit.wallCode >= 0 && strip.hit.wallCode < kTextureCount
                                    ? strip.hit.wallCode
                                    : 0;
            // A column outside the texture is refused by the copy: nothing is drawn.
            const bool inTexture = strip.hit.texColumn >= 0 && strip.hit.texColumn < kTextureSize;
            const auto& texels = columnTexels_[element][inTexture ? strip.hit.texColumn : 0];
            const bool drawn = inTexture && !texels.empty() && strip.wallHeight > 0 &&
                               y >= static_cast<long>(strip.wallTop) &&
                               y < static_cast<long>(strip.wallTop) + strip.wallHeight;
            if (!drawn) {
                if (got != Window::kBackground) {
                    fail(pixelText(x, y, got) + " lies outside the column of strip " +
                         stripText(strip) + " and should be background");
                }
                return;
            }
            if (!std::binary_search(texels.begin(), texels.end(), got)) {
                fail(pixelText(x, y, got) + " should be a texel of column " +
                     std::to_string(strip.hit.texColumn) + " of texture " +
                     std::to_string(element) + " for strip " + stripText(strip));
            }
            // One texture column is stretched over the whole width of the strip.
            if (x > std::max(strip.stripX, 0) && !(inText && x - 1 < textWidth) &&
                s.at(x - 1, y) != got) {
                fail(pixelText(x, y, got) + " differs from its left neighbour " +
                     std::to_string(s.at(x - 1, y)) + " in the same strip " + stripText(strip));
            }
        };

        // Every pixel of a picture up to the size of a small window; of a larger one, in every
        // column the rows of the text, the rows either side of both ends of the column, and
        // rows drawn at random.
        const bool everyPixel = static_cast<long>(width) * height <= kEveryPixelLimit;
        for (int x = 0; x < width; ++x) {
            const Strip& strip =
                strips[static_cast<std::size_t>(owner[static_cast<std::size_t>(x)])];
            if (everyPixel) {
                for (int y = 0; y < height; ++y) {
                    checkPixel(x, y, strip);
                }
                continue;
            }
            const auto checkRow = [&](long y) {
                if (y >= 0 && y < height) {
                    checkPixel(x, static_cast<int>(y), strip);
                }
            };
            for (int y = 0; y < textHeight; ++y) {
                checkRow(y);
            }
            const long top = strip.wallTop;
            const long bottom = top + strip.wallHeight;
            for (long d = -2; d <= 1; ++d) {
                checkRow(top + d);
                checkRow(bottom + d);
            }
            for (int k = 0; k < 24; ++k) {
                checkRow(sampleRng_.range(0, height - 1));
            }
        }
    }

    static std::string pixelText(int x, int y, Colour got) {
        char text[64];
        (void)std::snprintf(text, sizeof text, "pixel (%d, %d) = 0x%06X", x, y, got);
        return text;
    }

    static std::string stripText(const Strip& s) {
        std::ostringstream out;
        out << "{stripX " << s.stripX << ", rayAngle " << s.rayAngle << ", wallCode "
            << s.hit.wallCode << ", texColumn " << s.hit.texColumn << ", wallHeight "
            << s.wallHeight << ", wallTop " << s.wallTop << "}";
        return out.str();
    }

    // ---- after Form_Load returned ----------------------------------------------------------

    void afterReturn() {
        endOfPass(window_.ticks());
        EXPECT_TRUE(window_.closed()) << "seed " << plan_.seed << ": returned without a close";
        EXPECT_EQ(frm_.quitFlag, kTrue) << "seed " << plan_.seed;
        EXPECT_EQ(window_.refreshesAfterClose(), 0)
            << "seed " << plan_.seed << ": frames drawn after the close at tick " << closeTick_;
        EXPECT_GE(closeTick_, closeAtTick_) << "seed " << plan_.seed;
        EXPECT_EQ(frm_.frameRate, rateModel_)
            << "seed " << plan_.seed << ": the last rate counted, at tick " << ticksRun_;
        EXPECT_EQ(phase_, Phase::kTail) << "seed " << plan_.seed << ": the run ended early";
        checkKeyStates();
        // The run did what it is for: the player got about, and the walls were met.
        EXPECT_GE(visitedCount(), 20) << "seed " << plan_.seed << ": the walk stayed in a corner";
        EXPECT_GT(blockedSteps_, 0) << "seed " << plan_.seed << ": no step ever met a wall";
        EXPECT_GE(turnTicksSeen_, plan_.turnTicks) << "seed " << plan_.seed;
    }

    long visitedCount() const {
        long count = 0;
        for (const auto& column : visited_) {
            count += std::count(column.begin(), column.end(), true);
        }
        return count;
    }

    const SoakPlan plan_;
    Rng rng_;
    Rng sampleRng_{rng_.next()};  // apart, so checking more or less does not change the run
    HeadlessWindow window_;
    FrmMain frm_;
    std::array<std::array<std::vector<Colour>, kTextureSize>, kTextureCount> columnTexels_;

    long totalTicks_ = 0;
    long closeAtTick_ = 0;
    long closeTick_ = -1;
    Phase phase_ = Phase::kWander;

    // The loop as the test sees it.
    long ticksRun_ = 0;
    std::uint32_t lastUpdate_ = 0;
    long passTicks_ = 0;
    long dueTicks_ = 0;
    std::uint32_t passElapsed_ = 0;
    long waitYields_ = 0;
    std::uint32_t lastRate_ = 0;
    std::int32_t frameCount_ = 0;
    std::int32_t rateModel_ = 0;
    double simulatedMs_ = 0;

    // The player and the keys.
    Pose lastPose_{kStartX, kStartY, 0.0f};
    std::array<std::int16_t, kKeyCodes> keyModel_{};
    long nextKeySet_ = 0;
    float turnStartAngle_ = 0.0f;
    long turnStartTick_ = 0;
    long turnTicksSeen_ = 0;
    std::array<std::array<bool, kMapSize>, kMapSize> visited_{};
    long blockedSteps_ = 0;
    long keyEvents_ = 0;

    // The drawing area.
    int expectedWidth_ = 0;
    int expectedHeight_ = 0;
    bool resizedSinceCheck_ = true;
    int shrinkAfterBig_ = 0;  // yields until a large size is given up again
    long resizes_ = 0;
    int largestWidth_ = 0;
    int largestHeight_ = 0;
    long picturesChecked_ = 0;
};

// The seed of a run: the fixed one, or QUELLON_SOAK_SEED to try others (every failure
// message names the seed it ran with).
std::uint64_t seedOr(std::uint64_t fixed) {
    const char* text = std::getenv("QUELLON_SOAK_SEED");
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fixed;
}

// About a million ticks: a third of a million wandering, half a million turning, the rest
// wandering again until the close.
TEST(HeadlessSoak, Long) {
    Soak soak(SoakPlan{.seed = seedOr(20240611),
                       .wanderTicks = 350000,
                       .turnTicks = 500000,
                       .tailTicks = 150000,
                       .closeWindow = 20000,
                       .pictureEvery = 16,
                       .bigResizeOdds = 100});
    soak.run();
}

// The same run, shortened, for slow checkers (valgrind).
TEST(HeadlessSoak, Short) {
    Soak soak(SoakPlan{.seed = seedOr(77003),
                       .wanderTicks = 20000,
                       .turnTicks = 20000,
                       .tailTicks = 8000,
                       .closeWindow = 2000,
                       .pictureEvery = 8,
                       .bigResizeOdds = 40});
    soak.run();
}

}  // namespace
}  // namespace quellon
