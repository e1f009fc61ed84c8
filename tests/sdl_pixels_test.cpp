// The copy into the window's own pixels, in every format a window system may hand us: each
// pixel converted as SDL itself converts it, and not one byte written outside the window's
// rows, whatever the sizes and the column the copy starts at.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx/surface.h"
#include "platform/sdl_pixels.h"

namespace quellon {
namespace {

constexpr std::uint8_t kUntouched = 0xA5;

TEST(SdlPixelsTest, CopiesConvertEachPixelAndWriteNothingOutsideTheWindow) {
    const Uint32 formats[] = {SDL_PIXELFORMAT_XBGR8888,    SDL_PIXELFORMAT_ABGR8888,
                              SDL_PIXELFORMAT_XRGB8888,    SDL_PIXELFORMAT_ARGB8888,
                              SDL_PIXELFORMAT_ARGB2101010, SDL_PIXELFORMAT_RGB24,
                              SDL_PIXELFORMAT_BGR24,       SDL_PIXELFORMAT_RGB565,
                              SDL_PIXELFORMAT_RGB555,      SDL_PIXELFORMAT_BGR565};
    constexpr int kWindowW = 29;  // rows of every alignment, wide enough for 16-byte stores
    constexpr int kWindowH = 5;
    Surface drawn(23, 7);  // taller than the window, and wider than what is left of it
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            drawn.set(
                x, y,
                rgb(static_cast<std::uint8_t>(37 * x + 11 * y),
                    static_cast<std::uint8_t>(255 - 29 * y), static_cast<std::uint8_t>(x * y * 7)));
        }
    }
    for (const Uint32 format : formats) {
        SDL_PixelFormat* layout = SDL_AllocFormat(format);
        ASSERT_NE(layout, nullptr) << SDL_GetPixelFormatName(format);
        const int bytes = layout->BytesPerPixel;
        const int pitch = (kWindowW * bytes + 7) / 4 * 4;  // rows padded, as window systems do
        for (const int left : {0, 6, 12, 13, 29, 40}) {
            // The window's rows, and a margin after them that must stay untouched too.
            std::vector<std::uint8_t> memory(static_cast<std::size_t>(pitch) * kWindowH + 64,
                                             kUntouched);
            SDL_Surface* window = SDL_CreateRGBSurfaceWithFormatFrom(
                memory.data(), kWindowW, kWindowH, bytes * 8, pitch, format);
            ASSERT_NE(window, nullptr) << SDL_GetError();
            ScreenPixels screen(*window);
            copyToScreen(drawn, screen, left);
            for (int y = 0; y < kWindowH; ++y) {
                for (int at = 0; at < pitch; ++at) {
                    const int x = at / bytes;
                    const std::uint8_t* byte =
                        memory.data() + static_cast<std::size_t>(y) * pitch + at;
                    if (x >= left && x < kWindowW && x - left < drawn.width()) {
                        if (at % bytes != 0) {
                            continue;
                        }
                        Uint32 value = 0;
                        std::memcpy(&value, byte, static_cast<std::size_t>(bytes));
                        Uint8 r = 0;
                        Uint8 g = 0;
                        Uint8 b = 0;
                        SDL_GetRGB(value, layout, &r, &g, &b);
                        // The pixel as SDL's own conversion of the drawn colour reads back.
                        Uint32 expected = 0;
                        const Colour colour = drawn.at(x - left, y);
                        SDL_ConvertPixels(1, 1, SDL_PIXELFORMAT_XBGR8888, &colour, 4, format,
                                          &expected, 4);
                        Uint8 er = 0;
                        Uint8 eg = 0;
                        Uint8 eb = 0;
                        SDL_GetRGB(expected, layout, &er, &eg, &eb);
                        ASSERT_TRUE(r == er && g == eg && b == eb)
                            << SDL_GetPixelFormatName(format) << " from column " << left
                            << ": pixel " << x << "," << y;
                    } else {
                        ASSERT_EQ(*byte, kUntouched)
                            << SDL_GetPixelFormatName(format) << " from column " << left
                            << ": byte " << at << " of row " << y << " written";
                    }
                }
            }
            for (std::size_t at = static_cast<std::size_t>(pitch) * kWindowH; at < memory.size();
                 ++at) {
                ASSERT_EQ(memory[at], kUntouched)
                    << SDL_GetPixelFormatName(format) << ": written past the last row";
            }
            SDL_FreeSurface(window);
        }
        SDL_FreeFormat(layout);
    }
}

}  // namespace
}  // namespace quellon
