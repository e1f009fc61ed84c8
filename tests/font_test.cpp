// The built-in font: what each glyph looks like in its cell, and how drawText places, colours
// and clips text.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gfx/font.h"

namespace quellon::font {
namespace {

constexpr int kW = kGlyphWidthPx;
constexpr int kH = kLineHeightPx;

// The lit pixels, in cell coordinates, of one byte drawn with a free cell on every side, so
// that ink escaping its cell shows too.
std::vector<std::pair<int, int>> inkOf(int byte) {
    Surface surface(3 * kW, 3 * kH, kBlack);
    const char text = static_cast<char>(byte);
    drawText(surface, kW, kH, std::string_view(&text, 1), kWhite);
    std::vector<std::pair<int, int>> ink;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            if (surface.at(x, y) != kBlack) {
                ink.emplace_back(x - kW, y - kH);
            }
        }
    }
    return ink;
}

std::string name(int byte) {
    return byte > 0x20 && byte < 0x7F ? std::string{'\'', static_cast<char>(byte), '\''}
                                      : "byte " + std::to_string(byte);
}

// A background in which no two pixels are alike, so that any stray write shows.
Surface patterned(int width, int height) {
    Surface surface(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            surface.set(x, y, rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 77));
        }
    }
    return surface;
}

// Where two surfaces of one size first differ, or "" where they do not.
std::string firstDifference(const Surface& got, const Surface& want) {
    for (int y = 0; y < want.height(); ++y) {
        for (int x = 0; x < want.width(); ++x) {
            if (got.at(x, y) != want.at(x, y)) {
                char text[64];
                (void)std::snprintf(text, sizeof text, "(%d, %d) holds %06X, not %06X", x, y,
                                    got.at(x, y), want.at(x, y));
                return text;
            }
        }
    }
    return "";
}

TEST(FontGlyphs, EveryPrintableCharacterInksInsideItsCellLeavingTheGapsBlank) {
    EXPECT_TRUE(inkOf(' ').empty()) << "space should draw nothing";
    for (int c = 0x21; c <= 0x7E; ++c) {
        const auto ink = inkOf(c);
        EXPECT_FALSE(ink.empty()) << name(c) << " should draw something, drew nothing";
        for (const auto& [x, y] : ink) {
            // The last column is the gap to the next character, the last row to the next line.
            EXPECT_TRUE(x >= 0 && x < kW - 1 && y >= 0 && y < kH - 1)
                << name(c) << " should ink only columns 0.." << kW - 2 << " and rows 0.." << kH - 2
                << " of its cell, inked (" << x << ", " << y << ")";
        }
    }
}

TEST(FontGlyphs, NoTwoLookAlikeAndEveryOtherByteDrawsOneVisibleBox) {
    // The frame-rate digits above all, but any look-alike pair would be misread.
    std::vector<std::vector<std::pair<int, int>>> glyphs;
    for (int c = 0x20; c <= 0x7F; ++c) {  // 0x7F: the box
        glyphs.push_back(inkOf(c));
    }
    for (int a = 0; a < 0x60; ++a) {
        for (int b = a + 1; b < 0x60; ++b) {
            EXPECT_NE(glyphs[a], glyphs[b])
                << name(a + 0x20) << " and " << name(b + 0x20) << " look the same";
        }
    }
    EXPECT_FALSE(inkOf(0).empty()) << "byte 0 should draw a box, drew nothing";
    for (int byte = 0; byte <= 0xFF; ++byte) {
        if (byte < 0x20 || byte > 0x7E) {
            EXPECT_EQ(inkOf(byte), inkOf(0)) << name(byte) << " should draw the box of byte 0";
        }
    }
    // The capitals and digits share one height and baseline; descenders go below it.
    for (const char c : std::string_view("AHMTWZ0123456789")) {
        EXPECT_EQ(inkOf(c).front().second, 1) << name(c) << " should start on row 1";
        EXPECT_EQ(inkOf(c).back().second, 7) << name(c) << " should stand on row 7";
    }
    for (const char c : std::string_view("gjpqy")) {
        EXPECT_EQ(inkOf(c).back().second, 9) << name(c) << " should reach down to row 9";
    }
}

