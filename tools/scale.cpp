#include "tools/scale.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace quellon {

namespace {

// The sRGB transfer function and its inverse, on 0..1.
double toLinear(double encoded) {
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}
double toEncoded(double linear) {
    return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

const std::array<double, 256>& linearOfByte() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int i = 0; i < 256; ++i) {
            t[i] = toLinear(i / 255.0);
        }
        return t;
    }();
    return table;
}

std::uint8_t byteOfLinear(double linear) {
    const double encoded = toEncoded(std::fmin(std::fmax(linear, 0.0), 1.0));
    return static_cast<std::uint8_t>(std::lround(encoded * 255.0));
}

struct Tap {
    int source;     // source pixel index along the axis
    double weight;  // share of the destination pixel it covers; a pixel's taps sum to 1
};

// For each of `to` destination pixels along an axis of `from` source pixels, the source pixels
// it covers and how much of it each covers. Measured in units of 1/`to` source pixel (so
// 1/`from` destination pixel), every overlap is a whole number and the weights are exact.
std::vector<std::vector<Tap>> tapsAlong(int from, int to) {
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(to));
    for (int d = 0; d < to; ++d) {
        const long long begin = static_cast<long long>(d) * from;  // in 1/to source pixels
        const long long end = begin + from;
        for (long long s = begin / to; s * to < end; ++s) {
            const long long overlap = std::min(end, (s + 1) * to) - std::max(begin, s * to);
            if (overlap > 0) {
                taps[static_cast<std::size_t>(d)].push_back(
                    {static_cast<int>(s),
                     static_cast<double>(overlap) / static_cast<double>(from)});
            }
        }
    }
    return taps;
}

}  // namespace

Surface scaleByArea(const Surface& image, int width, int height) {
    if (image.width() <= 0 || image.height() <= 0 || width <= 0 || height <= 0) {
        return {};
    }
    const auto& linear = linearOfByte();
    const auto across = tapsAlong(image.width(), width);
    const auto down = tapsAlong(image.height(), height);
    Surface out(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double red = 0;
            double green = 0;
            double blue = 0;
            for (const Tap& row : down[static_cast<std::size_t>(y)]) {
                for (const Tap& column : across[static_cast<std::size_t>(x)]) {
                    const double weight = row.weight * column.weight;
                    const Colour c = GetPixel(image, column.source, row.source);
                    red += weight * linear[redOf(c)];
                    green += weight * linear[greenOf(c)];
                    blue += weight * linear[blueOf(c)];
                }
            }
            out.set(x, y, rgb(byteOfLinear(red), byteOfLinear(green), byteOfLinear(blue)));
        }
    }
    return out;
}

}  // namespace quellon
