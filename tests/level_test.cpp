// The level scan and the carried level image.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>

#include "app/frm_main.h"
#include "assets/images.h"
#include "gfx/bmp.h"
#include "tools/level_grid.h"
#include "world/level.h"

namespace quellon {
namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

WorldMap scanned(const Surface& image) {
    WorldMap map;
    scanLevel(map, image);
    return map;
}

Surface carriedLevel() {
    const BmpResult level = decodeBmp(assets::levelImage());
    EXPECT_TRUE(level.ok()) << level.error;
    return level.image;
}

TEST(LevelTest, CarriedImageIsTheShippedGridPixelForPixel) {
    EXPECT_EQ(assets::levelImage().size(), 12342u);
    const auto grid = levelImageFromGrid(readText(QUELLON_SOURCE_DIR "/assets/level.txt"));
    ASSERT_TRUE(grid.ok()) << grid.error;
    EXPECT_EQ(carriedLevel(), grid.image)
        << "assets/level.bmp is stale: regenerate it with quellon-make-level";
}

TEST(LevelTest, ScanOfTheShippedLevelCountsEveryCode) {
    const WorldMap map = scanned(carriedLevel());
    std::array<int, kCellCodes> counts{};
    for (int y = 0; y < kMapSize; ++y) {
        for (int x = 0; x < kMapSize; ++x) {
            ASSERT_GE(map(x, y), 0);
            ASSERT_LE(map(x, y), kLastWallCode);
            ++counts[static_cast<std::size_t>(map(x, y))];
        }
    }
    EXPECT_EQ(counts, (std::array<int, 6>{3615, 52, 364, 21, 24, 20}));
}

TEST(LevelTest, FirstIndexIsTheImageColumnAndBothAxesReachTheRing) {
    const WorldMap map = scanned(carriedLevel());
    EXPECT_EQ(map(10, 1), 1);
    EXPECT_EQ(map(1, 10), 0);
    EXPECT_EQ(map(2, 0), 4);
    EXPECT_EQ(map(0, 4), 3);
    EXPECT_EQ(map(2, 2), 0) << "the start cell is open";
    EXPECT_EQ(map(2, 12), 2);
    for (int i = 0; i < kMapSize; ++i) {
        EXPECT_NE(map(i, 0), 0);
        EXPECT_NE(map(i, 63), 0);
        EXPECT_NE(map(0, i), 0);
        EXPECT_NE(map(63, i), 0);
    }
}

TEST(LevelTest, ColoursOutsideTheTableTakeTheCodeScannedJustBefore) {
    Surface image(kMapSize, kMapSize, kLevelColours[2]);
    image.set(0, 0, rgb(1, 2, 3));  // very first cell: the code starts at 0
    image.set(5, 9, kLevelColours[3]);
    image.set(5, 10, rgb(254, 255, 255));  // one step from white is no colour
    image.set(7, 63, kLevelColours[4]);
    image.set(8, 0, rgb(0, 0, 1));          // top of a column: bottom of the last one
    image.set(9, 4, 0xFFFFFF | 0x1000000);  // set() keeps 24 bits: this is white
    const WorldMap map = scanned(image);
    EXPECT_EQ(map(0, 0), 0);
    EXPECT_EQ(map(0, 1), 2);
    EXPECT_EQ(map(5, 10), 3);
    EXPECT_EQ(map(8, 0), 4);
    EXPECT_EQ(map(9, 4), 2);
}

TEST(LevelTest, ScanOfAMissingImageReadsNoColourAnywhere) {
    // Every read fails, so every cell keeps the starting code: an all-open map.
    EXPECT_EQ(scanned(Surface{}), WorldMap{});
}

TEST(LevelTest, CellsOffTheGridCountAsWall) {
    const WorldMap open;
    EXPECT_EQ(open.cellOrWall(0, 0), 0);
    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {64, 0}, {0, 64}, {-1000, 5000}}) {
        EXPECT_NE(open.cellOrWall(x, y), 0) << x << "," << y;
    }
}

TEST(LevelTest, GridTextErrorsNameTheLine) {
    const std::string good = readText(QUELLON_SOURCE_DIR "/assets/level.txt");
    struct Case {
        std::string text;
        std::string fragment;
    };
    std::string badCell = good;
    badCell[good.find('\n') + 5] = 'x';
    const Case cases[] = {
        {"", "only 0 rows"},
        {good.substr(0, good.rfind("63 ")), "only 63 rows"},
        {good + "64 " + std::string(64, '.') + "\n", "line 65: more than 64 rows"},
        {badCell, "line 2: cell 1 is 'x'"},
        {"00 " + std::string(63, '.') + "\n", "line 1: row has 63 cells"},
        {"01 " + std::string(64, '.') + "\n", "line 1: expected the row number 0"},
    };
    for (const Case& c : cases) {
        const auto r = levelImageFromGrid(c.text);
        EXPECT_FALSE(r.ok());
        EXPECT_NE(r.error.find(c.fragment), std::string::npos)
            << "expected \"" << c.fragment << "\" in \"" << r.error << "\"";
    }
}

}  // namespace
}  // namespace quellon
