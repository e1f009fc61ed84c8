// The view drawer against the plain stretched copy: whole frames of random strips, drawn both
// ways, must come out the same pixel for pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "render/raycast.h"
#include "render/view_drawer.h"
#include "world/textures.h"

namespace quellon {
namespace {

struct RandomStrip {
    int stripX;
    std::int32_t wallTop;
    std::int32_t wallHeight;
    int element;
    int texColumn;
};

std::string describe(const RandomStrip& s) {
    std::ostringstream out;
    out << "strip at " << s.stripX << ": top " << s.wallTop << ", height " << s.wallHeight
        << ", element " << s.element << ", column " << s.texColumn;
    return out.str();
}

class ViewDrawerTest : public ::testing::Test {
  protected:
    ViewDrawerTest() {
        // Every texel a colour of its own, so a wrong texel never passes for a right one.
        for (int k = 1; k < kTextureCount; ++k) {
            textures[k] = Surface(kTextureSize, kTextureSize);
            for (int y = 0; y < kTextureSize; ++y) {
                for (int x = 0; x < kTextureSize; ++x) {
                    textures[k].set(x, y,
                                    rgb(static_cast<std::uint8_t>(x * 4 + k),
                                        static_cast<std::uint8_t>(y * 4), 0x80));
                }
            }
        }
        textures[0] = textures[1];
        // A holder whose image failed to load: both ways must refuse its copies.
        broken = Surface(1, 1);
    }

    // One strip as a frame might have it: mostly a wall centred in the view, sometimes one
    // far above or below it, far taller than it, or one the copy refuses.
    RandomStrip randomStrip(int stripX, int height) {
        auto pick = [&](std::int64_t lo, std::int64_t hi) {
            return std::uniform_int_distribution<std::int64_t>(lo, hi)(random);
        };
        RandomStrip s{stripX, 0, 0, static_cast<int>(pick(0, kTextureCount - 1)),
                      static_cast<int>(pick(0, kTextureSize - 1))};
        switch (pick(0, 9)) {
            case 0:  // taller than the view by far, up to the renderer's limit
                s.wallHeight = static_cast<std::int32_t>(pick(height, kMaxWallHeightPx));
                break;
            case 1:  // an empty or negative height: the copy is refused
                s.wallHeight = static_cast<std::int32_t>(pick(-3, 0));
                break;
            default:
                s.wallHeight = static_cast<std::int32_t>(pick(1, 3 * height + 70));
                break;
        }
        switch (pick(0, 7)) {
            case 0:  // anywhere, far above or below the view included
                s.wallTop = static_cast<std::int32_t>(pick(-kMaxWallHeightPx, kMaxWallHeightPx));
                break;
            case 1:
                s.wallTop = static_cast<std::int32_t>(pick(-s.wallHeight - 2, height + 2));
                break;
            default:  // centred, as the projection puts it
                s.wallTop = static_cast<std::int32_t>(height / 2 - s.wallHeight / 2);
                break;
        }
        if (pick(0, 60) == 0) {
            s.texColumn = static_cast<int>(pick(0, 1)) == 0 ? -1 : kTextureSize;
        }
        return s;
    }

    const Surface& textureFor(const RandomStrip& s) const {
        return s.element == kTextureCount ? broken : textures[s.element];
    }

    TextureSet textures;
    Surface broken;
    std::mt19937_64 random{20261208};
};

TEST_F(ViewDrawerTest, FramesOfRandomStripsMatchThePlainStretchedCopyPixelForPixel) {
    constexpr Colour kBackground = rgb(3, 2, 1);
    constexpr Colour kStale = rgb(0xEE, 0x11, 0xEE);  // what the target held before
    ViewDrawer drawer;
    std::vector<RandomStrip> strips;
    int frames = 0;
    for (int width = 1; width <= 4000; ++width) {
        // Mostly short views so every width fits in the time; now and then a tall one.
        const int height = width % 97 == 0 ? 300 + width % 400 : 1 + width % 23;
        strips.clear();
        for (int x = 0; x <= width; x += kStripWidthPx) {
            strips.push_back(randomStrip(x, height));
            if (width % 13 == 0 && strips.size() == 2) {
                strips.back().element = kTextureCount;  // the broken holder
            }
        }
        Surface expected(width, height, kBackground);
        Surface drawn(width, height, kStale);
        drawer.clear(kBackground);
        for (const RandomStrip& s : strips) {
            const bool copied =
                StretchBlt(expected, s.stripX, s.wallTop, kStripWidthPx, s.wallHeight,
                           textureFor(s), s.texColumn, 0, 1, kTextureSize);
            const bool given =
                drawer.stretchColumn(s.stripX, s.wallTop, s.wallHeight, textureFor(s), s.texColumn);
            ASSERT_EQ(given, copied) << describe(s) << " of a view " << width << "x" << height;
        }
        drawer.draw(drawn);
        ++frames;
        if (drawn == expected) {
            continue;
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(drawn.at(x, y), expected.at(x, y))
                    << "pixel " << x << "," << y << " of a view " << width << "x" << height << ", "
                    << describe(strips[static_cast<std::size_t>(x / kStripWidthPx)]);
            }
        }
    }
    EXPECT_EQ(frames, 4000);
}

TEST_F(ViewDrawerTest, StripsOutOfOrderAreRefusedAndMissingOnesStayBackground) {
    ViewDrawer drawer;
    drawer.clear(kBlack);
    EXPECT_FALSE(drawer.stretchColumn(3, 0, 10, textures[2], 5)) << "the first strip is at 0";
    EXPECT_TRUE(drawer.stretchColumn(0, 0, 10, textures[2], 5));
    EXPECT_FALSE(drawer.stretchColumn(0, 0, 10, textures[2], 5)) << "the same strip twice";
    EXPECT_FALSE(drawer.stretchColumn(6, 0, 10, textures[2], 5)) << "a strip skipped";
    Surface drawn(9, 10, kWhite);
    drawer.draw(drawn);
    Surface expected(9, 10, kBlack);
    StretchBlt(expected, 0, 0, kStripWidthPx, 10, textures[2], 5, 0, 1, kTextureSize);
    EXPECT_EQ(drawn, expected);
    // Beyond the widest surface nothing can be seen, and nothing more is kept.
    drawer.clear(kBlack);
    int accepted = 0;
    for (int x = 0; x < 2 * Surface::kMaxSidePx; x += kStripWidthPx) {
        accepted += drawer.stretchColumn(x, 0, 1, textures[1], 0) ? 1 : 0;
    }
    EXPECT_EQ(accepted, (Surface::kMaxSidePx + kStripWidthPx - 1) / kStripWidthPx);
}

}  // namespace
}  // namespace quellon
