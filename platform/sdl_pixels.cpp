#include "platform/sdl_pixels.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quellon {

namespace {

constexpr Colour kOpaque = 0xFF000000u;

void storeWord(std::uint8_t* out, Colour word) {
    std::memcpy(out, &word, sizeof word);
}

// 0x00BBGGRR, opaque, in the channel order of the window's 32-bit words: one word, and where
// the processor has 16-byte registers, four at once.
struct ToXbgr {
    static Colour one(Colour c) { return c | kOpaque; }
#if defined(__SSE2__)
    static __m128i four(__m128i c) {
        return _mm_or_si128(c, _mm_set1_epi32(static_cast<int>(kOpaque)));
    }
#endif
};
struct ToXrgb {
    static Colour one(Colour c) {
        return kOpaque | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
    }
#if defined(__SSE2__)
    static __m128i four(__m128i c) {
        const __m128i redBlue = _mm_and_si128(c, _mm_set1_epi32(0x00FF00FF));
        const __m128i swapped =
            _mm_or_si128(_mm_slli_epi32(redBlue, 16), _mm_srli_epi32(redBlue, 16));
        const __m128i green = _mm_and_si128(c, _mm_set1_epi32(0x0000FF00));
        return _mm_or_si128(_mm_or_si128(swapped, green),
                            _mm_set1_epi32(static_cast<int>(kOpaque)));
    }
#endif
};

// A row of words converted. With 16-byte registers, from the first 16-byte boundary of the
// window's row on the words go out by streaming stores: to memory without the lines being read
// into the cache first, as the frame is not read back before the window system takes it.
template <class To>
void copyWords(const Colour* in, std::span<std::uint8_t> out) {
    const std::size_t count = out.size() / sizeof(Colour);
    std::size_t x = 0;
#if defined(__SSE2__)
    constexpr std::size_t kWordsPerStore = sizeof(__m128i) / sizeof(Colour);
    for (; x < count &&
           reinterpret_cast<std::uintptr_t>(out.data() + x * sizeof(Colour)) % sizeof(__m128i) != 0;
         ++x) {
        storeWord(out.data() + x * sizeof(Colour), To::one(in[x]));
    }
    for (; x + kWordsPerStore <= count; x += kWordsPerStore) {
        const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        _mm_stream_si128(reinterpret_cast<__m128i*>(out.data() + x * sizeof(Colour)),
                         To::four(words));
    }
#endif
    for (; x < count; ++x) {
        storeWord(out.data() + x * sizeof(Colour), To::one(in[x]));
    }
}

}  // namespace

ScreenPixels::ScreenPixels(SDL_Surface& screen)
    : ScreenPixels(
          screen.pixels, screen.w, screen.h, screen.pitch,
          screen.format != nullptr ? screen.format->format : Uint32{SDL_PIXELFORMAT_UNKNOWN}) {}

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
    // The surface's words as SDL names them; the fast paths below take the program's own.
    const Uint32 from = surface.format() == PixelFormat::kXrgb   ? SDL_PIXELFORMAT_XRGB8888
                        : surface.format() == PixelFormat::kAbgr ? SDL_PIXELFORMAT_ABGR8888
                                                                 : SDL_PIXELFORMAT_XBGR8888;
    for (int y = 0; y < rows; ++y) {
        const std::span<std::uint8_t> out = screen.pixels(left, y, surface.width());
        if (out.empty()) {
            return;  // the surface starts beyond the window's right edge
        }
        const Colour* in = surface.row(y);
        switch (from == SDL_PIXELFORMAT_XBGR8888 ? screen.format()
                                                 : Uint32{SDL_PIXELFORMAT_UNKNOWN}) {
            case SDL_PIXELFORMAT_XBGR8888:
            case SDL_PIXELFORMAT_ABGR8888:
                copyWords<ToXbgr>(in, out);
                break;
            case SDL_PIXELFORMAT_XRGB8888:
            case SDL_PIXELFORMAT_ARGB8888:
                copyWords<ToXrgb>(in, out);
                break;
            default: {
                const int count = static_cast<int>(out.size()) / screen.bytesPerPixel();
                SDL_ConvertPixels(count, 1, from, in, count * static_cast<int>(sizeof(Colour)),
                                  screen.format(), out.data(), static_cast<int>(out.size()));
                break;
            }
        }
    }
#if defined(__SSE2__)
    _mm_sfence();  // the streamed pixels are in memory before the window system reads them
#endif
}

}  // namespace quellon
