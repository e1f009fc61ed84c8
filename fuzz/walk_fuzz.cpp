// Fuzzes walking itself: a script read by the probe's reader is walked through the real
// program object on the shipped level, tick by tick, the way `quellon-probe walk` does it.
//
// The input is "X Y ANGLE" (space separated), a NUL byte, then the script; without a NUL it
// is all script and the walk starts at the program's own start (2.5, 2.5, heading 0). A pose
// the probe would refuse, or a script it would refuse, is not walked.
//
// Promises checked after every tick: the position and heading stay finite; one tick moves
// the player at most one step (0.04 cells, plus rounding); and once the player stands on open
// floor, it never again stands in a wall cell - sliding lets it run along walls, never into
// them. Only the first few hundred ticks of a script are walked, to keep each run fast.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "app/frm_main.h"
#include "fuzz/fuzz_check.h"
#include "platform/headless.h"
#include "tools/probe_input.h"

namespace {

constexpr long kTickBudget = 400;
constexpr long kStepBudget = 400;
// One step is 0.04 cells; the stored position is single precision, which near 64 holds
// about 4e-6 of rounding per axis.
constexpr double kMaxMovePerTick = 0.04 + 1e-5;

struct Level {
    quellon::HeadlessWindow window;
    std::unique_ptr<quellon::FrmMain> frm;

    Level() {
        frm = std::make_unique<quellon::FrmMain>(window, quellon::loadCarriedImages());
        frm->startUp();
    }
};

Level& level() {
    static Level shipped;
    return shipped;
}

bool onOpenFloor(const quellon::WorldMap& map, float x, float y) {
    const double fx = std::floor(static_cast<double>(x));
    const double fy = std::floor(static_cast<double>(y));
    if (!(fx >= 0 && fy >= 0 && fx < quellon::kMapSize && fy < quellon::kMapSize)) {
        return false;
    }
    return map(static_cast<int>(fx), static_cast<int>(fy)) == quellon::kOpenFloor;
}

std::vector<std::string_view> poseWords(std::string_view text) {
    std::vector<std::string_view> out{"walk"};
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t space = text.find(' ', i);
        const std::size_t to = space == std::string_view::npos ? text.size() : space;
        if (to > i) {
            out.push_back(text.substr(i, to - i));
        }
        i = to + 1;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view script = input;
    std::vector<std::string_view> args{"walk"};
    if (const std::size_t nul = input.find('\0'); nul != std::string_view::npos) {
        args = poseWords(input.substr(0, nul));
        script = input.substr(nul + 1);
    }
    const auto command = quellon::probe::parseCommand(args);
    if (!command.ok()) {
        return 0;
    }
    const auto parsed = quellon::probe::parseWalkScript(script);
    if (!parsed.ok()) {
        return 0;
    }

    quellon::FrmMain& frm = *level().frm;
    const quellon::WorldMap& map = frm.worldMap;
    frm.pose.playerX = command.command.x;
    frm.pose.playerY = command.command.y;
    frm.pose.playerAngle = command.command.angle;
    bool wasOpen = onOpenFloor(map, frm.pose.playerX, frm.pose.playerY);

    long ticksLeft = kTickBudget;
    long stepsLeft = kStepBudget;
    for (const quellon::probe::WalkStep& step : parsed.steps) {
        if (ticksLeft == 0 || stepsLeft-- == 0) {
            break;
        }
        for (int code = 0; code < quellon::kKeyCodes; ++code) {
            frm.Form_KeyUp(code, 0);
        }
        for (const int code : step.keys) {
            frm.Form_KeyDown(code, 0);
        }
        for (long tick = 0; tick < step.ticks && ticksLeft > 0; ++tick, --ticksLeft) {
            const quellon::Pose before = frm.pose;
            frm.GameCode();
            const quellon::Pose& after = frm.pose;
            FUZZ_CHECK(std::isfinite(after.playerX) && std::isfinite(after.playerY) &&
                           std::isfinite(after.playerAngle),
                       "pose %.9g %.9g %.9g", static_cast<double>(after.playerX),
                       static_cast<double>(after.playerY), static_cast<double>(after.playerAngle));
            const double moved = std::hypot(static_cast<double>(after.playerX) - before.playerX,
                                            static_cast<double>(after.playerY) - before.playerY);
            FUZZ_CHECK(moved <= kMaxMovePerTick, "moved %.9g cells in one tick from %.9g %.9g",
                       moved, static_cast<double>(before.playerX),
                       static_cast<double>(before.playerY));
            const bool open = onOpenFloor(map, after.playerX, after.playerY);
            FUZZ_CHECK(open || !wasOpen,
                       "walked from %.9g %.9g (heading %.9g) into the wall cell at %.9g %.9g",
                       static_cast<double>(before.playerX), static_cast<double>(before.playerY),
                       static_cast<double>(before.playerAngle), static_cast<double>(after.playerX),
                       static_cast<double>(after.playerY));
            wasOpen = open;
        }
    }
    return 0;
}
