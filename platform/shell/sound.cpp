// PlaySoundW, Beep and MessageBeep over the backend's audio.
#include <sys/stat.h>

#include "platform/mmsystem.h"
#include "platform/utf.h"
#include "user/window_system.h"

using namespace platform;

namespace {

void Note(const char* call, const std::u16string& text, DWORD flags, DWORD value) {
  headless::Record r;
  r.call = call;
  r.text = text;
  r.flags = flags;
  r.value = value;
  S().backend->Note(r);
}

// A WAV file plays for its data size over its byte rate; a synchronous play waits that long.
DWORD WaveDuration(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  unsigned char header[44];
  size_t n = std::fread(header, 1, sizeof header, f);
  std::fclose(f);
  if (n < sizeof header) return 0;
  auto u32 = [&](int at) {
    return static_cast<DWORD>(header[at]) | (static_cast<DWORD>(header[at + 1]) << 8) |
           (static_cast<DWORD>(header[at + 2]) << 16) | (static_cast<DWORD>(header[at + 3]) << 24);
  };
  DWORD rate = u32(28), bytes = u32(40);
  return rate ? static_cast<DWORD>(static_cast<unsigned long long>(bytes) * 1000 / rate) : 0;
}

}  // namespace

BOOL PlaySoundW(LPCWSTR sound, HMODULE, DWORD flags) {
  EnsureStarted();
  Backend& backend = *S().backend;
  if (!sound) {
    Note("PlaySound", u"", flags, 0);
    backend.StopSound();
    return TRUE;
  }
  std::u16string name = sound;
  Note("PlaySound", name, flags, 0);
  if (flags & (SND_MEMORY | SND_ALIAS)) return FALSE;  // no sound aliases or memory images here
  std::string path = NativePath(sound);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return FALSE;
  backend.PlayWave(path);
  if (!(flags & SND_ASYNC)) Sleep(WaveDuration(path));
  return TRUE;
}

BOOL Beep(DWORD frequency, DWORD duration) {
  EnsureStarted();
  Note("Beep", u"", frequency, duration);
  if (frequency < 37 || frequency > 32767) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  S().backend->Tone(frequency, duration);
  Sleep(duration);
  return TRUE;
}

BOOL MessageBeep(UINT type) {
  EnsureStarted();
  Note("MessageBeep", u"", type, 0);
  S().backend->Tone(type == MB_ICONHAND ? 440 : 880, 120);
  return TRUE;
}
