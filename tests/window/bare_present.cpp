// sdl-bare-present: the floor a window's refresh rate is measured against. An SDL window of the
// size given, its surface the window system's own pixels (no renderer), presented over and over
// untouched for as long as asked; prints the presents a second it made. Count them from outside
// with xdrive damage.
//
//   sdl-bare-present WIDTH HEIGHT SECONDS
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int number(const char* text, int low, int high, const char* what) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high) {
        (void)std::fprintf(stderr, "sdl-bare-present: %s must be a whole number from %d to %d\n",
                           what, low, high);
        std::exit(2);
    }
    return static_cast<int>(value);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        (void)std::fprintf(stderr, "usage: sdl-bare-present WIDTH HEIGHT SECONDS\n");
        return 2;
    }
    const int width = number(argv[1], 1, 16384, "WIDTH");
    const int height = number(argv[2], 1, 16384, "HEIGHT");
    const int seconds = number(argv[3], 1, 3600, "SECONDS");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        (void)std::fprintf(stderr, "sdl-bare-present: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("Bare present", SDL_WINDOWPOS_CENTERED,
                                          SDL_WINDOWPOS_CENTERED, width, height, 0);
    if (window == nullptr || SDL_GetWindowSurface(window) == nullptr) {
        (void)std::fprintf(stderr, "sdl-bare-present: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    const Uint64 start = SDL_GetTicks64();
    long presents = 0;
    bool open = true;
    while (open && SDL_GetTicks64() - start < static_cast<Uint64>(seconds) * 1000) {
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
            open = open && event.type != SDL_QUIT;
        }
        SDL_UpdateWindowSurface(window);
        ++presents;
    }
    const double elapsed = static_cast<double>(SDL_GetTicks64() - start) / 1000.0;
    std::printf("%.1f presents/s\n", static_cast<double>(presents) / elapsed);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
