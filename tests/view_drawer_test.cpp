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
        // Mostly every texel a colour of its own, so a wrong texel never passes for a right one;
        // the odd elements in runs of one colour down each column, 1 to 7 texels long.
        for (int k = 1; k < kTextureCount; ++k) {
            textures[k] = Surface(kTextureSize, kTextureSize);
            for (int y = 0; y < kTextureSize; ++y) {
                for (int x = 0; x < kTextureSize; ++x) {
                    const int shade = k % 2 == 1 ? y / (1 + x % 7) * (1 + x % 7) : y;
                    textures[k].set(x, y,
                                    rgb(static_cast<std::uint8_t>(x * 4 + k),
                                        static_cast<std::uint8_t>(shade * 4), 0x80));
                }
            }
        }
        textures[0] = textures[1];
        // The same textures column by column, with each column's runs, as frames give them.
        for (int k = 0; k < kTextureCount; ++k) {
            for (int x = 0; x < kTextureSize; ++x) {
                for (int y = 0; y < kTextureSize; ++y) {
                    columns[k][x][y] = textures[k].at(x, y);
                    if (y == 0 || textures[k].at(x, y) != textures[k].at(x, y - 1)) {
                        runStarts[k][x][runCounts[k][x]++] = static_cast<std::uint8_t>(y);
                    }
                }
            }
        }
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
    Colour columns[kTextureCount][kTextureSize][kTextureSize];
    std::uint8_t runStarts[kTextureCount][kTextureSize][kTextureSize] = {};
    int runCounts[kTextureCount][kTextureSize] = {};
    Surface broken;
    std::mt19937_64 random{20261208};
};

// Whole frames of random strips, drawn by the drawer and by the plain stretched copy (and, for
// walls of one colour, the rectangle fill), at every width from 1 to 4000, with strips of every
// width the rules allow, rows stored plainly and streamed, textures given as images and column by
// column with their runs, runs of neighbours with the same wall, and targets that lie over
// wider rows.
TEST_F(ViewDrawerTest, FramesOfRandomStripsMatchThePlainStretchedCopyPixelForPixel) {
    constexpr Colour kBackground = rgb(3, 2, 1);
    constexpr Colour kStale = rgb(0xEE, 0x11, 0xEE);  // what the target held before
    constexpr int kStripWidths[] = {3, 1, 3, 2, 3, 5, 3, 16, 3, 4, 3, 8};
    ViewDrawer drawer;
    std::vector<RandomStrip> strips;
    std::vector<Colour> rows;
    int frames = 0;
    for (int width = 1; width <= 4000; ++width) {
        // Mostly short views so every width fits in the time; now and then a tall one.
        const int height = width % 97 == 0 ? 300 + width % 400 : 1 + width % 23;
        const int stripWidth = kStripWidths[width % std::size(kStripWidths)];
        const bool plainWalls = width % 5 == 0;
        drawer.useStores(width % 2 == 0 ? ViewDrawer::Stores::kStreaming
                                        : ViewDrawer::Stores::kPlain);
        strips.clear();
        for (int x = 0; x <= width; x += stripWidth) {
            strips.push_back(randomStrip(x, height));
            // Neighbours that share a ray have the same wall; some differ from it in one thing.
            if (const auto kept = random() % 8; strips.size() > 1 && kept < 5) {
                RandomStrip& s = strips.back();
                const RandomStrip& left = strips[strips.size() - 2];
                s = RandomStrip{x, left.wallTop + (kept == 1), left.wallHeight + (kept == 2),
                                (left.element + (kept == 3)) % kTextureCount,
                                left.texColumn + (kept == 4)};
            }
            if (width % 13 == 0 && strips.size() == 2) {
                strips.back().element = kTextureCount;  // the broken holder
            }
        }
        Surface expected(width, height, kBackground);
        // Every third target lies over rows wider than itself, as a window's image beside a
        // panel does.
        const int stride = width % 3 == 0 ? width + 4 : width;
        rows.assign(static_cast<std::size_t>(stride) * height, kStale);
        Surface drawn = Surface::over(rows.data(), width, height, stride, PixelFormat::kXbgr);
        drawer.clear(kBackground, stripWidth);
        for (const RandomStrip& s : strips) {
            if (plainWalls) {
                const Colour colour = rgb(static_cast<std::uint8_t>(s.texColumn), 7, 9);
                if (s.wallHeight > 0) {
                    fillRect(expected, s.stripX, s.wallTop, stripWidth, s.wallHeight, colour);
                }
                EXPECT_EQ(drawer.fillColumn(s.stripX, s.wallTop, s.wallHeight, colour),
                          s.wallHeight > 0);
                continue;
            }
            const bool copied = StretchBlt(expected, s.stripX, s.wallTop, stripWidth, s.wallHeight,
                                           textureFor(s), s.texColumn, 0, 1, kTextureSize);
            // Every fourth frame gives its textures column by column, with their run ends.
            const bool byColumn = width % 4 == 1 && s.element < kTextureCount && s.texColumn >= 0 &&
                                  s.texColumn < kTextureSize;
            const bool given =
                byColumn
                    ? drawer.stretchColumn(s.stripX, s.wallTop, s.wallHeight,
                                           columns[s.element][s.texColumn], 1,
                                           ViewDrawer::TexelRuns{runStarts[s.element][s.texColumn],
                                                                 runCounts[s.element][s.texColumn]})
                    : drawer.stretchColumn(s.stripX, s.wallTop, s.wallHeight, textureFor(s),
                                           s.texColumn);
            ASSERT_EQ(given, copied) << describe(s) << " of a view " << width << "x" << height;
        }
        drawer.draw(drawn);
        ++frames;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(drawn.at(x, y), expected.at(x, y))
                    << "pixel " << x << "," << y << " of a view " << width << "x" << height
                    << ", strips " << stripWidth << " wide, "
                    << describe(strips[static_cast<std::size_t>(x / stripWidth)]);
            }
            for (int x = width; x < stride; ++x) {
                ASSERT_EQ(rows[static_cast<std::size_t>(y) * stride + x], kStale)
                    << "the drawer wrote past the view's width in row " << y;
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
