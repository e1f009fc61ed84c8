#include "platform/sdl_pixels.h"

#include <algorithm>
#include <cstring>

namespace quellon {

namespace {

constexpr Colour kOpaque = 0xFF000000u;

// 0x00BBGGRR, opaque, in the channel order of the window's 32-bit words.
Colour asXbgr(Colour c) {
    return c | kOpaque;
}
Colour asXrgb(Colour c) {
    return kOpaque | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

template <Colour (*convert)(Colour)>
void copyWords(const Colour* in, std::span<std::uint8_t> out) {
    const std::size_t count = out.size() / sizeof(Colour);
    for (std::size_t x = 0; x < count; ++x) {
        const Colour word = convert(in[x]);
        std::memcpy(out.data() + x * sizeof(Colour), &word, sizeof word);
    }
}

}  // namespace

ScreenPixels::ScreenPixels(SDL_Surface& screen)
    : ScreenPixels(screen.pixels, screen.w, screen.h, screen.pitch,
                   screen.format != nullptr ? screen.format->format
                                           : Uint32{SDL_PIXELFORMAT_UNKNOWN}) {}

ScreenPixels::ScreenPixels(void* pixels, int width, int height, int pitch, Uint32 format) {
    const int bytes = SDL_BYTESPERPIXEL(format);
    if (pixels == nullptr || width <= 0 || height <= 0 || bytes < 1 || bytes > 4 ||
        pitch / bytes < width) {
        return;
    }
    base_ = static_cast<std::uint8_t*>(pixels);
    width_ = width;
    height_ = height;
    pitch_ = pitch;
    bytesPerPixel_ = bytes;
    format_ = format;
}

std::span<std::uint8_t> ScreenPixels::pixels(int x, int y, int count) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || count <= 0) {
        return {};
    }
    const int kept = std::min(count, width_ - x);
    const std::size_t offset =
        static_cast<std::size_t>(y) * static_cast<std::size_t>(pitch_) +
        static_cast<std::size_t>(x) * static_cast<std::size_t>(bytesPerPixel_);
    return {base_ + offset,
            static_cast<std::size_t>(kept) * static_cast<std::size_t>(bytesPerPixel_)};
}

void copyToScreen(const Surface& surface, ScreenPixels& screen, int left) {
    const int rows = std::min(surface.height(), screen.height());
    for (int y = 0; y < rows; ++y) {
        const std::span<std::uint8_t> out = screen.pixels(left, y, surface.width());
        if (out.empty()) {
            return;  // the surface starts beyond the window's right edge
        }
        const Colour* in = surface.row(y);
        switch (screen.format()) {
            case SDL_PIXELFORMAT_XBGR8888:
            case SDL_PIXELFORMAT_ABGR8888:
                copyWords<asXbgr>(in, out);
                break;
            case SDL_PIXELFORMAT_XRGB8888:
            case SDL_PIXELFORMAT_ARGB8888:
                copyWords<asXrgb>(in, out);
                break;
            default: {
                const int count = static_cast<int>(out.size()) / screen.bytesPerPixel();
                SDL_ConvertPixels(count, 1, SDL_PIXELFORMAT_XBGR8888, in,
                                  count * static_cast<int>(sizeof(Colour)), screen.format(),
                                  out.data(), static_cast<int>(out.size()));
                break;
            }
        }
    }
}

}  // namespace quellon
