// The pixel surface: its pixel read and its stretched, clipped copy.
#include <gtest/gtest.h>

#include <climits>

#include "gfx/surface.h"

namespace quellon {
namespace {

// A 1 by 64 column whose row r has a colour that names it.
Surface numberedColumn() {
    Surface column(1, 64);
    for (int r = 0; r < 64; ++r) {
        column.set(0, r, rgb(static_cast<std::uint8_t>(r), 0x40, 0x80));
    }
    return column;
}

int rowOf(Colour c) {
    return redOf(c);
}

TEST(SurfaceTest, PixelReadReturnsTheStoredColourAsBgrAndNoColourOutside) {
    Surface s(4, 3);
    s.set(2, 1, rgb(0x12, 0x34, 0x56));
    EXPECT_EQ(GetPixel(s, 2, 1), 0x563412u);
    EXPECT_EQ(GetPixel(s, 0, 0), kBlack);
    s.set(3, 2, 0xFF123456);  // the top byte never survives
    EXPECT_EQ(GetPixel(s, 3, 2), 0x123456u);
    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {INT_MIN, INT_MAX}}) {
        EXPECT_EQ(GetPixel(s, x, y), kInvalidColour) << x << "," << y;
    }
}

TEST(SurfaceTest, SizesOfZeroAndBeyondTheLimitAreSafe) {
    Surface empty(0, 0);
    EXPECT_EQ(empty.width(), 0);
    EXPECT_EQ(GetPixel(empty, 0, 0), kInvalidColour);
    empty.fill(kWhite);
    Surface negative(-5, 7);
    EXPECT_EQ(negative.width(), 0);
    EXPECT_EQ(negative.height(), 7);
    Surface huge(Surface::kMaxSidePx + 1, 1);
    EXPECT_EQ(huge.width(), Surface::kMaxSidePx);
    const Surface column = numberedColumn();
    EXPECT_TRUE(StretchBlt(empty, 0, 0, 3, 64, column, 0, 0, 1, 64));
}

TEST(SurfaceTest, StretchedColumnScalesEvenlyOverTheStrip) {
    const Surface column = numberedColumn();
    for (const int height : {64, 128, 30, 1, 63, 65, 570}) {
        Surface dst(10, 600, kWhite);
        ASSERT_TRUE(StretchBlt(dst, 3, 5, 3, height, column, 0, 0, 1, 64));
        for (int y = 0; y < 600; ++y) {
            for (int x = 0; x < 10; ++x) {
                const bool inside = x >= 3 && x < 6 && y >= 5 && y < 5 + height;
                if (!inside) {
                    ASSERT_EQ(dst.at(x, y), kWhite)
                        << "outside the strip at " << x << "," << y << " for height " << height;
                    continue;
                }
                const int expected = (y - 5) * 64 / height;
                ASSERT_EQ(rowOf(dst.at(x, y)), expected)
                    << "row " << y - 5 << " of a column " << height << " tall";
            }
        }
        // The first and last rows come from the top and bottom of the source.
        EXPECT_EQ(rowOf(dst.at(4, 5)), 0);
        if (height >= 64) {
            EXPECT_EQ(rowOf(dst.at(4, 5 + height - 1)), 63);
        }
    }
}

TEST(SurfaceTest, StretchedCopyClipsAtEveryEdge) {
    const Surface column = numberedColumn();
    Surface dst(307, 285);
    // A column taller than the surface with a negative top: the visible rows are the middle.
    ASSERT_TRUE(StretchBlt(dst, 0, -142, 3, 570, column, 0, 0, 1, 64));
    EXPECT_EQ(rowOf(dst.at(0, 0)), 142 * 64 / 570);
    EXPECT_EQ(rowOf(dst.at(2, 284)), (284 + 142) * 64 / 570);
    // Beyond the right edge: the strip at x = 306 keeps one column, the one at 307 none.
    dst.fill(kBlack);
    ASSERT_TRUE(StretchBlt(dst, 306, 0, 3, 64, column, 0, 0, 1, 64));
    ASSERT_TRUE(StretchBlt(dst, 307, 0, 3, 64, column, 0, 0, 1, 64));
    EXPECT_EQ(rowOf(dst.at(306, 10)), 10);
    EXPECT_EQ(dst.at(305, 10), kBlack);
    // Far outside in every direction, and rectangles whose far edge leaves 32 bits.
    for (const auto& [x, y] : {std::pair{-1000, 0}, {0, -1000}, {100000, 0}, {0, 100000}}) {
        EXPECT_TRUE(StretchBlt(dst, x, y, 3, 64, column, 0, 0, 1, 64));
    }
    dst.fill(kBlack);
    ASSERT_TRUE(StretchBlt(dst, 0, -(1 << 29), 3, 1 << 30, column, 0, 0, 1, 64));
    EXPECT_EQ(rowOf(dst.at(0, 0)), 32) << "a wall at the eye shows the middle of the texture";
    ASSERT_TRUE(StretchBlt(dst, INT_MAX - 1, INT_MAX - 1, INT_MAX, INT_MAX, column, 0, 0, 1, 64));
}

TEST(SurfaceTest, StretchedCopyRefusesEmptyExtentsAndSourcesOutsideTheImage) {
    const Surface column = numberedColumn();
    Surface dst(8, 8, kWhite);
    EXPECT_FALSE(StretchBlt(dst, 0, 0, 3, 0, column, 0, 0, 1, 64));
    EXPECT_FALSE(StretchBlt(dst, 0, 0, -3, 8, column, 0, 0, 1, 64));
    EXPECT_FALSE(StretchBlt(dst, 0, 0, 3, 8, column, 1, 0, 1, 64));
    EXPECT_FALSE(StretchBlt(dst, 0, 0, 3, 8, column, 0, 1, 1, 64));
    EXPECT_FALSE(StretchBlt(dst, 0, 0, 3, 8, column, -1, 0, 1, 64));
    EXPECT_FALSE(StretchBlt(dst, 0, 0, 3, 8, Surface{}, 0, 0, 1, 64));
    EXPECT_EQ(dst, Surface(8, 8, kWhite)) << "a refused copy draws nothing";
}

TEST(SurfaceTest, WiderSourcesSampleEachDestinationColumnFromItsShareOfTheSource) {
    Surface src(4, 1);
    for (int x = 0; x < 4; ++x) {
        src.set(x, 0, rgb(static_cast<std::uint8_t>(x), 0, 0));
    }
    Surface dst(8, 1);
    ASSERT_TRUE(StretchBlt(dst, 0, 0, 8, 1, src, 0, 0, 4, 1));
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(rowOf(dst.at(x, 0)), x / 2) << "column " << x;
    }
}

}  // namespace
}  // namespace quellon
