// Pixel surfaces: the window's drawing surface and the images of the hidden holders. A surface
// is memory with a size and a pixel format and nothing else: what is written is there at once,
// and reading never writes. Also the pixel operations the program asks of its graphics layer:
// the pixel read, the rectangle fill and the stretched copy.
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

// How a surface keeps a colour in each 32-bit word: the program's own order, or the order of
// the memory a window shows, so that a frame is drawn straight into it. A colour is made in a
// surface's format once, where it comes from (a texture when the window's format is known, a
// text or map colour once per call), never pixel by pixel on its way to the screen.
enum class PixelFormat : std::uint8_t {
    kXbgr,  // 0x00BBGGRR, the colours as exchanged: images, the tools, the tests
    kXrgb,  // 0x00RRGGBB: 32-bit X11 visuals and Windows' device-independent bitmaps
    kAbgr,  // 0xFFBBGGRR: a page's canvas, red, green, blue and an opaque alpha in memory
};

// A colour as a word of the format.
constexpr Colour toPixel(Colour colour, PixelFormat format) {
    const Colour c = colour & 0xFFFFFF;
    switch (format) {
        case PixelFormat::kXrgb:
            return ((c & 0xFF) << 16) | (c & 0xFF00) | (c >> 16);
        case PixelFormat::kAbgr:
            return c | 0xFF000000u;
        case PixelFormat::kXbgr:
            break;
    }
    return c;
}

// A word of the format as a colour.
constexpr Colour fromPixel(Colour pixel, PixelFormat format) {
    return format == PixelFormat::kXrgb ? toPixel(pixel, PixelFormat::kXrgb) : pixel & 0xFFFFFF;
}

// Width by height pixels of 24-bit colour, each held in a 32-bit word of the surface's format,
// rows top to bottom, each row left to right. A surface owns its pixels, rows one after the
// other, or lies over memory someone else owns (a window's shared image), rows `stride` words
// apart; a copy of either owns its pixels.
class Surface {
  public:
    // Largest width or height of any surface; larger requests are clamped to it. The probe
    // takes it as the largest picture it draws.
    static constexpr int kMaxSidePx = 16384;

    Surface() = default;
    // Negative sizes count as 0; a surface of width or height 0 holds no pixel.
    Surface(int width, int height, Colour fill = kBlack, PixelFormat format = PixelFormat::kXbgr);
    // A surface over `height` rows of `width` words of `format`, rows `stride` words apart,
    // from `pixels` on; the memory must outlive the surface and every view taken of it.
    static Surface over(Colour* pixels, int width, int height, int stride, PixelFormat format);

    Surface(const Surface& other);
    Surface& operator=(const Surface& other);
    // A moved-from surface is empty.
    Surface(Surface&& other) noexcept;
    Surface& operator=(Surface&& other) noexcept;
    ~Surface() = default;

    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }
    PixelFormat format() const { return format_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    // Whether the surface owns its pixels (rather than lying over someone else's).
    bool ownsPixels() const { return pixels_ == owned_.data(); }

    // Changes the size; the surface owns its pixels from then on, all `fill`. Keeps its memory
    // when shrinking.
    void resize(int width, int height, Colour fill = kBlack);
    void fill(Colour colour);

    // `colour` as a word of this surface: what a writer stores for it.
    Colour pixel(Colour colour) const { return toPixel(colour, format_); }

    Colour* row(int y) { return pixels_ + static_cast<std::ptrdiff_t>(y) * stride_; }
    const Colour* row(int y) const { return pixels_ + static_cast<std::ptrdiff_t>(y) * stride_; }
    Colour* data() { return pixels_; }
    const Colour* data() const { return pixels_; }

    // Unchecked single-pixel access for code that has already clipped: the word as it is, and
    // a word or a colour stored.
    Colour at(int x, int y) const { return row(y)[x]; }
    void put(int x, int y, Colour word) { row(y)[x] = word; }
    void set(int x, int y, Colour colour) { put(x, y, pixel(colour)); }

    // Same size, format and pixels.
    bool operator==(const Surface& other) const;

  private:
    void copyFrom(const Surface& other);

    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    PixelFormat format_ = PixelFormat::kXbgr;
    Colour* pixels_ = nullptr;
    std::vector<Colour> owned_;
};

// The pixel read of the level scan: the colour at (x, y) as 0x00BBGGRR, or kInvalidColour when
// (x, y) lies outside the surface.
Colour GetPixel(const Surface& surface, int x, int y);

// Fills the rectangle from (left, top), `width` by `height` pixels, with `colour`, clipped to the
// surface; its far edges may pass the 32-bit range. The colour is made in the surface's format
// once.
void fillRect(Surface& target, std::int64_t left, std::int64_t top, std::int64_t width,
              std::int64_t height, Colour colour);

// A stretched plain copy of the source rectangle (sx, sy, sw, sh) onto the destination
// rectangle (dx, dy, dw, dh), clipped to the destination surface. Nearest sampling: the
// destination pixel at offset (i, j) in its rectangle takes the source pixel at offset
// (floor(i * sw / dw), floor(j * sh / dh)) in its own. Extents must be positive and the source
// rectangle must lie inside the source surface; otherwise nothing is drawn and the result is
// false. Rectangles may reach far beyond the surfaces and the 32-bit range: the work done is
// bounded by the visible part of the destination. Colours keep their value across formats. The
// two rectangles must not overlap when both are on the same surface.
bool StretchBlt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
                int sw, int sh);

}  // namespace quellon
