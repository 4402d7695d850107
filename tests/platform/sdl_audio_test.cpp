// Sound where there is no sound card: nothing heard and nothing printed, but the reason
// once with --verbose.
#include "backends/sdl/sdl_audio.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Runs `body` with standard error going to a file and returns what it wrote.
template <typename Body>
std::string StandardErrorOf(Body body) {
  std::fflush(stderr);
  FILE* capture = std::tmpfile();
  int saved = dup(2);
  dup2(fileno(capture), 2);
  body();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::string text;
  std::rewind(capture);
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, capture)) > 0) text.append(buffer, n);
  std::fclose(capture);
  return text;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(SdlAudio, NoSoundCardIsQuietUnlessVerbose) {
  // The real sound library, whatever the tests' environment picks.
  setenv("SDL_AUDIODRIVER", "alsa", 1);
  std::string verbose = StandardErrorOf([] {
    platform::SdlAudio audio;
    audio.SetVerbose(true);
    audio.Tone(440, 20);
    audio.Tone(440, 20);
    audio.Close();
  });
  std::string quiet = StandardErrorOf([] {
    platform::SdlAudio audio;
    audio.Tone(440, 20);
    audio.Close();
  });
  unsetenv("SDL_AUDIODRIVER");
  if (Count(verbose, "platform: no sound:") == 0) GTEST_SKIP() << "this machine can play sound";
  EXPECT_EQ(1u, Count(verbose, "platform: no sound:")) << verbose;
  EXPECT_EQ(std::string::npos, verbose.find("ALSA lib")) << verbose;
  EXPECT_EQ("", quiet);
}

}  // namespace
