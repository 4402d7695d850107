// Sound through SDL audio: WAV files and tones. Best effort: the device opens on first use,
// and when it cannot, nothing is heard.
#pragma once

#include <SDL.h>

#include <string>

#include "platform/windef.h"

namespace platform {

class SdlAudio {
 public:
  // With `verbose`, the reason sound is off is said once on standard error.
  void SetVerbose(bool verbose) { verbose_ = verbose; }
  void PlayWave(const std::string& path);
  void Tone(DWORD frequency, DWORD milliseconds);
  void Stop();
  void Close();

 private:
  bool Ready();
  bool tried_ = false;
  bool verbose_ = false;
  SDL_AudioDeviceID device_ = 0;
  SDL_AudioSpec spec_{};
};

}  // namespace platform
