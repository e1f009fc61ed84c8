// The wall texture painter, the checked-in images it produced, and the PNG writer.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "assets/images.h"
#include "formats/bmp.h"
#include "formats/png.h"
#include "gfx/surface.h"
#include "tools/textures/texture_painter.h"

// The source tree, where assets/ lives; the build passes it in.
#ifndef QUELLON_SOURCE_DIR
#define QUELLON_SOURCE_DIR "."
#endif

namespace quellon {
namespace {

constexpr int kSide = kTextureSize;

struct Channels {
    int r;
    int g;
    int b;
};
Channels channels(Colour c) {
    return {redOf(c), greenOf(c), blueOf(c)};
}
int luminance(Colour c) {
    return (redOf(c) + greenOf(c) + blueOf(c)) / 3;
}

// Percentage of the texture's pixels for which `test` holds.
template <typename Test>
int percentWhere(const Surface& s, Test test) {
    int count = 0;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            count += test(channels(s.at(x, y))) ? 1 : 0;
        }
    }
    return count * 100 / (s.width() * s.height());
}

bool isRed(Channels c) {
    return c.r > 100 && c.r > 2 * c.g && c.r > 2 * c.b;
}
bool isBlueDominant(Channels c) {
    return c.b > c.r + 10 && c.b > c.g + 10;
}
bool isBrown(Channels c) {
    return c.r > c.g && c.g > c.b && c.r - c.b >= 20;
}
bool isSlimeGreen(Channels c) {
    return c.g > c.r && c.g > c.b + 50 && c.r > c.b + 20;
}
bool isGrey(Channels c) {
    return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}) <= 16;
}
bool isGold(Channels c) {
    return c.r > 150 && c.g > 110 && c.b < 110 && c.r > c.g && c.g > c.b;
}

std::string describe(Colour c) {
    return "rgb(" + std::to_string(redOf(c)) + "," + std::to_string(greenOf(c)) + "," +
           std::to_string(blueOf(c)) + ")";
}

// Summed colour difference between column x and the column to its right, wrapping.
int columnStep(const Surface& s, int x) {
    const int next = (x + 1) % s.width();
    int sum = 0;
    for (int y = 0; y < s.height(); ++y) {
        const Channels a = channels(s.at(x, y));
        const Channels b = channels(s.at(next, y));
        sum += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
    }
    return sum;
}

class EveryTexture : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Codes, EveryTexture,
                         ::testing::Range<int>(kFirstWallCode, kLastWallCode + 1),
                         [](const auto& p) { return "Code" + std::to_string(p.param); });

TEST_P(EveryTexture, IsASquareOfTheTextureSide) {
    const Surface s = paintTexture(GetParam());
    EXPECT_EQ(s.width(), kSide);
    EXPECT_EQ(s.height(), kSide);
}

TEST_P(EveryTexture, HasDetailAndContrast) {
    const Surface s = paintTexture(GetParam());
    std::set<Colour> distinct;
    int darkest = 255;
    int brightest = 0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            distinct.insert(s.at(x, y));
            darkest = std::min(darkest, luminance(s.at(x, y)));
            brightest = std::max(brightest, luminance(s.at(x, y)));
        }
    }
    EXPECT_GE(distinct.size(), 150u)
        << "expected a textured surface, found only " << distinct.size() << " distinct colours";
    EXPECT_GE(brightest - darkest, 80)
        << "expected strong shapes; luminance only spans " << darkest << ".." << brightest;
}

// Where column 63 meets column 0 of the next wall cell there must be no edge stronger than
// the ordinary ones inside the texture (block joints, plank seams, the rims of the pictures).
TEST_P(EveryTexture, TilesAcrossTheSeam) {
    const Surface s = paintTexture(GetParam());
    std::vector<int> inside;
    for (int x = 0; x + 1 < kSide; ++x) {
        inside.push_back(columnStep(s, x));
    }
    std::sort(inside.begin(), inside.end());
    const int limit = inside[inside.size() * 95 / 100];
    EXPECT_LE(columnStep(s, kSide - 1), limit)
        << "the step from column 63 to column 0 stands out: expected at most the 95th "
           "percentile of the steps between neighbouring columns";
}

