#include "device/dictionary/word_frequency.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "device/dictionary/large_block.h"
#include "device/dictionary/table_file.h"
#include "device/dictionary/table_hash.h"
#include "device/shell/program_folder.h"

namespace {

// One taken line: the word's bytes in g_text and its count.
struct Word {
  unsigned offset;
  unsigned short size;
  unsigned count;
};

bool g_loaded = false;
bool g_fromText = false;  // the list in use was given as text, not read from its file
int g_generation = 0;
// The list in use: a text given (tests) or the file's bytes, read into a block of its own.
std::string g_given;
LARGE_BLOCK g_fileText = {};
const char* g_text = "";
size_t g_size = 0;
// The words taken, in a block as large as the lines: a list of 170,000 words would take a
// thousand fresh small pages in a growing vector, which cost more here than reading it.
LARGE_BLOCK g_wordBlock = {};
Word* g_words = nullptr;
size_t g_count = 0;
// The first of the lines when the list vouches for them (then there is no g_words), else null.
const char* g_vouched = nullptr;

// Byte order of two words (at most WORD_FREQUENCY_MAX_WORD bytes, which seldom differ late).
int Compare(const char* a, size_t an, const char* b, size_t bn)
{
  for (size_t i = 0, n = an < bn ? an : bn; i < n; i++)
    if (a[i] != b[i]) return (unsigned char)a[i] < (unsigned char)b[i] ? -1 : 1;
  return an < bn ? -1 : an > bn ? 1 : 0;
}

// Where the line from line on ends: its '\n', or end when it has none. Sixteen bytes at a
// time while they lie inside the text: the lines are short and many.
const char* LineEnd(const char* line, const char* end)
{
#if defined(__SSE2__)
  const __m128i newline = _mm_set1_epi8('\n');
  for (; end - line >= 16; line += 16) {
    int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(line)), newline));
    if (hits) return line + __builtin_ctz((unsigned)hits);
  }
#endif
  const char* at = static_cast<const char*>(std::memchr(line, '\n', (size_t)(end - line)));
  return at ? at : end;
}

// One line of the list, [line, end) without its '\n': "word count" (a tab or a space between,
// anything after the count's digits ignored). Its word's size and count; false for a comment,
// a line without a count, and a word too long or holding a zero byte.
bool ParseLine(const char* line, const char* end, size_t* size, unsigned* count)
{
  if (end == line || line[0] == '#') return false;
  const char* split = line;
  bool zero = false;
  while (split < end && *split != '\t' && *split != ' ') zero |= *split++ == 0;
  *size = (size_t)(split - line);
  if (*size == 0 || *size > WORD_FREQUENCY_MAX_WORD || split == end || zero) return false;
  unsigned long long value = 0;
  const char* digit = split + 1;
  const char* digitsEnd = end - digit < 10 ? end : digit + 10;
  for (; digit < digitsEnd && *digit >= '0' && *digit <= '9'; digit++) value = value * 10 + (unsigned)(*digit - '0');
  *count = value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(value);
  return digit > split + 1;
}

// Lines are "word count", sorted by the word's bytes. Anything else is skipped: lines
// ParseLine refuses, and a word not after the one before it, so that a damaged list can only
// miss words, never mislead the search.
void Index()
{
  g_generation++;
  FreeLargeBlock(&g_wordBlock);
  g_words = nullptr;
  g_count = 0;
  g_vouched = nullptr;
  // Room for every line there can be (a word, its separator, a digit and the line's end),
  // untouched where there are fewer: counting them first would read the list twice.
  const size_t most = g_size / 4 + 1;
  if (g_size == 0 || !AllocLargeBlock(&g_wordBlock, most * sizeof(Word))) return;  // no memory: no list
  g_words = static_cast<Word*>(g_wordBlock.Data);
  const char* const text = g_text;
  const char* const textEnd = text + g_size;
  const char* last = nullptr;  // the word of the last line taken
  size_t lastSize = 0;
  for (const char* line = text; line < textEnd;) {
    const char* end = LineEnd(line, textEnd);
    if (end == textEnd) break;  // a cut last line
    size_t size;
    unsigned count;
    if (ParseLine(line, end, &size, &count) && !(last && Compare(last, lastSize, line, size) >= 0)) {
      g_words[g_count++] = {static_cast<unsigned>(line - text), static_cast<unsigned short>(size), count};
      last = line;
      lastSize = size;
    }
    line = end + 1;
  }
}

// The list as it came: searched as it stands when its second line vouches for the lines after
// it (the list as the tool that makes it wrote it), else indexed line by line.
void Take()
{
  const char* const textEnd = g_text + g_size;
  const char* first = g_size > 0 && g_text[0] == '#' ? LineEnd(g_text, textEnd) : textEnd;
  const char* second = first < textEnd ? first + 1 : textEnd;
  const char* secondEnd = second < textEnd ? LineEnd(second, textEnd) : textEnd;
  // Only a second line that may be a vouch ("# " and a number) is worth hashing the list for.
  if (secondEnd < textEnd && secondEnd - second > 2 && second[0] == '#' && second[1] == ' ' && second[2] >= '0' &&
      second[2] <= '9') {
    const char* lines = secondEnd + 1;
    unsigned long long count = 0;
    for (const char* digit = second + 2; digit < lines && *digit >= '0' && *digit <= '9' && count < (1ull << 40); digit++)
      count = count * 10 + (unsigned)(*digit - '0');
    const std::string vouch = WordFrequencyVouch(lines, (size_t)(textEnd - lines), (size_t)count);
    // Every line must end in its '\n', so that a search as it stands never reads past the text
    // (the hash only says what the lines are, not that their maker was this program's tool).
    const bool ended = lines == textEnd || textEnd[-1] == '\n';
    if (ended && (size_t)(lines - second) == vouch.size() && std::memcmp(second, vouch.data(), vouch.size()) == 0) {
      g_generation++;
      FreeLargeBlock(&g_wordBlock);
      g_words = nullptr;
      g_vouched = lines;
      g_count = (size_t)count;
      return;
    }
  }
  Index();
}