TEST(FontDraw, WritesOnlyGlyphPixelsInTheGivenColourCellAfterCell) {
    const Surface background = patterned(8 * kW, 2 * kH);
    Surface surface = background;
    EXPECT_EQ(drawText(surface, 1, 2, "Qu0 1fps", 0xFF123456), 1 + 8 * kW)
        << "should return the x after the 8th cell";
    Surface expected = background;  // the same, one character at a time
    for (int i = 0; i < 8; ++i) {
        drawText(expected, 1 + i * kW, 2, std::string_view("Qu0 1fps").substr(i, 1), 0x123456);
    }
    EXPECT_EQ(firstDifference(surface, expected), "") << "versus one character at a time";
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            ASSERT_TRUE(surface.at(x, y) == 0x123456 || surface.at(x, y) == background.at(x, y))
                << "(" << x << ", " << y << ") should hold the ink 123456 or its old colour, holds "
                << std::hex << surface.at(x, y);
        }
    }
    EXPECT_FALSE(surface == background) << "the text should have drawn something";
    EXPECT_EQ(drawText(surface, -5, 3, "", kWhite), -5) << "empty text should advance nothing";
}

TEST(FontClip, TextOverAnyEdgeShowsExactlyItsVisiblePart) {
    constexpr int kWidth = 20, kHeight = 15, kMargin = 40;
    const Surface background = patterned(kWidth, kHeight);
    for (int y = -kH - 1; y <= kHeight + 1; ++y) {
        for (int x = -6 * kW; x <= kWidth + 1; ++x) {
            // Drawn whole into a larger surface, then the small one's window of it cut out.
            Surface whole(kWidth + 2 * kMargin, kHeight + 2 * kMargin, kBlack);
            drawText(whole, x + kMargin, y + kMargin, "g@W|j", kWhite);
            Surface expected = background;
            for (int py = 0; py < kHeight; ++py) {
                for (int px = 0; px < kWidth; ++px) {
                    if (whole.at(px + kMargin, py + kMargin) == kWhite) {
                        expected.set(px, py, kWhite);
                    }
                }
            }
            Surface surface = background;
            EXPECT_EQ(drawText(surface, x, y, "g@W|j", kWhite), x + 5 * kW);
            ASSERT_EQ(firstDifference(surface, expected), "")
                << "text at (" << x << ", " << y << "), nothing wrapped or stray";
        }
    }
}

TEST(FontClip, FarAwayOrVeryLongTextIsSafeAndItsAdvanceSaturates) {
    const Surface background = patterned(40, 20);
    const int far[] = {INT_MIN, INT_MIN + 3, -1000000000, -100, 1000000000, INT_MAX - 3, INT_MAX};
    for (const int x : far) {
        for (const int y : far) {
            Surface surface = background;
            drawText(surface, x, y, "0123456789", kWhite);
            EXPECT_EQ(firstDifference(surface, background), "")
                << "text at (" << x << ", " << y << ") should draw nothing";
        }
    }
    Surface surface = background;
    EXPECT_EQ(drawText(surface, INT_MAX - 3, 0, "abc", kWhite), INT_MAX) << "should saturate";
    EXPECT_EQ(drawText(surface, INT_MIN, 0, "ab", kWhite), INT_MIN + 2 * kW);
    Surface none;
    EXPECT_EQ(drawText(none, -3, 0, "fps", kWhite), -3 + 3 * kW) << "an empty surface is safe";

    // Cell 1000 starts at x = 2: of the cells before it only cell 999 reaches x = 0.
    std::string text(1000, 'x');
    EXPECT_EQ(drawText(surface, 2 - 1000 * kW, 0, text + "Hi 9", kWhite), 2 + 4 * kW);
    Surface expected = background;
    drawText(expected, 2 - kW, 0, "xHi 9", kWhite);
    EXPECT_EQ(firstDifference(surface, expected), "") << "only \"xHi 9\" from x = -5 should show";
}

}  // namespace
}  // namespace quellon::font
