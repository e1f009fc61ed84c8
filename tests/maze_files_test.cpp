// Mazes and walls of the user's own: the files they come in and the codes of links. Round
// trips through every form, the PNG forms libpng writes, and every bad input as the one line
// the programs print.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "assets/images.h"
#include "formats/bmp.h"
#include "formats/file_io.h"
#include "formats/level_text.h"
#include "formats/maze_deflate.h"
#include "formats/maze_files.h"
#include "formats/png.h"

namespace quellon {
namespace {

namespace fs = std::filesystem;

WorldMap scanned(const Surface& image) {
    WorldMap map;
    scanLevel(map, image);
    return map;
}

WorldMap carriedMaze() {
    return scanned(decodeBmp(assets::levelImage()).image);
}

// A maze of about one wall in five, of every code, open or not at its edge.
// A maze to walk: random walls in a closed ring, the start cell open.
WorldMap randomMaze(unsigned seed) {
    std::mt19937 random(seed);
    WorldMap maze;
    for (int y = 0; y < kMapSize; ++y) {
        for (int x = 0; x < kMapSize; ++x) {
            const bool ring = x == 0 || y == 0 || x == kMapSize - 1 || y == kMapSize - 1;
            const bool wall = ring || random() % 5 == 0;
            maze.set(x, y, wall ? static_cast<std::int16_t>(1 + random() % 5) : kOpenFloor);
        }
    }
    maze.set(static_cast<int>(kStartX), static_cast<int>(kStartY), kOpenFloor);
    return maze;
}

std::string writeBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string writeText(const std::string& name, const std::string& text) {
    return writeBytes(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

TEST(MazeFilesTest, EveryFormReadsBackToTheSameCells) {
    const WorldMap maze0 = randomMaze(3);
    for (const WorldMap& maze : {carriedMaze(), randomMaze(1), randomMaze(2)}) {
        for (const char* name : {"round.txt", "round.bmp", "round.png", "ROUND.PNG"}) {
            const ImageResult back = readLevelFile(writeBytes(name, levelFileBytes(name, maze)));
            ASSERT_TRUE(back.ok()) << back.error;
            EXPECT_EQ(scanned(back.image), maze) << "grid -> " << name << " -> grid";
        }
        const std::string code = mazeCode(maze);
        EXPECT_LE(code.size(), 1500u);
        EXPECT_EQ(code.find_first_not_of(
                      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
                  std::string::npos);
        const ImageResult fromCode = levelFromMazeCode(code);
        ASSERT_TRUE(fromCode.ok()) << fromCode.error;
        EXPECT_EQ(scanned(fromCode.image), maze) << "grid -> code -> grid";
        for (const std::string& pasted :
             {"#maze=" + code, " http://host/index.html#maze=" + code + "\n"}) {
            const ImageResult fromLink = levelFromMazeCode(pasted);
            ASSERT_TRUE(fromLink.ok()) << pasted << ": " << fromLink.error;
            EXPECT_EQ(scanned(fromLink.image), maze) << "a link pasted whole";
        }
    }
    // The form is the bytes', whatever the name says: a PNG named .bmp opens.
    const ImageResult named = readLevelFile(writeBytes("a_png.bmp", levelFileBytes(".png", maze0)));
    ASSERT_TRUE(named.ok()) << named.error;
    EXPECT_EQ(scanned(named.image), maze0);
    // A level image is read as the carried one is: a colour outside the six takes the code of
    // the cell scanned just before it.
    Surface odd = levelImageOf(carriedMaze());
    odd.set(10, 1, rgb(254, 255, 0));
    const ImageResult read = levelFromBytes("odd.png", encodePng(odd));
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(scanned(read.image)(10, 1), carriedMaze()(10, 0));
}

// A PNG of `image` as libpng itself writes it, in another colour type, depth or interlacing.
std::vector<std::uint8_t> libpngFile(const Surface& image, int colourType, int depth,
                                     bool interlaced) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t size) {
            auto* bytes = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            bytes->insert(bytes->end(), data, data + size);
        },
        nullptr);
    const int w = image.width();
    const int h = image.height();
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), depth,
                 colourType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        for (const Colour c : kLevelColours) {
            palette.push_back({redOf(c), greenOf(c), blueOf(c)});
        }
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    png_set_gAMA(png, info, 1.0);  // a gamma that a colour-managing reader would apply
    png_write_info(png, info);
    const int samples = colourType == PNG_COLOR_TYPE_RGBA  ? 4
                        : colourType == PNG_COLOR_TYPE_RGB ? 3
                                                           : 1;
    const int bytesPerSample = depth / 8;
    std::vector<std::vector<std::uint8_t>> rows(static_cast<std::size_t>(h));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < h; ++y) {
        std::vector<std::uint8_t>& row = rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < w; ++x) {
            const Colour c = image.at(x, y);
            if (colourType == PNG_COLOR_TYPE_PALETTE) {
                std::size_t index = 0;
                while (kLevelColours.at(index) != c) {
                    ++index;
                }
                row.push_back(static_cast<std::uint8_t>(index));
                continue;
            }
            const std::uint8_t channels[] = {redOf(c), greenOf(c), blueOf(c), 0x40};
            for (int s = 0; s < samples; ++s) {
                for (int b = 0; b < bytesPerSample; ++b) {
                    row.push_back(b == 0 ? channels[s] : 0x7f);  // low bytes are dropped
                }
            }
        }
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

TEST(MazeFilesTest, PngsOfEveryKindReadAsTheColoursWritten) {
    const Surface level = levelImageOf(randomMaze(3));
    Surface grey(kMapSize, kMapSize);
    for (int y = 0; y < kMapSize; ++y) {
        for (int x = 0; x < kMapSize; ++x) {
            const auto v = static_cast<std::uint8_t>(x * 4 + y % 4);
            grey.set(x, y, rgb(v, v, v));
        }
    }
    struct Case {
        const char* what;
        const Surface& image;
        int colourType;
        int depth;
        bool interlaced;
    };
    const Case cases[] = {
        {"palette", level, PNG_COLOR_TYPE_PALETTE, 8, false},
        {"interlaced RGB", level, PNG_COLOR_TYPE_RGB, 8, true},
        {"16-bit RGBA", level, PNG_COLOR_TYPE_RGBA, 16, false},
        {"grey", grey, PNG_COLOR_TYPE_GRAY, 8, true},
    };
    for (const Case& c : cases) {
        const PngResult read = decodePng(libpngFile(c.image, c.colourType, c.depth, c.interlaced));
        ASSERT_TRUE(read.ok()) << c.what << ": " << read.error;
        EXPECT_EQ(read.image, c.image) << c.what;
    }
}

TEST(MazeFilesTest, TexturesComeFromTheFolderAndMissingOnesStay) {
    const std::string folder = ::testing::TempDir() + "walls";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const ImageHolders carried = loadCarriedImages();
    // texture1 is the carried banner, texture4 the carried picture frame, as PNG; 2, 3, 5 absent.
    writeBytes("walls/texture1.bmp", encodeBmp(carried.picTexture[3]));
    writeBytes("walls/Texture4.PNG", encodePng(carried.picTexture[5]));  // names in any case
    TextureSet textures = carried.picTexture;
    ASSERT_EQ(readTextureFolder(folder, textures), "");
    EXPECT_EQ(textures[1], carried.picTexture[3]);
    EXPECT_EQ(textures[0], carried.picTexture[3]) << "element 0 shows texture 1's image";
    EXPECT_EQ(textures[4], carried.picTexture[5]);
    EXPECT_EQ(textures[2], carried.picTexture[2]);
    EXPECT_EQ(textures[5], carried.picTexture[5]);
}

// Every bad input, as the one line the programs print after their name.
TEST(MazeFilesTest, BadInputIsOneLineThatNamesTheFile) {
    const std::string dir = ::testing::TempDir();
    const std::string good = levelText(carriedMaze());
    std::string badCell = good;
    badCell[good.find("09 ") + 20] = 'x';
    const auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        return writeBytes(name, bytes);
    };
    const std::vector<std::uint8_t> bmp = encodeBmp(levelImageOf(carriedMaze()));
    const std::string walls = dir + "bad_walls";
    fs::remove_all(walls);
    fs::create_directories(walls);
    writeBytes("bad_walls/texture2.png", encodePng(Surface(32, 32)));
    const std::string both = dir + "both_walls";
    fs::remove_all(both);
    fs::create_directories(both);
    writeBytes("both_walls/texture3.png", encodePng(Surface(64, 64)));
    writeBytes("both_walls/texture3.bmp", encodeBmp(Surface(64, 64)));
    const std::string empty = dir + "no_walls";
    fs::create_directories(empty);