HANDLE OpenList()
{
  WCHAR path[MAX_PATH];
  HANDLE file = INVALID_HANDLE_VALUE;
  if (ProgramFolderPath(WORD_FREQUENCY_FILE_NAME, path))
    file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) return file;
  // The list ships beside the program, which a lookup may point at another data folder.
  if (!ProgramFilePath(WORD_FREQUENCY_FILE_NAME, path)) return file;
  return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void ReadFile()
{
  g_loaded = true;
  g_fromText = false;
  g_given.clear();
  FreeLargeBlock(&g_fileText);
  g_text = "";
  g_size = 0;
  HANDLE file = OpenList();
  if (file == INVALID_HANDLE_VALUE) {
    Take();
    return;
  }
  DWORD size = GetFileSize(file, nullptr);
  DWORD want = size == INVALID_FILE_SIZE || size > WORD_FREQUENCY_READ_LIMIT ? WORD_FREQUENCY_READ_LIMIT : size;
  DWORD total = 0;
  if (AllocLargeBlock(&g_fileText, want)) {
    char* text = static_cast<char*>(g_fileText.Data);
    while (total < want) {
      DWORD read = 0;
      if (!::ReadFile(file, text + total, want - total, &read, nullptr) || read == 0) break;
      total += read;
    }
    g_text = text;
    g_size = total;
  }
  CloseHandle(file);
  Take();
}

}  // namespace

void SetWordFrequencyText(const char* text, size_t size)
{
  FreeLargeBlock(&g_fileText);
  g_given.assign(text ? text : "", text ? size : 0);
  g_text = g_given.data();
  g_size = g_given.size();
  g_loaded = g_fromText = text != nullptr;
  Take();
}

std::string WordFrequencyVouch(const char* lines, size_t size, size_t count)
{
  TableHash hash;
  TableHashReset(&hash);
  const uint64_t number = count;
  TableHashUpdate(&hash, &number, sizeof number);
  TableHashUpdate(&hash, lines, size);
  char text[96];
  int length = std::snprintf(text, sizeof text, "# %zu words in byte order, xxh3 %016llx\n", count,
                             (unsigned long long)TableHashDigest(&hash));
  return std::string(text, (size_t)length);
}

bool StampWordFrequencyList(DATABASE_STAMP* stamp)
{
  if (g_loaded && g_fromText) return false;
  HANDLE file = OpenList();
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  const bool stamped = size != INVALID_FILE_SIZE && high == 0 && StampDatabase(file, size, stamp);
  CloseHandle(file);
  return stamped;
}

int WordFrequencyGeneration()
{
  if (!g_loaded) ReadFile();
  return g_generation;
}

int WordFrequencyCount()
{
  if (!g_loaded) ReadFile();
  return static_cast<int>(g_count);
}

unsigned WordFrequency(const WCHAR* word, int length)
{
  if (!g_loaded) ReadFile();
  if (g_count == 0 || !word || length <= 0 || length > WORD_FREQUENCY_MAX_WORD) return 0;
  char key[WORD_FREQUENCY_MAX_WORD * 3];
  int size = WideCharToMultiByte(CP_UTF8, 0, word, length, key, sizeof key, nullptr, nullptr);
  if (size <= 0 || size > WORD_FREQUENCY_MAX_WORD) return 0;
  if (g_vouched) {
    // Lines in byte order: halve the bytes between two line starts, from the line the middle
    // byte falls in.
    // The word is compared as it is read; only the word asked for is parsed whole.
    const char *low = g_vouched, *high = g_text + g_size;
    while (low < high) {
      const char* line = low + (high - low) / 2;
      while (line > low && line[-1] != '\n') line--;
      const char* at = line;
      int c = 0;
      for (size_t k = 0;; at++, k++) {
        const bool wordEnd = *at == '\t' || *at == ' ' || *at == '\n';
        if (k == (size_t)size || wordEnd) {
          c = k < (size_t)size ? -1 : wordEnd ? 0 : 1;
          break;
        }
        if (*at != key[k]) {
          c = (unsigned char)*at < (unsigned char)key[k] ? -1 : 1;
          break;
        }
      }
      if (c == 0) {
        size_t wordSize;
        unsigned count;
        return ParseLine(line, LineEnd(line, high), &wordSize, &count) ? count : 0;
      }
      if (c < 0) low = LineEnd(at, high) + 1;
      else high = line;
    }
    return 0;
  }
  size_t low = 0, high = g_count;
  while (low < high) {
    size_t middle = (low + high) / 2;
    const Word& w = g_words[middle];
    int c = Compare(g_text + w.offset, w.size, key, static_cast<size_t>(size));
    if (c == 0) return w.count;
    if (c < 0) low = middle + 1;
    else high = middle;
  }
  return 0;
}

bool WordFrequencyVouched()
{
  if (!g_loaded) ReadFile();
  return g_vouched != nullptr;
}
