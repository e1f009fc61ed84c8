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
    // [learn:frame]
    castFrame(width, height, scene, rules, strips_, trace);
    // One stretched copy (or one colour) per strip, then the view's pixels, background and
    // walls, each written once.
    view_.clear(target.pixel(background), rules.whatIf.stripWidthPx);
    if (rules.whatIf.plainWalls) {
        for (const Strip& strip : strips_) {
            view_.fillColumn(strip.stripX, strip.wallTop, strip.wallHeight,
                             target.pixel(plainWallColour(strip.hit)));
        }
    } else {
        const TextureSet& columns = textureColumnsIn(target.format(), textures);
        for (const Strip& strip : strips_) {
            const int element = textureElement(strip.hit.wallCode);
            const Surface& texture = columns[element];
            const bool inside = strip.hit.texColumn >= 0 &&
                                strip.hit.texColumn < texture.height() &&
                                texture.width() >= kTextureSize;
            ViewDrawer::TexelRuns runs{};
            if (inside) {
                const auto column = static_cast<std::size_t>(strip.hit.texColumn);
                runs = {&runStarts_[element][column * kTextureSize], runCounts_[element][column]};
            }
            view_.stretchColumn(strip.stripX, strip.wallTop, strip.wallHeight,
                                inside ? texture.row(strip.hit.texColumn) : nullptr, 1, runs);
        }
    }
    view_.draw(target);
    // [/learn:frame]
}

const TextureSet& FrameDrawer::textureColumnsIn(PixelFormat format, const TextureSet& textures) {
    if (columnsFrom_ != &textures || columnsFormat_ != format) {
        for (std::size_t k = 0; k < textures.size(); ++k) {
            const Surface& source = textures[k];
            Surface& columns = columns_[k];
            columns = Surface(source.height(), source.width(), kBlack, format);
            for (int y = 0; y < source.height(); ++y) {
                for (int x = 0; x < source.width(); ++x) {
                    columns.set(y, x, GetPixel(source, x, y));
                }
            }
            // Each column's runs of one colour: where each starts.
            const auto columnCount = static_cast<std::size_t>(columns.height());
            runStarts_[k].assign(columnCount * kTextureSize, 0);
            runCounts_[k].assign(columnCount, 0);
            for (std::size_t c = 0; c < columnCount && columns.width() >= kTextureSize; ++c) {
                const Colour* texels = columns.row(static_cast<int>(c));
                int& count = runCounts_[k][c];
                for (int t = 0; t < kTextureSize; ++t) {
                    if (t == 0 || texels[t] != texels[t - 1]) {
                        runStarts_[k][c * kTextureSize + static_cast<std::size_t>(count++)] =
                            static_cast<std::uint8_t>(t);
                    }
                }
            }
        }
        columnsFrom_ = &textures;
        columnsFormat_ = format;
    }
    return columns_;
}

}  // namespace quellon