TEST_P(EveryTexture, StaysInADarkPalette) {
    const Surface s = paintTexture(GetParam());
    long sum = 0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            sum += luminance(s.at(x, y));
        }
    }
    const long mean = sum / (long{kSide} * kSide);
    EXPECT_GE(mean, 35) << "expected a dim but visible wall, mean luminance is " << mean;
    EXPECT_LE(mean, 120) << "expected a dark dungeon wall, mean luminance is " << mean;
}

TEST(TexturePainter, RepaintsIdenticallyWhateverTheOrder) {
    std::vector<Surface> forwards;
    for (int code = kFirstWallCode; code <= kLastWallCode; ++code) {
        forwards.push_back(paintTexture(code));
    }
    for (int code = kLastWallCode; code >= kFirstWallCode; --code) {
        EXPECT_TRUE(paintTexture(code) == forwards[code - kFirstWallCode])
            << "texture " << code << " came out different when painted a second time";
    }
}

TEST(TexturePainter, TexturesDifferFromEachOther) {
    for (int a = kFirstWallCode; a <= kLastWallCode; ++a) {
        for (int b = a + 1; b <= kLastWallCode; ++b) {
            EXPECT_FALSE(paintTexture(a) == paintTexture(b))
                << "textures " << a << " and " << b << " are identical";
        }
    }
}

TEST(TexturePainter, RejectsCodesThatAreNotWalls) {
    for (int code : {0, -1, kLastWallCode + 1, 1000}) {
        EXPECT_THROW(paintTexture(code), std::out_of_range) << "code " << code;
    }
}

TEST(TextureLooks, SlimeDripsDownDarkStone) {
    const Surface s = paintTexture(1);
    const int slime = percentWhere(s, isSlimeGreen);
    EXPECT_GE(slime, 15) << "expected yellow-green slime on a good part of the wall, found "
                         << slime << "%";
    EXPECT_LE(slime, 50) << "expected the stone to show through the slime, but " << slime
                         << "% is slime";
    // It runs down from the top: the top rows are nearly covered, the bottom rows much less.
    int top = 0;
    int bottom = 0;
    for (int x = 0; x < kSide; ++x) {
        for (int y = 0; y < 8; ++y) {
            top += isSlimeGreen(channels(s.at(x, y))) ? 1 : 0;
            bottom += isSlimeGreen(channels(s.at(x, kSide - 1 - y))) ? 1 : 0;
        }
    }
    EXPECT_GE(top, 8 * kSide * 6 / 10) << "expected the top 8 rows mostly slimed, found " << top
                                       << " of " << 8 * kSide << " pixels";
    EXPECT_LE(bottom * 3, top) << "expected far less slime low down: " << bottom
                               << " pixels in the bottom 8 rows against " << top << " at the top";
    // The stone itself is dark grey.
    long stoneSum = 0;
    int stoneCount = 0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            if (isGrey(channels(s.at(x, y)))) {
                stoneSum += luminance(s.at(x, y));
                ++stoneCount;
            }
        }
    }
    ASSERT_GT(stoneCount, kSide * kSide / 3) << "expected mostly grey stone besides the slime";
    EXPECT_LE(stoneSum / stoneCount, 80)
        << "expected dark stone, mean grey luminance is " << stoneSum / stoneCount;
}

TEST(TextureLooks, PlainStoneIsGreyWithDarkBedJoints) {
    const Surface s = paintTexture(2);
    EXPECT_EQ(percentWhere(s, isGrey), 100) << "expected every pixel of the plain wall grey";
    // Bed joints run the whole width: rows that are dark nearly all the way across.
    int jointRows = 0;
    for (int y = 0; y < kSide; ++y) {
        int dark = 0;
        for (int x = 0; x < kSide; ++x) {
            dark += luminance(s.at(x, y)) < 60 ? 1 : 0;
        }
        jointRows += dark >= kSide * 9 / 10 ? 1 : 0;
    }
    EXPECT_GE(jointRows, 6) << "expected at least three two-pixel bed joints, found " << jointRows
                            << " dark rows";
    // Head joints are staggered: each course has its own, so the dark columns change from
    // course to course instead of running from top to bottom.
    for (int x = 0; x < kSide; ++x) {
        int dark = 0;
        for (int y = 0; y < kSide; ++y) {
            dark += luminance(s.at(x, y)) < 60 ? 1 : 0;
        }
        EXPECT_LT(dark, kSide * 3 / 4) << "column " << x << " is a joint nearly top to bottom";
    }
}