    struct Case {
        std::string error;  // what is printed
        std::string got;    // what the reader said
    };
    const std::string maze = writeText("maze.txt", badCell);
    const std::string cut = writeText("cut.txt", good.substr(0, good.find("40 ")));
    const std::string wide = write("wide.png", encodePng(Surface(65, 64)));
    const std::string shortBmp = write("short.bmp", encodeBmp(Surface(64, 63)));
    const std::string broken =
        write("broken.png", std::vector<std::uint8_t>(bmp.begin(), bmp.begin() + 100));
    std::vector<std::uint8_t> truncated = encodePng(levelImageOf(carriedMaze()));
    truncated.resize(truncated.size() / 2);
    const std::string halfPng = write("half.png", truncated);
    const std::string halfBmp =
        write("half.bmp", std::vector<std::uint8_t>(bmp.begin(), bmp.end() - 3));
    WorldMap ringOpen = carriedMaze();
    ringOpen.set(63, 10, kOpenFloor);
    const std::string openRing = write("open_ring.png", levelFileBytes(".png", ringOpen));
    WorldMap startWall = carriedMaze();
    startWall.set(2, 2, 4);
    const std::string walledIn = writeText("walled_in.txt", levelText(startWall));
    const std::string jpeg = write("level.txt", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F'});
    const std::string noise = write("noise.bmp", {0x01, 0x02, 0x00, 0x7F});
    const Case cases[] = {
        {dir + "missing.txt: cannot open it: No such file or directory",
         readLevelFile(dir + "missing.txt").error},
        {maze + ": line 10, column 21: 'x' is not a cell (use . or 1-5)",
         readLevelFile(maze).error},
        {cut + ": line 41: the text ends after 40 rows, not 64", readLevelFile(cut).error},
        {wide + ": the level image is 65 by 64 pixels, not 64 by 64 pixels",
         readLevelFile(wide).error},
        {shortBmp + ": the level image is 64 by 63 pixels, not 64 by 64 pixels",
         readLevelFile(shortBmp).error},
        {broken +
             ": does not decode: BMP image: is 100 bytes, too short for its 64 by 64 pixels from "
             "byte 54 (give a 24-bit BMP, or a PNG)",
         readLevelFile(broken).error},
        {halfPng + ": does not decode: PNG image: the file ends inside the image",
         readLevelFile(halfPng).error},
        {halfBmp +
             ": does not decode: BMP image: is 12339 bytes, too short for its 64 by 64 pixels "
             "from byte 54 (give a 24-bit BMP, or a PNG)",
         readLevelFile(halfBmp).error},
        // Mazes that cannot be walked, in every form they come in.
        {openRing + ": cell 63,10 on the outer ring is open", readLevelFile(openRing).error},
        {walledIn + ": cell 2,2, where the player starts, is a wall",
         readLevelFile(walledIn).error},
        {"maze code: cell 2,2, where the player starts, is a wall",
         levelFromMazeCode(mazeCode(startWall)).error},
        // Bytes of no form a maze comes in, whatever their name.
        {jpeg + ": not a grid, a PNG or a BMP", readLevelFile(jpeg).error},
        {noise + ": not a grid, a PNG or a BMP", readLevelFile(noise).error},
        {walls + "/texture2.png: the texture is 32 by 32 pixels, not 64 by 64 pixels",
         readTextureFolder(walls, *std::make_unique<TextureSet>())},
        {both + "/texture3.bmp and " + both + "/texture3.png: both are there; keep one",
         readTextureFolder(both, *std::make_unique<TextureSet>())},
        {empty + ": holds none of texture1 .. texture5 (.bmp or .png)",
         readTextureFolder(empty, *std::make_unique<TextureSet>())},
        {maze + ": not a folder (give the folder that holds texture1.png .. texture5.png)",
         readTextureFolder(maze, *std::make_unique<TextureSet>())},
        {"maze code: it does not start with the version mark 1", levelFromMazeCode("2AAA").error},
        {"maze code: character 3 is not one of A-Z a-z 0-9 - _", levelFromMazeCode("1A=").error},
        {"maze code: it is damaged or cut short",
         levelFromMazeCode(mazeCode(carriedMaze()).substr(0, 100)).error},
        {"maze code: it is empty", levelFromMazeCode("").error},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.got, c.error);
    }
}

}  // namespace
}  // namespace quellon
