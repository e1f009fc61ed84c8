#include "gfx/surface.h"

#include <algorithm>
#include <cstdint>

namespace quellon {

namespace {

int clampSide(int side) {
    return std::clamp(side, 0, Surface::kMaxSidePx);
}

}  // namespace

Surface::Surface(int width, int height, Colour fill) {
    resize(width, height, fill);
}

void Surface::resize(int width, int height, Colour fill) {
    width_ = clampSide(width);
    height_ = clampSide(height);
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
                   (fill & 0xFFFFFF) | topByte_);
}

void Surface::fill(Colour colour) {
    std::fill(pixels_.begin(), pixels_.end(), (colour & 0xFFFFFF) | topByte_);
}

void Surface::keepTopByte(Colour topByte) {
    topByte_ = topByte & 0xFF000000u;
    for (Colour& pixel : pixels_) {
        pixel = (pixel & 0xFFFFFF) | topByte_;
    }
}

Colour GetPixel(const Surface& surface, int x, int y) {
    return surface.contains(x, y) ? surface.at(x, y) & 0xFFFFFF : kInvalidColour;
}

void fillRect(Surface& target, std::int64_t left, std::int64_t top, std::int64_t width,
              std::int64_t height, Colour colour) {
    const auto x0 = static_cast<int>(std::clamp<std::int64_t>(left, 0, target.width()));
    const auto x1 = static_cast<int>(std::clamp<std::int64_t>(left + width, 0, target.width()));
    const auto y0 = static_cast<int>(std::clamp<std::int64_t>(top, 0, target.height()));
    const auto y1 = static_cast<int>(std::clamp<std::int64_t>(top + height, 0, target.height()));
    const Colour pixel = (colour & 0xFFFFFF) | target.topByte();
    for (int y = y0; y < y1 && x0 < x1; ++y) {
        std::fill(target.row(y) + x0, target.row(y) + x1, pixel);
    }
}

bool StretchBlt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
                int sw, int sh) {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) {
        return false;
    }
    if (sx < 0 || sy < 0 || sw > src.width() - sx || sh > src.height() - sy) {
        return false;
    }
    // 64 bits throughout: the far edge of a rectangle (dy + dh) may pass the 32-bit range, and
    // the sampling products (offset times source extent) do for tall columns.
    const std::int64_t left = std::max<std::int64_t>(dx, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{dx} + dw, dst.width());
    const std::int64_t top = std::max<std::int64_t>(dy, 0);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{dy} + dh, dst.height());
    for (std::int64_t y = top; y < bottom; ++y) {
        const std::int64_t sourceRow = sy + (y - dy) * sh / dh;
        const Colour* in = src.row(static_cast<int>(sourceRow));
        Colour* out = dst.row(static_cast<int>(y));
        for (std::int64_t x = left; x < right; ++x) {
            out[x] = (in[sx + (x - dx) * sw / dw] & 0xFFFFFF) | dst.topByte();
        }
    }
    return true;
}

}  // namespace quellon