TEST(TextureLooks, RedBannerWithForkedHemHangsOverStone) {
    const Surface s = paintTexture(3);
    const int red = percentWhere(s, isRed);
    EXPECT_GE(red, 15) << "expected a substantial area of red banner, found " << red << "%";
    // The banner hangs in the middle from near the top; the stone shows at both sides.
    EXPECT_TRUE(isRed(channels(s.at(26, 10))))
        << "expected banner red at (26, 10), found " << describe(s.at(26, 10));
    for (int y = 0; y < kSide; ++y) {
        for (int x : {0, 1, 2, 61, 62, 63}) {
            EXPECT_FALSE(isRed(channels(s.at(x, y))))
                << "expected stone at the edge, found red at (" << x << ", " << y << ")";
        }
    }
    // The hem is forked: the cloth reaches lower a little in from its sides than at its
    // middle, and does not reach the floor.
    const auto lowestRed = [&](int x) {
        for (int y = kSide - 1; y >= 0; --y) {
            if (isRed(channels(s.at(x, y)))) {
                return y;
            }
        }
        return -1;
    };
    const int middle = std::max(lowestRed(31), lowestRed(32));
    const int tail = std::max(lowestRed(21), lowestRed(42));
    EXPECT_GE(tail - middle, 6) << "expected a forked hem: red ends at row " << middle
                                << " in the middle and row " << tail << " near the sides";
    EXPECT_LT(tail, kSide - 2) << "expected the banner to hang clear of the floor";
}

TEST(TextureLooks, BlueStoneAroundABarredDarkDoor) {
    const Surface s = paintTexture(4);
    const int blue = percentWhere(s, isBlueDominant);
    EXPECT_GE(blue, 75) << "expected a mostly blue wall, found " << blue << "% blue-dominant";
    // Across the door, halfway down, dark gaps alternate with lit iron bars.
    const int y = 40;
    int bars = 0;
    bool inBar = false;
    for (int x = 0; x < kSide; ++x) {
        const int l = luminance(s.at(x, y));
        if (!inBar && l > 100) {
            ++bars;
            inBar = true;
        } else if (inBar && l < 40) {
            inBar = false;
        }
    }
    EXPECT_GE(bars, 4) << "expected at least 4 lit bars with dark gaps along row " << y
                       << ", found " << bars;
    // Between the bars the cell beyond shows near black from the arch down; no column of the
    // stone beside the door is that dark.
    const auto darkColumn = [&](int x) {
        std::vector<int> values;
        for (int yy = 16; yy < kSide; ++yy) {
            values.push_back(luminance(s.at(x, yy)));
        }
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        return values[values.size() / 2] < 25;
    };
    int inDoor = 0;
    for (int x = 16; x < 48; ++x) {
        inDoor += darkColumn(x) ? 1 : 0;
    }
    EXPECT_GE(inDoor, 8) << "expected the gaps between the bars dark, found " << inDoor
                         << " dark columns in the middle";
    for (int x : {0, 3, 6, 9, 12, 51, 54, 57, 60, 63}) {
        EXPECT_FALSE(darkColumn(x)) << "expected lit stone beside the door in column " << x;
    }
}

