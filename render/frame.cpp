#include "render/frame.h"

namespace quellon {

void castFrame(float width, float height, const Scene& scene, const FrameRules& rules,
               std::vector<Strip>& strips, StripTrace* trace) {
    if (!rules.exact()) {
        castWhatIfStrips(width, height, scene, rules.whatIf, strips, rules.stripsToDraw, trace);
        return;
    }
    strips.clear();
    castStrips(
        width, height, scene, [&](const Strip& strip) { strips.push_back(strip); }, trace);
}

void FrameDrawer::draw(Surface& target, Colour background, const Scene& scene,
                       const TextureSet& textures, const FrameRules& rules, StripTrace* trace) {
    const auto width = static_cast<float>(target.width());
    const auto height = static_cast<float>(target.height());
    castFrame(width, height, scene, rules, strips_, trace);
    if (!rules.exact()) {
        drawWhatIfFrame(target, background, strips_, textures, rules.whatIf);
        return;
    }
    // One stretched copy per strip, then the view's pixels, background and walls, each written
    // once.
    view_.clear(background);
    for (const Strip& strip : strips_) {
        view_.stretchColumn(strip.stripX, strip.wallTop, strip.wallHeight,
                            textures[textureElement(strip.hit.wallCode)], strip.hit.texColumn);
    }
    view_.draw(target);
}

}  // namespace quellon
