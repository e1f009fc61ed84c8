// The level scan and the carried level image.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>

#include "app/frm_main.h"
#include "assets/images.h"
#include "formats/bmp.h"
#include "formats/level_text.h"
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
    const auto grid = levelImageFromText(readText(QUELLON_SOURCE_DIR "/assets/level.txt"));
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

TEST(LevelTest, GridTextReadsBackAndItsErrorsNameTheLineAndColumn) {
    const std::string good = readText(QUELLON_SOURCE_DIR "/assets/level.txt");
    EXPECT_EQ(levelText(scanned(carriedLevel())), good) << "grid -> text -> grid";
    std::string crlf;
    for (const char c : good) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(levelImageFromText(crlf).image, carriedLevel()) << "lines may end in CR LF";

    struct Case {
        std::string text;
        std::string error;
    };
    std::string badCell = good;
    badCell[good.find('\n') + 5] = 'x';
    std::string tab = good;
    tab[good.find("12 ") + 20] = '\t';
    const Case cases[] = {
        {"", "line 1: the text ends after 0 rows, not 64"},
        {good.substr(0, good.rfind("63 ")), "line 64: the text ends after 63 rows, not 64"},
        {good + "64 " + std::string(64, '.') + "\n", "line 65: more than 64 rows"},
        {badCell, "line 2, column 5: 'x' is not a cell (use . or 1-5)"},
        {tab, "line 13, column 21: '\\x09' is not a cell (use . or 1-5)"},
        {"00 " + std::string(63, '.') + "\n", "line 1: row 00 has 63 cells, not 64"},
        {"00 " + std::string(65, '.') + "\n", "line 1: row 00 has 65 cells, not 64"},
        {"01 " + std::string(64, '.') + "\n",
         "line 1, column 2: expected the row number 00 and a space"},
        {"00" + std::string(64, '.') + "\n",
         "line 1, column 3: expected the row number 00 and a space"},
        {"00 " + std::string(63, '.') + "0\n",
         "line 1, column 67: '0' is not a cell (use . or 1-5)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(levelImageFromText(c.text).error, c.error);
    }
}

}  // namespace
}  // namespace quellon
