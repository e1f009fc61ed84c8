// Pixel surfaces: the window's drawing surface and the images of the hidden holders. A surface
// is memory with a size and nothing else: what is written is there at once, and reading never
// writes. Also the two pixel operations the program asks of its graphics layer: the pixel read
// and the stretched copy.
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

// Width by height pixels of 24-bit colour, each held in a 32-bit word, rows top to bottom, each
// row left to right, no padding between rows. The words' top byte is 0, unless the surface is
// asked to keep another there (a page's canvas wants an opacity byte in every pixel): every
// writer then keeps it, and the pixel read leaves it out.
class Surface {
  public:
    // Largest width or height of any surface; larger requests are clamped to it. The probe
    // takes it as the largest picture it draws.
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

    // The top byte of every pixel, in place (0, or say 0xFF000000 for an opaque canvas); the
    // pixels there are given it at once. Whoever writes pixels through row() ORs it in.
    void keepTopByte(Colour topByte);
    Colour topByte() const { return topByte_; }

    Colour* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    const Colour* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    Colour* data() { return pixels_.data(); }
    const Colour* data() const { return pixels_.data(); }

    // Unchecked single-pixel access for code that has already clipped.
    Colour at(int x, int y) const { return row(y)[x]; }
    void set(int x, int y, Colour colour) { row(y)[x] = (colour & 0xFFFFFF) | topByte_; }

    bool operator==(const Surface& other) const = default;

  private:
    int width_ = 0;
    int height_ = 0;
    Colour topByte_ = 0;
    std::vector<Colour> pixels_;
};

// The pixel read of the level scan: the colour at (x, y) as 0x00BBGGRR (the top byte left out),
// or kInvalidColour when (x, y) lies outside the surface.
Colour GetPixel(const Surface& surface, int x, int y);

// Fills the rectangle from (left, top), `width` by `height` pixels, with `colour`, clipped to the
// surface; its far edges may pass the 32-bit range. The surface keeps its top byte.
void fillRect(Surface& target, std::int64_t left, std::int64_t top, std::int64_t width,
              std::int64_t height, Colour colour);

// A stretched plain copy of the source rectangle (sx, sy, sw, sh) onto the destination
// rectangle (dx, dy, dw, dh), clipped to the destination surface. Nearest sampling: the
// destination pixel at offset (i, j) in its rectangle takes the source pixel at offset
// (floor(i * sw / dw), floor(j * sh / dh)) in its own. Extents must be positive and the source
// rectangle must lie inside the source surface; otherwise nothing is drawn and the result is
// false. Rectangles may reach far beyond the surfaces and the 32-bit range: the work done is
// bounded by the visible part of the destination. The destination keeps its top byte. The two
// rectangles must not overlap when both are on the same surface.
bool StretchBlt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
                int sw, int sh);

}  // namespace quellon
