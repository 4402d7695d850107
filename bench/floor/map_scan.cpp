// The floor of a whole-process lookup: map a database file and scan it once for the query,
// case folded for ASCII, counting the lines that hold it. No table, no scoring, no output
// but the count: what any lookup over this file must at least spend.
//   orlend-bench-floor FILE QUERY
#include <emmintrin.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

static char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }

int main(int argc, char** argv)
{
  if (argc != 3) {
    fprintf(stderr, "usage: orlend-bench-floor FILE QUERY\n");
    return 2;
  }
  // The query as UTF-16 (UTF-8 in, no checks: the benchmark gives valid text).
  std::u16string query;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(argv[2]); *p;) {
    unsigned c = *p++;
    if (c >= 0xE0) {
      c = (c & 0x0F) << 12 | (p[0] & 0x3F) << 6 | (p[1] & 0x3F);
      p += 2;
    } else if (c >= 0xC0) {
      c = (c & 0x1F) << 6 | (p[0] & 0x3F);
      p += 1;
    }
    query += Fold((char16_t)c);
  }
  if (query.empty()) return 1;
  int fd = open(argv[1], O_RDONLY);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) return 2;
  size_t units = (size_t)st.st_size / 2;
  void* map = mmap(nullptr, (size_t)st.st_size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  if (map == MAP_FAILED) return 2;
  const char16_t* text = static_cast<const char16_t*>(map);

  // Candidates by the first unit, 8 at a time; ASCII letters compared with the 0x20 bit set.
  const char16_t first = query[0];
  const bool letter = first >= u'a' && first <= u'z';
  const __m128i want = _mm_set1_epi16((short)first);
  const __m128i fold = _mm_set1_epi16(letter ? 0x20 : 0);
  size_t n = query.size(), count = 0, lastLine = SIZE_MAX;
  const char16_t* lineStart = text;
  size_t i = 0;
  for (; i + 8 <= units; i += 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    unsigned mask = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_or_si128(v, fold), want));
    while (mask) {
      size_t at = i + (size_t)(__builtin_ctz(mask) / 2);
      mask &= mask - 1;
      mask &= mask - 1;
      if (at + n > units) continue;
      size_t k = 1;
      while (k < n && Fold(text[at + k]) == query[k]) k++;
      if (k < n) continue;
      // The line it is on: back to the previous LF (rare enough to walk).
      const char16_t* p = text + at;
      while (p > lineStart && p[-1] != u'\n') p--;
      size_t line = (size_t)(p - text);
      if (line != lastLine) count++;
      lastLine = line;
      lineStart = p;
    }
  }
  printf("%zu\n", count);
  return count ? 0 : 1;
}
