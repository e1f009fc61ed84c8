// A pixel surface: the drawing area of the window and the sources of the image holders.
// Pure memory, no window system: both backends and the renderer share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quellon {

// Colours are exchanged as 0x00BBGGRR: red in bits 0..7, green 8..15, blue 16..23.
using Colour = std::uint32_t;

inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kWhite = 0xFFFFFF;
// What a pixel read outside the surface returns; it equals no 24-bit colour.
inline constexpr Colour kInvalidColour = 0xFFFFFFFF;

constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Colour{r} | (Colour{g} << 8) | (Colour{b} << 16);
}
constexpr std::uint8_t redOf(Colour c) {
    return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t greenOf(Colour c) {
    return static_cast<std::uint8_t>(c >> 8);
}
constexpr std::uint8_t blueOf(Colour c) {
    return static_cast<std::uint8_t>(c >> 16);
}

// Width by height pixels of 24-bit colour, each held in a 32-bit word whose top byte is 0,
// rows top to bottom, each row left to right, no padding between rows.
//
// A fill and the one-pixel-wide column copies that follow it are not written at once: they
// are kept, in order, and written band by band of rows the first time the pixels are looked
// at or changed any other way. Each band is filled and its columns are drawn while it is in
// the cache, so a frame of columns costs about one pass over the memory instead of one pass
// for the fill and one cache line per row per column. The result is exactly that of writing
// each operation at once.
class Surface {
  public:
    // Largest width or height accepted; larger requests are clamped to it.
    static constexpr int kMaxSidePx = 16384;

    Surface() = default;
    // Negative sizes count as 0; a surface of width or height 0 holds no pixel.
    Surface(int width, int height, Colour fill = kBlack);

    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Changes the size; the contents become `fill`. Keeps its memory when shrinking.
    void resize(int width, int height, Colour fill = kBlack);
    void fill(Colour colour);

    Colour* row(int y) {
        settle();
        return pixels_.data() + static_cast<std::size_t>(y) * width_;
    }
    const Colour* row(int y) const {
        settle();
        return pixels_.data() + static_cast<std::size_t>(y) * width_;
    }
    const Colour* data() const {
        settle();
        return pixels_.data();
    }

    // Unchecked single-pixel access for code that has already clipped.
    Colour at(int x, int y) const { return row(y)[x]; }
    void set(int x, int y, Colour colour) { row(y)[x] = colour & 0xFFFFFF; }

    bool operator==(const Surface& other) const;

  private:
    friend bool StretchBlt(Surface&, int, int, int, int, const Surface&, int, int, int, int);

    // A column copy waiting to be written: destination columns [left, left + width) and rows
    // [top, bottom), already clipped, sampling `rows` source texels over `height` rows from
    // destination row `origin` on, and a cursor that walks its rows band after band.
    struct PendingColumn {
        int left;
        int width;
        int top;
        int bottom;
        std::int64_t origin;
        int height;
        int rows;
        std::size_t firstTexel;
        // The texel under the next row to write, and (texel + 1) * height as quotient and
        // remainder by rows: ceil of it is the offset where the next texel starts.
        std::int64_t texel;
        std::int64_t quotient;
        std::int64_t remainder;
    };

    void settle() const {
        if (fillPending_ || !columns_.empty()) {
            writePending();
        }
    }
    void writePending() const;
    void deferColumn(const PendingColumn& column, const Colour* texels, std::size_t stride);

    int width_ = 0;
    int height_ = 0;
    // Mutable because looking at the pixels writes what is pending; the picture they show
    // does not change.
    mutable std::vector<Colour> pixels_;
    mutable bool fillPending_ = false;
    Colour fillColour_ = kBlack;
    mutable std::vector<PendingColumn> columns_;
    mutable std::vector<Colour> texels_;
};

// The pixel read of the level scan: the colour at (x, y) as 0x00BBGGRR, or kInvalidColour
// when (x, y) lies outside the surface.
Colour GetPixel(const Surface& surface, int x, int y);

// A stretched plain copy of the source rectangle (sx, sy, sw, sh) onto the destination
// rectangle (dx, dy, dw, dh), nearest sampling, clipped to the destination surface. Extents
// must be positive and the source rectangle must lie inside the source surface; otherwise
// nothing is drawn and the result is false. Rectangles may be far larger than the surfaces:
// the work done is bounded by the visible part of the destination.
bool StretchBlt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
                int sw, int sh);

}  // namespace quellon
