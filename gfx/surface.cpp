#include "gfx/surface.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace quellon {

namespace {

int clampSide(int side) {
    return std::clamp(side, 0, Surface::kMaxSidePx);
}

}  // namespace

Surface::Surface(int width, int height, Colour fill, PixelFormat format) : format_(format) {
    resize(width, height, fill);
}

Surface Surface::over(Colour* pixels, int width, int height, int stride, PixelFormat format) {
    Surface view;
    view.format_ = format;
    if (pixels != nullptr && width > 0 && height > 0 && stride >= width) {
        view.width_ = clampSide(width);
        view.height_ = clampSide(height);
        view.stride_ = stride;
        view.pixels_ = pixels;
    }
    return view;
}

Surface::Surface(const Surface& other) {
    copyFrom(other);
}

Surface& Surface::operator=(const Surface& other) {
    if (this != &other) {
        copyFrom(other);
    }
    return *this;
}

Surface::Surface(Surface&& other) noexcept
    : width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      stride_(std::exchange(other.stride_, 0)),
      format_(other.format_),
      pixels_(std::exchange(other.pixels_, nullptr)),
      owned_(std::move(other.owned_)) {
    other.owned_.clear();
}

Surface& Surface::operator=(Surface&& other) noexcept {
    if (this != &other) {
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        stride_ = std::exchange(other.stride_, 0);
        format_ = other.format_;
        pixels_ = std::exchange(other.pixels_, nullptr);
        owned_ = std::move(other.owned_);
        other.owned_.clear();
    }
    return *this;
}

void Surface::copyFrom(const Surface& other) {
    width_ = other.width_;
    height_ = other.height_;
    stride_ = other.width_;
    format_ = other.format_;
    owned_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    pixels_ = owned_.data();
    for (int y = 0; y < height_; ++y) {
        std::copy_n(other.row(y), width_, row(y));
    }
}

void Surface::resize(int width, int height, Colour fill) {
    width_ = clampSide(width);
    height_ = clampSide(height);
    stride_ = width_;
    owned_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
                  pixel(fill));
    pixels_ = owned_.data();
}

void Surface::fill(Colour colour) {
    fillRect(*this, 0, 0, width_, height_, colour);
}

bool Surface::operator==(const Surface& other) const {
    if (width_ != other.width_ || height_ != other.height_ || format_ != other.format_) {
        return false;
    }
    for (int y = 0; y < height_; ++y) {
        if (!std::equal(row(y), row(y) + width_, other.row(y))) {
            return false;
        }
    }
    return true;
}

Colour GetPixel(const Surface& surface, int x, int y) {
    return surface.contains(x, y) ? fromPixel(surface.at(x, y), surface.format()) : kInvalidColour;
}

void fillRect(Surface& target, std::int64_t left, std::int64_t top, std::int64_t width,
              std::int64_t height, Colour colour) {
    const auto x0 = static_cast<int>(std::clamp<std::int64_t>(left, 0, target.width()));
    const auto x1 = static_cast<int>(std::clamp<std::int64_t>(left + width, 0, target.width()));
    const auto y0 = static_cast<int>(std::clamp<std::int64_t>(top, 0, target.height()));
    const auto y1 = static_cast<int>(std::clamp<std::int64_t>(top + height, 0, target.height()));
    const Colour word = target.pixel(colour);
    for (int y = y0; y < y1 && x0 < x1; ++y) {
        std::fill(target.row(y) + x0, target.row(y) + x1, word);
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
    const bool sameFormat = src.format() == dst.format();
    // [learn:stretch]
    for (std::int64_t y = top; y < bottom; ++y) {
        const std::int64_t sourceRow = sy + (y - dy) * sh / dh;
        const Colour* in = src.row(static_cast<int>(sourceRow));
        Colour* out = dst.row(static_cast<int>(y));
        for (std::int64_t x = left; x < right; ++x) {
            const Colour word = in[sx + (x - dx) * sw / dw];
            out[x] = sameFormat ? word : dst.pixel(fromPixel(word, src.format()));
        }
    }
    // [/learn:stretch]
    return true;
}

}  // namespace quellon
