#include "platform/sdl_beep.h"

#include <algorithm>
#include <vector>

#include "platform/quiet_stderr.h"
#include "platform/window.h"

namespace quellon {

namespace {

constexpr int kAudioRate = 44100;
constexpr int kFadeMs = 10;  // the tone fades in and out, so it starts and stops without a click

// The beep's samples: a square wave, the classic beep, with no libm call in the loop.
std::vector<float> squareTone() {
    const int samples = kAudioRate * kBeepMs / 1000;
    const int fade = kAudioRate * kFadeMs / 1000;
    std::vector<float> tone(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i) {
        const float envelope =
            static_cast<float>(std::min({i, samples - 1 - i, fade})) / static_cast<float>(fade);
        const bool high = (i * 2 * kBeepHz / kAudioRate) % 2 == 0;
        tone[static_cast<std::size_t>(i)] =
            (high ? static_cast<float>(kBeepVolume) : -static_cast<float>(kBeepVolume)) * envelope;
    }
    return tone;
}

}  // namespace

SdlBeep::~SdlBeep() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
    }
}

void SdlBeep::play() {
    if (device_ == 0) {
        const QuietStderr quiet;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            return;  // no audio: no sound, and nothing to report
        }
        SDL_AudioSpec want{};
        want.freq = kAudioRate;
        want.format = AUDIO_F32SYS;
        want.channels = 1;
        want.samples = 1024;
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (device_ == 0) {
            return;
        }
    }
    const std::vector<float> tone = squareTone();
    SDL_QueueAudio(device_, tone.data(), static_cast<Uint32>(tone.size() * sizeof(float)));
    SDL_PauseAudioDevice(device_, 0);
}

}  // namespace quellon
