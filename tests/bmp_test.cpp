// The BMP codec: the plain 24-bit form is read and written exactly, the forms other programs
// write a 24-bit picture in are read to the same pixels, everything else is refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "formats/bmp.h"

namespace quellon {
namespace {

Surface pattern(int width, int height) {
    Surface s(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            s.set(x, y,
                  rgb(static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 13),
                      static_cast<std::uint8_t>(x ^ y)));
        }
    }
    return s;
}

void putU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

TEST(BmpTest, ImagesSurviveEncodingWithRowPaddingAndBottomUpOrder) {
    for (const auto& [w, h] : {std::pair{64, 64}, {1, 1}, {3, 2}, {5, 7}, {307, 3}}) {
        const Surface image = pattern(w, h);
        const std::vector<std::uint8_t> file = encodeBmp(image);
        const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) / 4 * 4;
        EXPECT_EQ(file.size(), 54 + stride * h) << w << "x" << h;
        const BmpResult back = decodeBmp(file);
        ASSERT_TRUE(back.ok()) << back.error;
        EXPECT_EQ(back.image, image) << w << "x" << h;
    }
    EXPECT_EQ(encodeBmp(pattern(64, 64)).size(), 12342u);
}

TEST(BmpTest, StoredBytesAreBlueGreenRedWithTheBottomRowFirst) {
    Surface image(2, 2);
    image.set(0, 1, rgb(0x11, 0x22, 0x33));  // bottom-left
    image.set(1, 0, rgb(0xAA, 0xBB, 0xCC));  // top-right
    const std::vector<std::uint8_t> file = encodeBmp(image);
    EXPECT_EQ(file[54], 0x33);
    EXPECT_EQ(file[55], 0x22);
    EXPECT_EQ(file[56], 0x11);
    EXPECT_EQ(file[54 + 8 + 3], 0xCC) << "second stored row is the top one, padded to 8 bytes";
    EXPECT_EQ(file[54 + 8 + 5], 0xAA);
}

TEST(BmpTest, MalformedFilesAreRefusedWithAReason) {
    const std::vector<std::uint8_t> good = encodeBmp(pattern(4, 4));
    struct Case {
        const char* what;
        std::vector<std::uint8_t> file;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back(
        {"header cut short", std::vector<std::uint8_t>(good.begin(), good.begin() + 53)});
    cases.push_back({"pixels cut short", std::vector<std::uint8_t>(good.begin(), good.end() - 1)});
    const auto patched = [&](const char* what, std::size_t at, std::uint32_t value, int bytes) {
        auto file = good;
        for (int i = 0; i < bytes; ++i) {
            file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        cases.push_back({what, file});
    };
    patched("not BM", 0, 'X', 1);
    patched("data offset past the pixels", 10, 60, 4);
    patched("data offset inside the header", 10, 20, 4);
    patched("OS/2 header", 14, 12, 4);
    patched("zero width", 18, 0, 4);
    patched("negative width", 18, 0xFFFFFFFC, 4);
    patched("zero height", 22, 0, 4);
    patched("huge height", 22, 0x7FFFFFFF, 4);
    patched("two planes", 26, 2, 2);
    patched("8 bits", 28, 8, 2);
    patched("16 bits", 28, 16, 2);
    patched("RLE", 30, 1, 4);
    patched("bit fields of 24 bits", 30, 3, 4);
    for (const Case& c : cases) {
        const BmpResult r = decodeBmp(c.file);
        EXPECT_FALSE(r.ok()) << c.what << " was accepted";
        EXPECT_NE(r.error.find("BMP image: "), std::string::npos) << c.what << ": " << r.error;
        EXPECT_EQ(r.image.width(), 0) << c.what;
    }
}

// A 64 by 3 picture as other programs write it: an info header of `header` bytes, 24 or 32 bits
// a pixel, bit fields (with their masks after a 40-byte header) or none, rows bottom-up or
// top-down.
std::vector<std::uint8_t> otherForm(const Surface& image, std::uint32_t header, int bits,
                                    bool bitFields, bool topDown) {
    const int w = image.width();
    const int h = image.height();
    const std::size_t masks = bitFields && header == 40 ? 12 : 0;
    const std::size_t offset = 14 + header + masks;
    const std::size_t stride = (static_cast<std::size_t>(w) * bits / 8 + 3) / 4 * 4;
    std::vector<std::uint8_t> b(offset + stride * h);
    b[0] = 'B';
    b[1] = 'M';
    putU32(b, 2, static_cast<std::uint32_t>(b.size()));
    putU32(b, 10, static_cast<std::uint32_t>(offset));
    putU32(b, 14, header);
    putU32(b, 18, static_cast<std::uint32_t>(w));
    putU32(b, 22, static_cast<std::uint32_t>(topDown ? -h : h));
    b[26] = 1;
    b[28] = static_cast<std::uint8_t>(bits);
    putU32(b, 30, bitFields ? 3 : 0);
    if (bitFields) {
        putU32(b, 54, 0x00FF0000);
        putU32(b, 58, 0x0000FF00);
        putU32(b, 62, 0x000000FF);
    }
    for (int y = 0; y < h; ++y) {
        std::size_t p = offset + stride * static_cast<std::size_t>(topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x, p += static_cast<std::size_t>(bits / 8)) {
            b[p] = blueOf(image.at(x, y));
            b[p + 1] = greenOf(image.at(x, y));
            b[p + 2] = redOf(image.at(x, y));
        }
    }
    return b;
}

TEST(BmpTest, OtherProgramsFormsReadToTheSamePixels) {
    const Surface image = pattern(64, 3);
    for (const std::uint32_t header : {40u, 108u, 124u}) {
        for (const auto& [bits, bitFields] : {std::pair{24, false}, {32, false}, {32, true}}) {
            for (const bool topDown : {false, true}) {
                const BmpResult r = decodeBmp(otherForm(image, header, bits, bitFields, topDown));
                const std::string what =
                    std::to_string(header) + "-byte header, " + std::to_string(bits) + " bits" +
                    (bitFields ? ", bit fields" : "") + (topDown ? ", top-down" : "");
                ASSERT_TRUE(r.ok()) << what << ": " << r.error;
                EXPECT_EQ(r.image, image) << what;
                EXPECT_EQ(r.plain, header == 40 && bits == 24 && !topDown) << what;
            }
        }
    }
}

TEST(BmpTest, HeightTimesStrideCannotOverflowIntoAcceptance) {
    // A width and height whose product would wrap a 32-bit size must not pass as small.
    std::vector<std::uint8_t> file = encodeBmp(pattern(1, 1));
    putU32(file, 18, 16384);
    putU32(file, 22, 16384);
    EXPECT_FALSE(decodeBmp(file).ok());
}

}  // namespace
}  // namespace quellon
