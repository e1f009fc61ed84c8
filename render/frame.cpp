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
            view_.stretchColumn(
                strip.stripX, strip.wallTop, strip.wallHeight,
                inside ? texture.row(strip.hit.texColumn) : nullptr, 1,
                inside ? &runEnds_[element][std::size_t{kTextureSize} * strip.hit.texColumn]
                       : nullptr);
        }
    }
    view_.draw(target);
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
            // Each column's runs of one colour, found from its bottom up.
            std::vector<std::uint8_t>& ends = runEnds_[k];
            ends.assign(std::size_t{kTextureSize} * static_cast<std::size_t>(columns.height()), 0);
            for (int c = 0; c < columns.height() && columns.width() >= kTextureSize; ++c) {
                const Colour* texels = columns.row(c);
                std::uint8_t* end = &ends[std::size_t{kTextureSize} * static_cast<std::size_t>(c)];
                end[kTextureSize - 1] = kTextureSize;
                for (int t = kTextureSize - 2; t >= 0; --t) {
                    end[t] =
                        texels[t] == texels[t + 1] ? end[t + 1] : static_cast<std::uint8_t>(t + 1);
                }
            }
        }
        columnsFrom_ = &textures;
        columnsFormat_ = format;
    }
    return columns_;
}

}  // namespace quellon