TEST(TextureLooks, GiltFramedLandscapeOnBrownPanelling) {
    const Surface s = paintTexture(5);
    const int brown = percentWhere(s, isBrown);
    EXPECT_GE(brown, 50) << "expected mostly brown wood, found " << brown << "%";
    // The gold frame is centred on the wall.
    int left = kSide;
    int right = -1;
    int top = kSide;
    int bottom = -1;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            if (isGold(channels(s.at(x, y)))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(right, 0) << "expected a gilt frame, found no gold pixels";
    EXPECT_LE(std::abs((left + right) - (kSide - 1)), 4)
        << "expected the frame centred, it spans columns " << left << ".." << right;
    EXPECT_GE(right - left, 24) << "expected a frame big enough to read, it spans columns " << left
                                << ".." << right;
    // Inside it a landscape: sky above, green land below.
    int sky = 0;
    int land = 0;
    for (int y = top + 4; y <= bottom - 4; ++y) {
        for (int x = left + 4; x <= right - 4; ++x) {
            const Channels c = channels(s.at(x, y));
            const bool upper = y < (top + bottom) / 2;
            sky += upper && c.b > c.r + 30 ? 1 : 0;
            land += !upper && c.g > c.r + 20 && c.g > c.b + 20 ? 1 : 0;
        }
    }
    EXPECT_GE(sky, 40) << "expected blue sky in the upper half of the picture, found " << sky
                       << " pixels";
    EXPECT_GE(land, 100) << "expected green land in the lower half of the picture, found " << land
                         << " pixels";
}

// ---- The checked-in images ----------------------------------------------------------------

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string assetPath(int index) {
    return std::string(QUELLON_SOURCE_DIR) + "/assets/texture" + std::to_string(index) + ".bmp";
}

// Catches a change to the painter that was not followed by regenerating assets/ with
// quellon-paint-textures.
TEST(CheckedInTextures, MatchWhatThePainterPaintsNow) {
    ASSERT_EQ(assets::carriedTextureCount(), kTextureCount)
        << "assets/CMakeLists.txt must carry one texture image per element";
    for (int index = 0; index < kTextureCount; ++index) {
        const std::string path = assetPath(index);
        const std::vector<std::uint8_t> file = readFile(path);
        ASSERT_EQ(file.size(), 12342u) << path << ": expected a 64x64 24-bit BMP of 12342 bytes";
        const BmpResult decoded = decodeBmp(file);
        ASSERT_TRUE(decoded.ok()) << path << ": " << decoded.error;
        const int code = std::max<int>(index, kFirstWallCode);
        const Surface painted = paintTexture(code);
        ASSERT_EQ(decoded.image.width(), painted.width()) << path;
        ASSERT_EQ(decoded.image.height(), painted.height()) << path;
        int differing = 0;
        std::string first;
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                if (decoded.image.at(x, y) != painted.at(x, y)) {
                    if (differing++ == 0) {
                        first.append("(").append(std::to_string(x)).append(", ");
                        first.append(std::to_string(y)).append("): file ");
                        first.append(describe(decoded.image.at(x, y))).append(", painter ");
                        first.append(describe(painted.at(x, y)));
                    }
                }
            }
        }
        EXPECT_EQ(differing, 0) << path << " differs from paintTexture(" << code << ") in "
                                << differing << " pixels, first at " << first
                                << "; rerun quellon-paint-textures on assets/";
    }
}

TEST(CheckedInTextures, TextureZeroIsACopyOfTextureOne) {
    EXPECT_TRUE(readFile(assetPath(0)) == readFile(assetPath(1)))
        << "expected assets/texture0.bmp byte for byte equal to assets/texture1.bmp";
}

// ---- PNG ----------------------------------------------------------------------------------

// A surface whose every pixel differs from its neighbours, so that misplaced bytes show.
Surface patterned(int width, int height) {
    Surface s(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            s.set(x, y,
                  rgb(static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(y * 13),
                      static_cast<std::uint8_t>(x ^ (y * 3))));
        }
    }
    return s;
}

// What the writer writes, the reader reads back pixel for pixel, at sizes from a single pixel
// to rows wider than a deflate block holds.
TEST(PngEncoder, ReadsBackPixelForPixel) {
    for (const auto& [width, height] :
         {std::pair{1, 1}, {3, 2}, {64, 64}, {1456, 15}, {1456, 31}, {200, 120}}) {
        const Surface image = patterned(width, height);
        const PngResult read = decodePng(encodePng(image));
        ASSERT_TRUE(read.ok()) << width << "x" << height << ": " << read.error;
        EXPECT_TRUE(read.image == image) << width << "x" << height << " reads back otherwise";
    }
}

TEST(PngEncoder, GivesNothingForAnImageWithoutPixels) {
    EXPECT_TRUE(encodePng(Surface{}).empty());
    EXPECT_TRUE(encodePng(Surface(0, 5)).empty());
}

}  // namespace
}  // namespace quellon
