#include "backends/sdl/sdl_audio.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "backends/sdl/sdl_api.h"

namespace platform {

namespace {

void DiscardAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// ALSA's library prints its own lines on standard error when there is no sound card,
// whatever the program asks. SDL loads it at run time; loading it first lets us give it a
// handler that keeps quiet. Without ALSA there is nothing to quiet.
void QuietAlsa() {
  void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
  if (!alsa) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
  if (set) set(DiscardAlsaMessage);
  // Kept loaded: the handler must outlive every use of the library.
}

}  // namespace

bool SdlAudio::Ready() {
  if (device_) return true;
  if (tried_) return false;
  tried_ = true;
  if (!LoadSdlApi()) return false;
  QuietAlsa();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    if (verbose_) std::fprintf(stderr, "platform: no sound: %s\n", SDL_GetError());
    return false;
  }
  SDL_AudioSpec want{};
  want.freq = 22050;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 1024;
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &spec_, 0);
  if (!device_) {
    if (verbose_) std::fprintf(stderr, "platform: no sound: %s\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlAudio::PlayWave(const std::string& path) {
  if (!Ready()) return;
  SDL_AudioSpec wav{};
  Uint8* data = nullptr;
  Uint32 length = 0;
  if (!SDL_LoadWAV(path.c_str(), &wav, &data, &length)) return;
  SDL_AudioCVT cvt;
  if (SDL_BuildAudioCVT(&cvt, wav.format, wav.channels, wav.freq, spec_.format, spec_.channels,
                        spec_.freq) < 0) {
    SDL_FreeWAV(data);
    return;
  }
  std::vector<Uint8> buffer(static_cast<size_t>(length) * static_cast<size_t>(cvt.len_mult));
  std::copy(data, data + length, buffer.begin());
  SDL_FreeWAV(data);
  cvt.buf = buffer.data();
  cvt.len = static_cast<int>(length);
  if (cvt.needed && SDL_ConvertAudio(&cvt) != 0) return;
  // A new sound replaces the one playing, as the platform's PlaySound does.
  SDL_ClearQueuedAudio(device_);
  SDL_QueueAudio(device_, buffer.data(), static_cast<Uint32>(cvt.needed ? cvt.len_cvt : cvt.len));
}

void SdlAudio::Tone(DWORD frequency, DWORD milliseconds) {
  if (!Ready() || spec_.format != AUDIO_S16SYS) return;
  size_t frames = static_cast<size_t>(spec_.freq) * milliseconds / 1000;
  std::vector<Sint16> samples(frames * spec_.channels);
  const double step = 2.0 * 3.14159265358979 * frequency / spec_.freq;
  for (size_t i = 0; i < frames; ++i) {
    // A sine with short fades, so the tone starts and stops without clicks.
    double fade = std::min(1.0, std::min(i, frames - i) / (spec_.freq * 0.005));
    // SDL's sine: the maths library then comes with SDL, not with every process.
    auto v = static_cast<Sint16>(SDL_sin(step * static_cast<double>(i)) * 8000.0 * fade);
    for (int c = 0; c < spec_.channels; ++c) samples[i * spec_.channels + static_cast<size_t>(c)] = v;
  }
  SDL_ClearQueuedAudio(device_);
  SDL_QueueAudio(device_, samples.data(), static_cast<Uint32>(samples.size() * sizeof(Sint16)));
}

void SdlAudio::Stop() {
  if (device_) SDL_ClearQueuedAudio(device_);
}

void SdlAudio::Close() {
  if (device_) {
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  device_ = 0;
  tried_ = false;
}

}  // namespace platform
