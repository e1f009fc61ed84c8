// The start-up beep through SDL's audio: the square tone every backend sounds, or silence
// where there is no sound device.
#pragma once

#include <SDL.h>

namespace quellon {

class SdlBeep {
  public:
    SdlBeep() = default;
    ~SdlBeep();
    SdlBeep(const SdlBeep&) = delete;
    SdlBeep& operator=(const SdlBeep&) = delete;

    // Opens the audio device the first time (that takes milliseconds) and queues the tone;
    // returns at once. Without a sound device nothing sounds and nothing is reported.
    void play();

  private:
    SDL_AudioDeviceID device_ = 0;
};

}  // namespace quellon
