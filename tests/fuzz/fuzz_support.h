// Shared by the fuzz targets: a private scratch folder and small checks that
// abort (so libFuzzer records the input) when a property does not hold.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#define FUZZ_CHECK(condition)                                                     \
  do {                                                                            \
    if (!(condition)) {                                                           \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      abort();                                                                    \
    }                                                                             \
  } while (0)

// A folder of our own for the whole run, on a memory file system when there is one,
// with its trailing '/'. Removed at exit.
inline const std::string& ScratchFolder()
{
  static std::string folder = [] {
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
    std::string pattern = base + "/orlend-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    if (!mkdtemp(name.data())) abort();
    std::string made = std::string(name.data()) + "/";
    static std::string removal = "rm -rf '" + made + "'";
    atexit([] {
      if (system(removal.c_str()) != 0) {
      }
    });
    return made;
  }();
  return folder;
}

inline void WriteWhole(const std::string& path, const void* bytes, size_t size)
{
  FILE* file = fopen(path.c_str(), "wb");
  FUZZ_CHECK(file);
  if (size) FUZZ_CHECK(fwrite(bytes, 1, size, file) == size);
  FUZZ_CHECK(fclose(file) == 0);
}

// The whole file, or false when it cannot be opened.
inline bool ReadWhole(const std::string& path, std::vector<unsigned char>* bytes)
{
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes->clear();
  unsigned char chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
  fclose(file);
  return true;
}

inline std::u16string AsciiWide(const std::string& text)
{
  return std::u16string(text.begin(), text.end());
}
