// The area-averaging scaler the desktop's icons are made with.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "tools/scale.h"

namespace quellon {
namespace {

Surface greyRow(const std::vector<std::uint8_t>& values) {
    Surface s(static_cast<int>(values.size()), 1);
    for (std::size_t x = 0; x < values.size(); ++x) {
        s.set(static_cast<int>(x), 0, rgb(values[x], values[x], values[x]));
    }
    return s;
}

// Expected values from the sRGB transfer function worked by hand (Python), not by the scaler.
TEST(ScaleTest, AveragesCoveredAreasInLinearLight) {
    struct Case {
        const char* what;
        Surface image;
        int width;
        int height;
        Surface expected;
    };
    Surface checker(2, 2, kBlack);
    checker.set(0, 0, kWhite);
    checker.set(1, 1, kWhite);
    const Case cases[] = {
        // Averaged as stored sRGB values this would be 128, a grey darker than the pattern.
        {"a black and white checkerboard halved", checker, 1, 1, Surface(1, 1, rgb(188, 188, 188))},
        // Each result pixel covers 1.5 source pixels: weights 2/3 and 1/3.
        {"white, black, black to two pixels", greyRow({255, 0, 0}), 2, 1, greyRow({213, 0})},
        {"five to two: weights 0.4, 0.4, 0.2", greyRow({255, 0, 100, 200, 50}), 2, 1,
         greyRow({174, 142})},
        {"nothing to scale", Surface{}, 4, 4, Surface{}},
        {"to no pixels", checker, 0, 3, Surface{}},
    };
    for (const Case& c : cases) {
        const Surface got = scaleByArea(c.image, c.width, c.height);
        ASSERT_EQ(got.width(), c.expected.width()) << c.what;
        ASSERT_EQ(got.height(), c.expected.height()) << c.what;
        for (int y = 0; y < got.height(); ++y) {
            for (int x = 0; x < got.width(); ++x) {
                EXPECT_EQ(got.at(x, y), c.expected.at(x, y))
                    << c.what << ": pixel " << x << "," << y << " as 0xBBGGRR";
            }
        }
    }
}

TEST(ScaleTest, KeepsPixelsAtTheSameSizeAndRepeatsThemByWholeFactors) {
    Surface image(5, 3);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.set(x, y,
                      rgb(static_cast<std::uint8_t>(x * 51), static_cast<std::uint8_t>(y * 97),
                          static_cast<std::uint8_t>(x * y * 13 + 7)));
        }
    }
    EXPECT_EQ(scaleByArea(image, 5, 3), image);
    const Surface big = scaleByArea(image, 20, 6);
    ASSERT_EQ(big.width(), 20);
    ASSERT_EQ(big.height(), 6);
    for (int y = 0; y < big.height(); ++y) {
        for (int x = 0; x < big.width(); ++x) {
            ASSERT_EQ(big.at(x, y), image.at(x / 4, y / 2)) << "pixel " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace quellon
