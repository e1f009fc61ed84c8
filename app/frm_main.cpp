#include "app/frm_main.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "assets/images.h"
#include "formats/bmp.h"
#include "world/keys.h"

namespace quellon {

namespace {

Surface decodeCarried(std::span<const std::uint8_t> file, const char* name) {
    BmpResult result = decodeBmp(file);
    if (!result.ok()) {
        (void)std::fprintf(stderr, "quellon: carried image %s: %s\n", name, result.error.c_str());
    }
    return std::move(result.image);
}

}  // namespace

ImageHolders loadCarriedImages() {
    ImageHolders holders;
    holders.picMap = decodeCarried(assets::levelImage(), "level");
    for (int k = 0; k < kTextureCount; ++k) {
        holders.picTexture[k] = decodeCarried(assets::textureImage(k), "texture");
    }
    return holders;
}

FrmMain::FrmMain(Window& window, ImageHolders images)
    : holders(std::move(images)), window_(window) {}

void FrmMain::startUp() {
    window_.show();
    trig.generateTrig();
    pose.playerX = kStartPose.playerX;
    pose.playerY = kStartPose.playerY;
    scanLevel(worldMap, holders.picMap);
    window_.beep();
}

void FrmMain::Form_Load() {
    startUp();

    std::uint32_t lastUpdateTick = window_.GetTickCount();
    std::uint32_t lastRateTick = lastUpdateTick;
    std::int32_t frameCount = 0;
    frameRate = 0;

    while (!quitFlag) {
        clear();
        Raycast();
        printFrameRate();
        window_.refresh();
        ++frameCount;

        wait(lastUpdateTick);
        const std::int16_t elapsedMs =
            toElapsedMs(ticksBetween(lastUpdateTick, window_.GetTickCount()));
        const double ticksDue = elapsedMs / kTickMs;
        for (int k = 1; k <= ticksDue; ++k) {
            GameCode();
        }
        lastUpdateTick = window_.GetTickCount();

        if (ticksBetween(lastRateTick, window_.GetTickCount()) >= kRatePeriodMs) {
            frameRate = frameCount;
            frameCount = 0;
            lastRateTick = window_.GetTickCount();
        }
    }
}

void FrmMain::wait(std::uint32_t lastUpdateTick) {
    // The test comes before the yield: a pass that arrives late does not yield here. Between
    // yields the window rests until just before the reading that ends the wait.
    const std::uint32_t endTick = lastUpdateTick + kWaitThresholdMs + 1;
    while (ticksBetween(lastUpdateTick, window_.GetTickCount()) <= kWaitThresholdMs) {
        window_.yield(*this);
        window_.rest(endTick);
    }
}

void FrmMain::clear() {
    window_.homeText();
}

void FrmMain::Raycast() {
    trace_.strip = traceX_ < 0 ? -1 : traceX_ / std::max(1, frameRules_.whatIf.stripWidthPx);
    drawer_.draw(window_.drawingSurface(), Window::kBackground, scene(), holders.picTexture,
                 frameRules_, &trace_);
}

void FrmMain::GameCode() {
    if (!paused_) {
        movePlayer(pose, heldKeys(), trig, worldMap);
    }
    window_.yield(*this);
}

void FrmMain::openLevel(const Surface& levelImage) {
    holders.picMap = levelImage;
    scanLevel(worldMap, holders.picMap);
    pose = kStartPose;
}

void FrmMain::paintCell(int column, int row, std::int16_t code) {
    if (WorldMap::inside(column, row)) {
        worldMap.set(column, row, code);
    }
}

void FrmMain::placePlayer(const Pose& where) {
    pose = where;
}

void FrmMain::setRules(const WhatIfRules& rules) {
    frameRules_.whatIf = rules;
}

void FrmMain::limitStrips(int strips) {
    frameRules_.stripsToDraw = strips;
}

int FrmMain::stripCount() {
    return whatIfStripCount(window_.clientWidth(), frameRules_.whatIf);
}

void FrmMain::Form_KeyDown(int keyCode, int /*shiftState*/) {
    if (keyCode >= 0 && keyCode < kKeyCodes) {
        keyState[keyCode] = kTrue;
    }
}

void FrmMain::Form_KeyUp(int keyCode, int /*shiftState*/) {
    if (keyCode >= 0 && keyCode < kKeyCodes) {
        keyState[keyCode] = kFalse;
    }
}

void FrmMain::Form_QueryUnload(std::int16_t& /*cancel*/, std::int16_t /*unloadMode*/) {
    quitFlag = kTrue;
}

void FrmMain::closeRequested() {
    std::int16_t cancel = 0;
    Form_QueryUnload(cancel, 0);
}

void FrmMain::printFrameRate() {
    static constexpr std::string_view kSuffix = " fps";
    char line[16];
    char* end = std::to_chars(line, line + sizeof line - kSuffix.size(), frameRate).ptr;
    end = kSuffix.copy(end, kSuffix.size()) + end;
    window_.print(std::string_view(line, static_cast<std::size_t>(end - line)));
}

HeldKeys FrmMain::heldKeys() const {
    return HeldKeys{keyState[vk::kLeft] != 0,  keyState[vk::kRight] != 0,
                    keyState[vk::kUp] != 0,    keyState[vk::kDown] != 0,
                    keyState[vk::kComma] != 0, keyState[vk::kPeriod] != 0};
}

}  // namespace quellon
