#include "platform/surface.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quellon {

namespace {

// Rows per band when pending work is written: a band of even a wide surface stays in the
// cache while its columns are drawn over it.
constexpr int kBandRows = 16;

int clampSide(int side) {
    return std::clamp(side, 0, Surface::kMaxSidePx);
}

// Writes `colour` into `count` rows of `width` pixels starting at `out`, `stride` apart. The
// widths of a strip (3, or fewer where it is clipped) get their own unrolled stores. With
// `spill` set the rows are written four pixels wide in one store each: the fourth pixel
// belongs to the next column, which is written over it right after.
void fillColumnRows(Colour* out, std::int64_t count, int width, std::size_t stride, Colour colour,
                    bool spill) {
    if (spill) {
        const Colour quad[4] = {colour, colour, colour, colour};
        for (; count > 0; --count, out += stride) {
            std::memcpy(out, quad, sizeof quad);
        }
        return;
    }
    switch (width) {
        case 3:
            for (; count > 0; --count, out += stride) {
                out[0] = colour;
                out[1] = colour;
                out[2] = colour;
            }
            break;
        case 2:
            for (; count > 0; --count, out += stride) {
                out[0] = colour;
                out[1] = colour;
            }
            break;
        case 1:
            for (; count > 0; --count, out += stride) {
                out[0] = colour;
            }
            break;
        default:
            for (; count > 0; --count, out += stride) {
                std::fill_n(out, width, colour);
            }
            break;
    }
}

}  // namespace

Surface::Surface(int width, int height, Colour fill) {
    resize(width, height, fill);
}

void Surface::resize(int width, int height, Colour fill) {
    width_ = clampSide(width);
    height_ = clampSide(height);
    fillPending_ = false;
    columns_.clear();
    texels_.clear();
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
                   fill & 0xFFFFFF);
}

void Surface::fill(Colour colour) {
    // Whatever is pending lies under the fill, so it is dropped unwritten.
    columns_.clear();
    texels_.clear();
    fillPending_ = true;
    fillColour_ = colour & 0xFFFFFF;
}

bool Surface::operator==(const Surface& other) const {
    settle();
    other.settle();
    return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
}

void Surface::deferColumn(const PendingColumn& column, const Colour* texels, std::size_t stride) {
    PendingColumn kept = column;
    kept.firstTexel = texels_.size();
    // Destination offset i shows texel floor(i * rows / height); texel q starts at offset
    // ceil(q * height / rows). The cursor starts at the first visible row.
    kept.texel = (column.top - column.origin) * column.rows / column.height;
    const std::int64_t next = (kept.texel + 1) * column.height;
    kept.quotient = next / column.rows;
    kept.remainder = next % column.rows;
    for (int i = 0; i < column.rows; ++i) {
        texels_.push_back(texels[static_cast<std::size_t>(i) * stride]);
    }
    columns_.push_back(kept);
}

void Surface::writePending() const {
    const auto stride = static_cast<std::size_t>(width_);
    Colour* pixels = pixels_.data();
    for (int band = 0; band < height_; band += kBandRows) {
        const int bandEnd = std::min(height_, band + kBandRows);
        if (fillPending_) {
            std::fill(pixels + static_cast<std::size_t>(band) * stride,
                      pixels + static_cast<std::size_t>(bandEnd) * stride, fillColour_);
        }
        for (std::size_t k = 0; k < columns_.size(); ++k) {
            PendingColumn& c = columns_[k];
            const int from = std::max(c.top, band);
            const int to = std::min(c.bottom, bandEnd);
            if (from >= to) {
                continue;
            }
            // Rows that the next column, three pixels on, also covers may be written four
            // pixels wide: it overwrites the spilled pixel after this column.
            int spillFrom = to;
            int spillTo = to;
            if (k + 1 < columns_.size() && c.width == 3 && columns_[k + 1].left == c.left + 3) {
                spillFrom = std::max(from, columns_[k + 1].top);
                spillTo = std::max(spillFrom, std::min(to, columns_[k + 1].bottom));
            }
            const Colour* texels = texels_.data() + c.firstTexel;
            Colour* out = pixels + static_cast<std::size_t>(from) * stride + c.left;
            const std::int64_t whole = c.height / c.rows;
            const std::int64_t part = c.height % c.rows;
            for (std::int64_t row = from; row < to;) {
                const std::int64_t nextStart = c.origin + c.quotient + (c.remainder > 0 ? 1 : 0);
                const std::int64_t runEnd = std::min<std::int64_t>(to, nextStart);
                const Colour colour = texels[c.texel];
                while (row < runEnd) {
                    // Split the run where the spilling rows begin and end.
                    const bool spill = row >= spillFrom && row < spillTo;
                    const std::int64_t stop = std::min<std::int64_t>(
                        runEnd, spill ? spillTo : (row < spillFrom ? spillFrom : runEnd));
                    fillColumnRows(out, stop - row, c.width, stride, colour, spill);
                    out += static_cast<std::size_t>(stop - row) * stride;
                    row = stop;
                }
                if (row == nextStart) {
                    ++c.texel;
                    c.quotient += whole;
                    c.remainder += part;
                    if (c.remainder >= c.rows) {
                        c.remainder -= c.rows;
                        ++c.quotient;
                    }
                }
            }
        }
    }
    fillPending_ = false;
    columns_.clear();
    texels_.clear();
}

Colour GetPixel(const Surface& surface, int x, int y) {
    return surface.contains(x, y) ? surface.at(x, y) : kInvalidColour;
}

bool StretchBlt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
                int sw, int sh) {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) {
        return false;
    }
    if (sx < 0 || sy < 0 || sw > src.width() - sx || sh > src.height() - sy) {
        return false;
    }
    // Work in 64 bits: a destination rectangle may reach far beyond the 32-bit range at its
    // far edge (dy + dh), and the sampling products exceed 32 bits for tall columns.
    const std::int64_t left = std::max<std::int64_t>(dx, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{dx} + dw, dst.width());
    const std::int64_t top = std::max<std::int64_t>(dy, 0);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{dy} + dh, dst.height());
    if (left >= right || top >= bottom) {
        return true;
    }
    const int visibleWidth = static_cast<int>(right - left);

    if (sw == 1) {
        // A column is kept with a copy of its texels and written together with the pending
        // fill (see Surface). Reading the source settles it first, so a copy from a surface
        // onto itself sees what was drawn before.
        dst.deferColumn({static_cast<int>(left), visibleWidth, static_cast<int>(top),
                         static_cast<int>(bottom), dy, dh, sh, 0, 0, 0, 0},
                        src.row(sy) + sx, static_cast<std::size_t>(src.width()));
        return true;
    }
    // Nearest sampling: destination offset i takes source offset floor(i * s / d), which
    // covers the source evenly and never leaves it.
    const auto sourceOffset = [](std::int64_t i, int s, int d) {
        return static_cast<int>((i * s) / d);
    };
    for (std::int64_t y = top; y < bottom; ++y) {
        const Colour* srcRow = src.row(sy + sourceOffset(y - dy, sh, dh));
        Colour* out = dst.row(static_cast<int>(y)) + left;
        for (int i = 0; i < visibleWidth; ++i) {
            out[i] = srcRow[sx + sourceOffset(left - dx + i, sw, dw)];
        }
    }
    return true;
}

}  // namespace quellon
